#!/usr/bin/env bash
# Smoke test of a second start under Xvfb (openbox, trayer) against the platform emulator.
#
# The program runs with its window hidden in the tray. A second start with a share link on its command
# line must hand the link to the running program and end with status 0; the running program shows its
# window, parses the link and downloads the video once. Throughout there is one program and one tray
# icon. The window carries the WM_CLASS the desktop entry names. A start with --new-instance runs beside
# the first. Closing with OK ends the program with 0.
#
# Usage: second_start.sh PROGRAM EMULATOR EMULATOR_DATA ARTEFACT_DIR
# Exits 77 (skipped) when a needed tool is missing.
set -euo pipefail

app=$1
emulator=$2
data=$3
artifacts=$4

# need_tools, wait_for, click_at, start_desktop, start_emulator, write_settings, finish_run
source "$(dirname "$0")/desktop.sh"
need_tools Xvfb xdpyinfo xprop xwininfo openbox trayer xdotool import iconv python3

work=$(mktemp -d /tmp/quorvane-second.XXXXXX)
pids=()
app_pids=()
cleanup() {
  local status=$?
  finish_run "$status" "${app_pids[@]}"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/second-start-failure.png" 2>/dev/null || true
  exit 1
}

mkdir -p "$artifacts"

start_desktop || fail "no X display with a window manager and a tray host"
start_emulator "$emulator" "$data" || fail "the emulator did not start: $(cat "$work/emulator.err")"
config="$work/config"
videos="$work/videos"
mkdir -p "$videos"
write_settings "$config" "$videos"
export XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/share" XDG_CACHE_HOME="$work/cache"

# Our icons docked in the tray host: windows of class quorvane inside trayer's panel. A query that meets a
# window going away in the middle fails; it is asked again.
tray_icons() {
  local panel tree
  for _ in 1 2 3 4 5; do
    panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -1)
    if [ -n "$panel" ] && tree=$(xwininfo -tree -id "$panel" 2>/dev/null); then
      grep -c '("quorvane" "quorvane")' <<<"$tree" || true
      return
    fi
    sleep 0.2
  done
  echo -1
}
more_icons_than() { [ "$(tray_icons)" -gt "$1" ]; }
# The main window's id when it is shown. A search that meets a window going away fails with an X error;
# it is asked again.
main_window_visible() {
  local found
  for _ in 1 2 3 4 5; do
    if found=$(xdotool search --onlyvisible --name '^Quorvane V' 2>/dev/null); then
      head -1 <<<"$found"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# --- the first start, hidden in the tray as the autostart entry starts it
"$app" --hidden >"$work/first.log" 2>&1 &
first=$!
app_pids+=("$first")
wait_for 20 test -S "$work/quorvane-${DISPLAY//[^A-Za-z0-9]/_}.socket" || fail "the first start did not listen"
wait_for 10 more_icons_than 0 || fail "no tray icon"
icons_before=$(tray_icons)
[ "$icons_before" -eq 1 ] || fail "tray icons after the first start: $icons_before"
sleep 1
main_window_visible && fail "--hidden showed the window"

# --- the second start hands over its link and ends
share="7.43 复制打开抖音，看看【海边的小鹿的作品】周末去海边看日落 http://127.0.0.1:$http_port/v.douyin.com/iRNBho6u/ 复制此链接，打开Dou音搜索，直接观看视频！"
"$app" "$share" >"$work/second.log" 2>&1 &
second=$!
app_pids+=("$second")
status=0
for _ in $(seq 50); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$second" 2>/dev/null && fail "the second start did not end"
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status"
kill -0 "$first" 2>/dev/null || fail "the first program ended"
wait_for 10 main_window_visible || fail "the running program did not show its window"
wid=$(main_window_visible)
wm_class=$(xprop -id "$wid" WM_CLASS)
[ "$wm_class" = 'WM_CLASS(STRING) = "quorvane", "quorvane"' ] || fail "WM_CLASS: $wm_class"

video_done() {
  local files=("$videos"/*.mp4)
  [ -f "${files[0]}" ]
}
wait_for 60 video_done || fail "the handed-over link was not downloaded: $(ls -la "$videos")"
video=$(ls "$videos"/*.mp4)
inode=$(stat -c %i "$video")
# A second download of the same link would replace the file (a new inode) or leave a temporary file.
sleep 4
[ "$(ls -A "$videos" | wc -l)" -eq 1 ] || fail "save folder: $(ls -A "$videos")"
[ "$(stat -c %i "$video")" = "$inode" ] || fail "the video was downloaded a second time"
icons_after=$(tray_icons)
[ "$icons_after" -eq "$icons_before" ] || fail "tray icons: $icons_after, before the second start $icons_before"
echo "second start: handed over, $(basename "$video") downloaded once, one tray icon"
import -window root "$artifacts/second-start-desktop.png"

# --- --new-instance runs beside it
"$app" --new-instance --hidden >"$work/third.log" 2>&1 &
third=$!
app_pids+=("$third")
wait_for 10 more_icons_than "$icons_before" || fail "--new-instance did not run beside the first"
kill "$third"
wait "$third" 2>/dev/null || true
kill -0 "$first" 2>/dev/null || fail "the first program ended with the extra instance"

# --- close with OK: status 0
eval "$(xdotool getwindowgeometry --shell "$wid")"
click_at $((X + 720)) $((Y + 14))
wait_for 10 xdotool search --onlyvisible --name '^信息：$' || fail "no close confirmation"
xdotool key Return
for _ in $(seq 50); do
  kill -0 "$first" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$first" 2>/dev/null && fail "the program did not end after OK"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS"
