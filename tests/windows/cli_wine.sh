#!/usr/bin/env bash
# quorvane-cli.exe under wine against the platform emulator (a Linux program on loopback): a share text
# of a post with a Chinese title is parsed over HTTPS and its video saved under the default file name with the
# emulator's bytes; a deleted post fails with its reason on the terminal.
# The emulator speaks as "localhost": with a CA file, curl's Schannel check matches DNS names only. Its
# certificates use RSA keys: wine's crypt32 fails a few percent of ECDSA chain signatures.
#
# Usage: cli_wine.sh CLI_EXE EMULATOR DATA_DIR
# WINEPREFIX must name an initialised prefix; its C:\quibexlar\set.ini is replaced for the run and put
# back afterwards. Prints one PASS or FAIL line; exits 0 only on PASS.
set -uo pipefail
cli=${1:?usage: cli_wine.sh CLI_EXE EMULATOR DATA_DIR}
emulator=${2:?usage: cli_wine.sh CLI_EXE EMULATOR DATA_DIR}
data=${3:?usage: cli_wine.sh CLI_EXE EMULATOR DATA_DIR}
: "${WINEPREFIX:?WINEPREFIX must name the wine prefix}"
export WINEDEBUG=-all
# winepath and wine read and write Unix paths in the locale's encoding.
export LC_ALL=C.UTF-8
name="windows cli under wine"

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-cli-wine.XXXXXX")
settings_dir="$WINEPREFIX/drive_c/quibexlar"
settings="$settings_dir/set.ini"
made_settings_dir=0
own_settings=0
emulator_pid=""

cleanup() {
  if [ -n "$emulator_pid" ]; then
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
  fi
  [ "$own_settings" = 1 ] && rm -f "$settings"
  if [ -f "$work/set.ini.before" ]; then
    mv "$work/set.ini.before" "$settings"
  elif [ "$made_settings_dir" = 1 ]; then
    rmdir "$settings_dir" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "$name: FAIL: $*"
  local log
  for log in "$work"/*.log "$work"/*.err; do
    [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
  done
  exit 1
}

for tool in wine winepath iconv python3 curl; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
[ -f "$cli" ] || fail "no $cli"
[ -x "$emulator" ] || fail "no $emulator"

"$emulator" --data "$data" --cert-dir "$work/certs" --host localhost --rsa-keys >"$work/emulator.log" 2>"$work/emulator.err" &
emulator_pid=$!
for _ in $(seq 100); do
  grep -q '^http=' "$work/emulator.log" && break
  kill -0 "$emulator_pid" 2>/dev/null || fail "the emulator exited"
  sleep 0.2
done
grep -q '^http=' "$work/emulator.log" || fail "the emulator did not start"
read -r http_field https_field ca_field <"$work/emulator.log"
http_port=${http_field#http=}
https_port=${https_field#https=}
ca_file=${ca_field#ca=}

# The settings quorvane-cli reads on Windows, GB18030 as the program writes them; under wine Z:\ is /.
# A save folder with a Chinese name and a space: the settings carry it in GB18030.
saved="$work/视频 保存"
mkdir -p "$saved" "$work/other"
[ -d "$settings_dir" ] || made_settings_dir=1
mkdir -p "$settings_dir"
if [ -f "$settings" ]; then
  mv "$settings" "$work/set.ini.before" || fail "cannot move $settings aside"
fi
own_settings=1
ca_windows=$(winepath -w "$ca_file" 2>/dev/null) && [ -n "$ca_windows" ] || fail "winepath failed"
saved_windows=$(winepath -w "$saved" 2>/dev/null)
printf '[平台]\r\n网页主机=localhost:%s\r\n分享主机=localhost:%s\r\n访客主机=localhost:%s\r\n证书文件=%s\r\n[保存目录]\r\n保存目录=%s\r\n' \
  "$https_port" "$https_port" "$https_port" "$ca_windows" "$saved_windows" |
  iconv -f UTF-8 -t GB18030 >"$settings" || fail "cannot write $settings"

# The post "十档画质 #测试" (short link tEnRuNg1): its name is the publish time in China time, then the
# title without the characters a file name drops.
expected=$(python3 - "$data/details/ten_rungs.json" 2>"$work/names.err" <<'EOF'
import datetime, json, sys
post = json.load(open(sys.argv[1], encoding="utf-8"))["aweme_detail"]
when = datetime.datetime.fromtimestamp(int(post["create_time"]), datetime.timezone(datetime.timedelta(hours=8)))
title = "".join(c for c in post["desc"] if c not in ' \\/|*?:,<>"\u3000' and ord(c) >= 0x20 and ord(c) != 0x7F)
print(when.strftime("%m-%d %H-%M-%S") + title + ".mp4")
EOF
) || fail "cannot read the post's data"
[ "$expected" = "01-01 08-00-00十档画质#测试.mp4" ] || fail "unexpected post data: $expected"

share="8.88 复制打开抖音，看看【测试的作品】十档画质 # 测试 http://localhost:$http_port/v.douyin.com/tEnRuNg1/ 复制此链接，打开Dou音搜索，直接观看视频！"
status=0
timeout 180 wine "$cli" --json "$share" >"$work/cli.log" 2>"$work/cli.err" || status=$?
[ "$status" = 0 ] || fail "quorvane-cli.exe exited with $status"
files=$(ls -A "$saved")
[ "$files" = "$expected" ] || fail "saved files: '$files' (expected '$expected')"
# The JSON line: where the video came from, and where the program says it put it (a Windows path).
{ read -r play_url && read -r video_file; } < <(tr -d '\r' <"$work/cli.log" |
  python3 -c 'import json, sys; line = json.loads(sys.stdin.readline()); print(line["play_url"]); print(line["video_file"])' \
    2>"$work/json.err") || fail "no JSON line on standard output"
[ "$(winepath -u "$video_file" 2>/dev/null)" -ef "$saved/$expected" ] ||
  fail "the reported file $video_file is not the saved one"
[[ $play_url == http://localhost:"$http_port"/media/* ]] || fail "play address: $play_url"
curl -sS --fail --noproxy '*' --cacert "$ca_file" -o "$work/expected.bin" "$play_url" 2>"$work/curl.err" ||
  fail "cannot fetch $play_url from the emulator"
[ -s "$work/expected.bin" ] || fail "the emulator sent no bytes"
cmp -s "$work/expected.bin" "$saved/$expected" ||
  fail "the saved bytes differ from the emulator's ($(stat -c %s "$saved/$expected") bytes, expected $(stat -c %s "$work/expected.bin"))"

# A deleted post: exit status 1, the reason in UTF-8 on standard error, nothing saved.
status=0
timeout 180 wine "$cli" --folder "$(winepath -w "$work/other" 2>/dev/null)" \
  "http://localhost:$http_port/v.douyin.com/gOnE0d73/" >"$work/gone.log" 2>"$work/gone.err" || status=$?
[ "$status" = 1 ] || fail "a deleted post: exit status $status (expected 1)"
grep -q "解析失败：作品已删除或不可见" "$work/gone.err" || fail "a deleted post: the reason did not reach the terminal"
[ -z "$(ls -A "$work/other")" ] || fail "a deleted post left files: $(ls -A "$work/other")"

# An image post whose title holds characters only GB18030 has (combining marks, Arabic and Tamil
# letters): each picture and the music keep a name of their own, with the whole title in it.
note_folder="$work/note"
mkdir -p "$note_folder"
stem=$(python3 - "$data/slides/note.json" 2>"$work/note-names.err" <<'EOF'
import json, sys
def find(node):
    if isinstance(node, dict):
        if isinstance(node.get("desc"), str):
            return node["desc"]
        node = list(node.values())
    for child in node if isinstance(node, list) else []:
        found = find(child)
        if found:
            return found
print("".join(c for c in find(json.load(open(sys.argv[1], encoding="utf-8"))) if c not in ' \\/|*?:,<>"\u3000'))
EOF
) || fail "cannot read the image post's data"
status=0
timeout 180 wine "$cli" --title-only --music --folder "$(winepath -w "$note_folder" 2>/dev/null)" \
  "http://localhost:$http_port/v.douyin.com/nOtE1m72/" >"$work/note.log" 2>"$work/note.err" || status=$?
[ "$status" = 0 ] || fail "the image post: exit status $status"
want=$(printf '%s\n' "$stem.mp3" "${stem}_1.jpg" "${stem}_2.jpg" "${stem}_3.jpg" | sort)
[ "$(ls -A "$note_folder" | sort)" = "$want" ] ||
  fail "the image post saved: $(ls -A "$note_folder" | tr '\n' '|') (expected $(tr '\n' '|' <<<"$want"))"

echo "$name: PASS ($expected, $(stat -c %s "$saved/$expected") bytes; a deleted post fails with its reason;" \
  "an image post with characters only GB18030 has keeps every file)"
