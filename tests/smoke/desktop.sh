# Shared pieces of the tests under a real X display; sourced, not run. Expects $work (a private folder)
# and an array pids=() of background processes for the caller's clean-up.

# Ends the test as skipped (77) when one of the tools named is not installed.
need_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
}

# The end of a test run: ends the programs given as arguments, then the background processes in pids
# (newest first), shows the tail of every log when the run failed ($status), and removes $work.
finish_run() {
  local status=$1 pid i log
  shift
  for pid in "$@"; do
    kill "$pid" 2>/dev/null || true
  done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  if [ "$status" -ne 0 ]; then
    for log in "$work"/*.log "$work"/*.err; do
      [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
  fi
  rm -rf "$work"
}

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# Clicks at a screen position (a plain move and a short pause: --sync would wait for a motion that never
# comes when the pointer is there already).
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool click 1
}

# A display number nobody uses: no lock file, no socket file, no abstract socket.
display_free() {
  [ ! -e "/tmp/.X$1-lock" ] && [ ! -e "/tmp/.X11-unix/X$1" ] &&
    ! { command -v ss >/dev/null && ss -xl 2>/dev/null | grep -q "/tmp/.X11-unix/X$1 "; }
}

# Xvfb with openbox and trayer on a free display; sets DISPLAY and appends to pids. Tries three numbers.
start_desktop() {
  local n attempt desktop
  for attempt in 1 2 3; do
    for _ in $(seq 20); do
      n=$((200 + RANDOM % 700))
      display_free "$n" && break
    done
    desktop=()
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    desktop=($!)
    export DISPLAY=":$n"
    if wait_for 10 xdpyinfo && kill -0 "${desktop[0]}" 2>/dev/null; then
      openbox >"$work/openbox.log" 2>&1 &
      desktop+=($!)
      trayer --edge bottom --align right --widthtype pixel --width 160 --height 28 --SetDockType true \
        --transparent false >"$work/trayer.log" 2>&1 &
      desktop+=($!)
      if wait_for 10 xdotool search --class trayer && sleep 0.3 && kill -0 "${desktop[1]}" 2>/dev/null; then
        pids+=("${desktop[@]}")
        return 0
      fi
    fi
    echo "display $DISPLAY did not come up (attempt $attempt)"
    kill "${desktop[@]}" 2>/dev/null || true
    wait "${desktop[@]}" 2>/dev/null || true
  done
  return 1
}

# Starts the platform emulator ($1 program, $2 data, further arguments passed on); sets http_port,
# https_port and ca_file.
start_emulator() {
  local program=$1 data=$2 out="$work/emulator.out"
  shift 2
  "$program" --data "$data" --cert-dir "$work/certs" "$@" >"$out" 2>"$work/emulator.err" &
  pids+=($!)
  wait_for 20 grep -q '^http=' "$out" || return 1
  local http_field https_field ca_field
  read -r http_field https_field ca_field <"$out"
  http_port=${http_field#http=}
  https_port=${https_field#https=}
  ca_file=${ca_field#ca=}
}

# Writes a settings file (GB18030) pointing every platform host at the emulator, with clipboard watching and automatic
# download on, saving into $2. $1 is the configuration folder.
write_settings() {
  mkdir -p "$1/quibexlar"
  printf '[平台]\n网页主机=127.0.0.1:%s\n分享主机=127.0.0.1:%s\n访客主机=127.0.0.1:%s\n证书文件=%s\n[剪切板]\n开启=开\n[自动下载]\n开启=开\n[保存目录]\n保存目录=%s\n' \
    "$https_port" "$https_port" "$https_port" "$ca_file" "$2" | iconv -f UTF-8 -t GB18030 >"$1/quibexlar/set.ini"
}
