#!/usr/bin/env bash
# Smoke test of the running program on a real X display.
#
# Xvfb with a window manager (openbox) and a tray host (trayer); the platform emulator on loopback; the
# program with a private configuration whose settings file points at the emulator and has clipboard
# watching and automatic download on. A share text is put on the clipboard with xclip, as a user copying
# it would. The test passes when
#   - the video file lies in the save folder and holds exactly the bytes the emulator served,
#   - the three result boxes hold the play address, the music address and the title. They are read the
#     way a user would: click into the box, select all, copy, and read the clipboard back with xclip
#     (nothing in the program exists only for this test),
#   - the close button, answered with OK in its message box, ends the program with status 0, also in the
#     middle of a (slowed-down) download, which then leaves only its hidden part file (continued at the
#     next start) in the save folder,
#   - a share text already on the clipboard when the program starts is not taken; a new copy is.
# Screenshots of the desktop and of the main window go to the artefact folder.
#
# Usage: smoke.sh PROGRAM EMULATOR EMULATOR_DATA ARTEFACT_DIR
# Exits 77 (skipped) when a needed tool is missing.
set -euo pipefail

app=$1
emulator=$2
data=$3
artifacts=$4

# need_tools, wait_for, click_at, start_desktop, start_emulator, write_settings, finish_run
source "$(dirname "$0")/desktop.sh"
need_tools Xvfb xdpyinfo openbox trayer xclip xdotool import iconv python3

work=$(mktemp -d /tmp/quorvane-smoke.XXXXXX)
pids=()
app_pid=""
cleanup() {
  local status=$?
  finish_run "$status" ${app_pid:+"$app_pid"}
}
trap cleanup EXIT

fail() {
  local server="gone"
  [ ${#pids[@]} -gt 0 ] && kill -0 "${pids[0]}" 2>/dev/null && server="running"
  echo "FAIL: $* (display ${DISPLAY:-none}, X server $server)"
  [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/smoke-failure.png" 2>/dev/null || true
  exit 1
}

mkdir -p "$artifacts"
rm -f "$artifacts"/smoke-*.png

# --- display, window manager, tray host (a start that goes wrong is retried on another number)
start_desktop || fail "no X display with a window manager and a tray host"

# --- the platform emulator
start_emulator "$emulator" "$data" || fail "the emulator did not start: $(cat "$work/emulator.err")"

# --- settings (GB18030, as the program writes them)
config="$work/config"
videos="$work/视频 下载"
mkdir -p "$videos"
write_settings "$config" "$videos"

# --- the program
# The history and the cover cache stay in the private folder.
XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/share" XDG_CACHE_HOME="$work/cache" \
  XDG_RUNTIME_DIR="$work" "$app" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Quorvane V' || fail "the main window did not appear"
wid=$(xdotool search --onlyvisible --name '^Quorvane V' | head -1)
title=$(xdotool getwindowname "$wid")
[[ $title == "Quorvane V2.1   "* && $title != *不带* ]] || fail "window title: $title"
xdotool windowmove --sync "$wid" 40 40 || true
sleep 0.5

# --- a copied share text starts the parse and the download
share="7.43 复制打开抖音，看看【海边的小鹿的作品】周末去海边看日落 http://127.0.0.1:$http_port/v.douyin.com/iRNBho6u/ 复制此链接，打开Dou音搜索，直接观看视频！"
printf '%s' "$share" | xclip -selection clipboard -i

video_done() {
  local files=("$videos"/*.mp4)
  [ -f "${files[0]}" ] || return 1
  python3 - "${files[0]}" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
ok = len(data) > 0 and all(b == i % 251 for i, b in enumerate(data))
sys.exit(0 if ok else 1)
PY
}
wait_for 60 video_done || fail "no complete video file in the save folder: $(ls -la "$videos")"
video=$(ls "$videos"/*.mp4)
echo "video: $(basename "$video") ($(stat -c %s "$video") bytes)"
sleep 1

# --- the three result boxes, read back through the clipboard
eval "$(xdotool getwindowgeometry --shell "$wid")"
read_box() {
  local y=$1
  click_at $((X + 300)) $((Y + y))
  sleep 0.2
  xdotool key --clearmodifiers ctrl+a ctrl+c
  sleep 0.5
  xclip -o -selection clipboard
}
play=$(read_box 102)
music=$(read_box 134)
caption=$(read_box 165)
echo "编辑框4: $play"
echo "编辑框5: $music"
echo "编辑框6: $caption"
expected_title=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["aweme_detail"]["desc"])' \
  "$data/details/complete.json")
[[ $play == http*://127.0.0.1:*/media/*.mp4* ]] || fail "play address: $play"
[[ $music == http*://127.0.0.1:*/media/music.mp3* ]] || fail "music address: $music"
[ "$caption" = "$expected_title" ] || fail "title: $caption (expected $expected_title)"

import -window root "$artifacts/smoke-desktop.png"
import -window "$wid" "$artifacts/smoke-main-window.png"

# --- close with OK: the program ends with status 0
click_at $((X + 720)) $((Y + 14))
wait_for 10 xdotool search --onlyvisible --name '^信息：$' || fail "no close confirmation"
import -window root "$artifacts/smoke-close-confirmation.png"
xdotool key Return
status=0
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after OK"
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status"

# --- exit during a download: no partial file stays in the save folder
"$emulator" --data "$data" --cert-dir "$work/certs2" --rate 16384 >"$work/emulator2.out" 2>"$work/emulator2.err" &
pids+=($!)
wait_for 20 grep -q '^http=' "$work/emulator2.out" || fail "the slow emulator did not start"
read -r http_field https_field ca_field <"$work/emulator2.out"
slow="$work/slow"
mkdir -p "$slow"
printf '[平台]\n网页主机=127.0.0.1:%s\n分享主机=127.0.0.1:%s\n访客主机=127.0.0.1:%s\n证书文件=%s\n[剪切板]\n开启=开\n[自动下载]\n开启=开\n[保存目录]\n保存目录=%s\n' \
  "${https_field#https=}" "${https_field#https=}" "${https_field#https=}" "${ca_field#ca=}" "$slow" | iconv -f UTF-8 -t GB18030 >"$config/quibexlar/set.ini"
# The share text is on the clipboard before the program starts: it must not be taken. Only a new copy is.
slow_share=${share//$http_port/${http_field#http=}}
printf '%s' "$slow_share" | xclip -selection clipboard -i
# A history of its own: in the first one the post is saved already, and would not be fetched again.
XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/share-slow" XDG_CACHE_HOME="$work/cache" \
  XDG_RUNTIME_DIR="$work" "$app" >>"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Quorvane V' || fail "the main window did not appear again"
wid=$(xdotool search --onlyvisible --name '^Quorvane V' | head -1)
xdotool windowmove --sync "$wid" 40 40 || true
sleep 2
[ -z "$(ls -A "$slow")" ] || fail "the text on the clipboard at start-up was taken"
printf '%s' "$slow_share" | xclip -selection clipboard -i
partial_exists() { [ -n "$(ls -A "$slow")" ]; }
wait_for 30 partial_exists || fail "the slow download did not start"
sleep 1
in_progress() {
  local name found=""
  for name in $(ls -A "$slow"); do
    case "$name" in
      .*.quorvane.part) found=1 ;;
      .*.quorvane.resume) ;;
      *) return 1 ;;
    esac
  done
  [ -n "$found" ]
}
in_progress || fail "expected a download in progress: $(ls -A "$slow")"
eval "$(xdotool getwindowgeometry --shell "$wid")"
click_at $((X + 720)) $((Y + 14))
wait_for 10 xdotool search --onlyvisible --name '^信息：$' || fail "no close confirmation during the download"
xdotool key Return
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end during the download"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status during the download: $status"
# The download list keeps the part file and its resume record for the next start; nothing lies under a
# final name.
in_progress || fail "after exit the save folder holds more than the part file: $(ls -A "$slow")"
echo "PASS"
