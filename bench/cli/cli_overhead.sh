#!/usr/bin/env bash
# Overhead of quorvane-cli over the bare requests of one parse: `quorvane-cli --no-download LINK` against
# one curl process making the same short-link request and the same detail request, both against the
# platform emulator on loopback. Prints the median wall time and the peak memory of each and the
# difference and ratio (aims: at most 20 ms and 15 MiB over curl).
#   bench/cli/cli_overhead.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
runs=${2:-30}
cli=$build/src/cli/quorvane-cli
emulator_bin=$build/tests/emulator/quorvane-emulator
for program in "$cli" "$emulator_bin"; do
  [ -x "$program" ] || { echo "missing $program: build first" >&2; exit 1; }
done

work=$(mktemp -d)
emulator_pid=""
cleanup() {
  [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null && wait "$emulator_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$emulator_bin" --data "$root/tests/emulator/data" --cert-dir "$work" >"$work/emulator.out" &
emulator_pid=$!
for _ in $(seq 100); do
  grep -q '^http=' "$work/emulator.out" 2>/dev/null && break
  sleep 0.05
done
read -r http_field https_field _ <"$work/emulator.out"
http=${http_field#http=}
https=${https_field#https=}
ca=$work/ca.pem

# The CLI reads the emulator's hosts from its settings file.
mkdir -p "$work/config/quibexlar"
printf '[平台]\n网页主机=127.0.0.1:%s\n分享主机=127.0.0.1:%s\n证书文件=%s\n' "$https" "$https" "$ca" |
  iconv -f UTF-8 -t GB18030 >"$work/config/quibexlar/set.ini"

link="http://127.0.0.1:$http/v.douyin.com/iRNBho6u/"
detail="https://127.0.0.1:$https/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456"
agent="Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 Safari/537.36"

# One run of each: "microseconds kilobytes" (wall time from bash's clock, peak memory from GNU time).
timed() {
  local start=${EPOCHREALTIME/./}
  /usr/bin/time -f '%M' -o "$work/t" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  local end=${EPOCHREALTIME/./}
  echo "$((end - start)) $(cat "$work/t")"
}
run_cli() {
  XDG_CONFIG_HOME=$work/config timed "$cli" --no-download "$link"
}
run_curl() {
  timed curl -sS -A "$agent" -o /dev/null "$link" --next -sS -A "$agent" --cacert "$ca" -o /dev/null "$detail"
}

# Warm both once, then alternate so that both see the same machine load.
run_cli >/dev/null
run_curl >/dev/null
: >"$work/cli.times"
: >"$work/curl.times"
for _ in $(seq "$runs"); do
  run_cli >>"$work/cli.times"
  run_curl >>"$work/curl.times"
done

python3 - "$work/cli.times" "$work/curl.times" "$runs" <<'PY'
import statistics, sys
def load(path):
    rows = [line.split() for line in open(path) if line.strip()]
    return [int(r[0]) / 1000 for r in rows], [int(r[1]) / 1024 for r in rows]
cli_ms, cli_mib = load(sys.argv[1])
curl_ms, curl_mib = load(sys.argv[2])
t_cli, t_curl = statistics.median(cli_ms), statistics.median(curl_ms)
m_cli, m_curl = max(cli_mib), max(curl_mib)
print(f"one parse, median of {sys.argv[3]} runs (short link + detail request, loopback emulator):")
print(f"  curl (one process)        {t_curl:7.1f} ms  {m_curl:6.1f} MiB peak")
print(f"  quorvane-cli --no-download {t_cli:6.1f} ms  {m_cli:6.1f} MiB peak")
print(f"  overhead {t_cli - t_curl:+.1f} ms (aim <= 20), ratio {t_cli / t_curl if t_curl else float('inf'):.2f}; "
      f"memory {m_cli - m_curl:+.1f} MiB (aim <= 15), ratio {m_cli / m_curl:.2f}")
PY
