#!/usr/bin/env bash
# Smoke test of the download list on a real X display (Xvfb, openbox, trayer) against the platform
# emulator on loopback, with a private configuration, history and cache. It passes when
#   - three share texts copied in a row download side by side (three part files in the save folder at
#     once) and each file holds exactly the bytes the emulator served,
#   - `quorvane --tasks`, started while the program runs, brings up the window 下载列表 (screenshot
#     tasks-list.png in the artefact folder),
#   - a creator and a live room followed with `quorvane-cli --subscribe` show in the window 订阅, which
#     `quorvane --subscriptions` brings up in the running program (screenshot subscriptions.png), and the
#     program checks both by itself,
#   - the program killed with SIGKILL during a fourth download, and started again, finishes that download
#     by itself, continuing with a Range request from where it stood,
#   - `quorvane-cli --history --json` then lists all four as done, with their files.
#
# Usage: tasks.sh PROGRAM CLI EMULATOR ARTEFACT_DIR
# Exits 77 (skipped) when a needed tool is missing.
set -euo pipefail

app=$1
cli=$2
emulator=$3
artifacts=$4

# need_tools, wait_for, click_at, start_desktop, start_emulator, write_settings, finish_run
source "$(dirname "$0")/desktop.sh"
need_tools Xvfb xdpyinfo openbox trayer xclip xdotool import iconv python3

work=$(mktemp -d /tmp/quorvane-tasks.XXXXXX)
pids=()
app_pid=""
cleanup() {
  local status=$?
  finish_run "$status" ${app_pid:+"$app_pid"}
}
trap cleanup EXIT

fail() {
  echo "FAIL: $* (display ${DISPLAY:-none})"
  [ -n "${DISPLAY:-}" ] && import -window root "$artifacts/tasks-failure.png" 2>/dev/null || true
  exit 1
}

mkdir -p "$artifacts"
rm -f "$artifacts"/tasks-*.png

start_desktop || fail "no X display with a window manager and a tray host"

# --- four posts of our own: three that take a few seconds each, and a long one for the kill
data="$work/data"
python3 - "$data" <<'PY'
import json, os, sys
root = sys.argv[1]
os.makedirs(os.path.join(root, "details"))
posts = {
    "tAsKs001": ("7301234567890800001", "并排一", "side1.mp4?size=1500000"),
    "tAsKs002": ("7301234567890800002", "并排二", "side2.mp4?size=1500000"),
    "tAsKs003": ("7301234567890800003", "并排三", "side3.mp4?size=1500000"),
    "tAsKs004": ("7301234567890800004", "中断后继续", "long.mp4?size=4000000"),
}
manifest = {"short_links": {}, "details": {}}
for code, (post, title, media) in posts.items():
    manifest["short_links"][code] = {"video": post}
    manifest["details"][post] = {"file": "details/%s.json" % post}
    detail = {"aweme_detail": {"aweme_id": post, "desc": title, "create_time": 1675231509,
                               "author": {"nickname": "烟雾测试"},
                               "video": {"bit_rate": [{"play_addr": {"url_list": ["{{http}}/media/" + media]}}]}},
              "status_code": 0}
    with open(os.path.join(root, "details", post + ".json"), "w", encoding="utf-8") as out:
        json.dump(detail, out, ensure_ascii=False)
with open(os.path.join(root, "manifest.json"), "w") as out:
    json.dump(manifest, out)
PY
ranges="$work/ranges.log"
start_emulator "$emulator" "$data" --rate 200000 --range-log "$ranges" || fail "the emulator did not start: $(cat "$work/emulator.err")"
emulator_pid=${pids[-1]}

config="$work/config"
videos="$work/视频"
mkdir -p "$videos"
write_settings "$config" "$videos"
# One connection a download, so that a continued download shows as one Range request.
printf '[下载]\n连接数=1\n同时下载数=3\n[时间格式]\n时间格式=下载时间\n' | iconv -f UTF-8 -t GB18030 >>"$config/quibexlar/set.ini"

# The program's environment; `env` execs the program, so that $! of a background start is its own id.
app_env=(XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$work/share" XDG_CACHE_HOME="$work/cache"
  XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work")
share() {
  printf '看看【烟雾测试的作品】 http://127.0.0.1:%s/v.douyin.com/%s/ 复制此链接，打开Dou音搜索，直接观看视频！' \
    "$http_port" "$1"
}
complete() {
  [ -f "$1" ] || return 1
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if len(data) == int(sys.argv[2]) and all(b == i % 251 for i, b in enumerate(data)) else 1)
PY
}
parts() { find "$videos" -maxdepth 1 -name '*.part' | wc -l; }

# --- three links copied in a row download side by side
env "${app_env[@]}" "$app" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Quorvane V' || fail "the main window did not appear"
sleep 1
for code in tAsKs001 tAsKs002 tAsKs003; do
  share "$code" | xclip -selection clipboard -i
  sleep 0.6
done
three_at_once() { [ "$(parts)" -ge 3 ]; }
wait_for 20 three_at_once || fail "the three downloads did not run side by side: $(ls -A "$videos")"
echo "three part files at once"

# --- quorvane --tasks is handed to the running program, which shows 下载列表
env "${app_env[@]}" "$app" --tasks >"$work/second.log" 2>&1 || fail "the second start failed: $(cat "$work/second.log")"
wait_for 10 xdotool search --onlyvisible --name '^下载列表$' || fail "no window 下载列表"
list=$(xdotool search --onlyvisible --name '^下载列表$' | head -1)
xdotool windowmove --sync "$list" 60 60 || true
sleep 1.5
import -window "$list" "$artifacts/tasks-list.png"
# --- followed with the command line, shown by the running program
XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$work/share" "$cli" --subscribe \
  "https://www.douyin.com/user/MS4wLjABAAAAsmokeCreator_abcdefgh" "https://live.douyin.com/5550003" \
  >"$work/subscribe.log" 2>&1 || fail "quorvane-cli --subscribe failed: $(cat "$work/subscribe.log")"
env "${app_env[@]}" "$app" --subscriptions >"$work/third.log" 2>&1 || fail "the third start failed: $(cat "$work/third.log")"
wait_for 10 xdotool search --onlyvisible --name '^订阅$' || fail "no window 订阅"
following=$(xdotool search --onlyvisible --name '^订阅$' | head -1)
xdotool windowmove --sync "$following" 80 80 || true
sleep 1.5
import -window "$following" "$artifacts/subscriptions.png"
for n in 一 二 三; do
  wait_for 30 complete "$videos/并排$n.mp4" 1500000 || fail "并排$n.mp4 is not complete: $(ls -la "$videos")"
done
echo "three files complete"

# --- killed in the middle of a download, started again: it finishes from where it stood
share tAsKs004 | xclip -selection clipboard -i
long_running() { [ "$(parts)" -ge 1 ]; }
wait_for 20 long_running || fail "the fourth download did not start"
sleep 3
kill -KILL "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
[ "$(parts)" -ge 1 ] || fail "the part file went with the killed program: $(ls -A "$videos")"
[ ! -e "$videos/中断后继续.mp4" ] || fail "the fourth file was complete before the kill; nothing to continue"
env "${app_env[@]}" "$app" >>"$work/app.log" 2>&1 &
app_pid=$!
wait_for 60 complete "$videos/中断后继续.mp4" 4000000 || fail "the continued download did not finish: $(ls -la "$videos")"
echo "continued download complete"
import -window root "$artifacts/tasks-desktop.png" || true

# The emulator writes the Range header of every media request when it ends; the last one continued.
kill -TERM "$emulator_pid"
wait "$emulator_pid" 2>/dev/null || true
last_range=$(tail -n 1 "$ranges")
[[ $last_range =~ ^bytes=([0-9]+)- ]] || fail "the continued download sent no Range: $(cat "$ranges")"
[ "${BASH_REMATCH[1]}" -gt 0 ] || fail "the continued download started from 0: $last_range"
echo "continued with Range $last_range"

# --- the command line lists all four as done, with their files
XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$work/share" "$cli" --history --json >"$work/history.json" ||
  fail "quorvane-cli --history --json failed"
python3 - "$work/history.json" "$videos" <<'PY' || fail "history: $(cat "$work/history.json")"
import json, os, sys
records = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
titles = {"并排一", "并排二", "并排三", "中断后继续"}
seen = {r["title"]: r for r in records}
assert titles <= set(seen), seen.keys()
for title in titles:
    r = seen[title]
    assert r["state"] == "done", r
    assert r["error"] is None, r
    assert r["files"] and all(os.path.isfile(f) for f in r["files"]), r
    assert any(os.path.basename(f) == title + ".mp4" for f in r["files"]), r
    assert r["added"] and r["finished"], r
PY
# The program checked both subscriptions by itself: a round runs as soon as the subscriptions are opened.
XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$work/share" "$cli" --subscriptions --json >"$work/subscriptions.json" ||
  fail "quorvane-cli --subscriptions --json failed"
python3 - "$work/subscriptions.json" <<'PY' || fail "subscriptions: $(cat "$work/subscriptions.json")"
import json, sys
subscriptions = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
assert sorted(s["kind"] for s in subscriptions) == ["creator", "live"], subscriptions
assert all(s["last_checked"] for s in subscriptions), subscriptions
PY
echo "PASS"
