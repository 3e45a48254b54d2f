#!/usr/bin/env bash
# Download benchmark on loopback: nginx over HTTPS (a throw-away CA made here with openssl) serves one
# file; our downloader (download_driver, 8 connections) fetches it beside `curl` and
# `aria2c -x8 -s8 -k1M`, unthrottled and with nginx's `limit_rate 25m` per connection, in alternating
# rounds (curl also once more with its file flushed afterwards, as ours is before its rename). Prints
# MB/s and the ratios against the references (median of the rounds), then the peak
# resident memory of a 1 GiB download over 8 connections.
#
#     bench/net/download_bench.sh [BUILD_DIR] [ROUNDS] [SIZE_MIB]
#
# Needs nginx, curl, aria2c and openssl (apt-get install nginx-light aria2 curl openssl).
set -euo pipefail

build=${1:-build}
rounds=${2:-3}
size_mib=${3:-256}
driver=$build/bench/net/download_driver
[[ -x $driver ]] || { echo "no $driver: build the target download_driver first" >&2; exit 1; }
for tool in nginx curl aria2c openssl; do
    command -v "$tool" > /dev/null || { echo "missing $tool (apt-get install nginx-light aria2 curl openssl)" >&2; exit 1; }
done

work=$(mktemp -d /var/tmp/quorvane-dlbench-XXXXXX)
chmod 755 "$work" # nginx workers run as an unprivileged user
nginx_pid=
cleanup() {
    [[ -n $nginx_pid ]] && kill "$nginx_pid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Throw-away CA and a server certificate for 127.0.0.1.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=bench-ca -keyout "$work/ca.key" \
    -out "$work/ca.pem" 2> /dev/null
openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout "$work/server.key" -out "$work/server.csr" \
    2> /dev/null
printf 'subjectAltName=IP:127.0.0.1\n' > "$work/san.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial -days 2 \
    -extfile "$work/san.ext" -out "$work/server.pem" 2> /dev/null

mkdir -p "$work/www" "$work/out" "$work/logs"
head -c $((size_mib * 1024 * 1024)) /dev/urandom > "$work/www/video.mp4"
truncate -s 1G "$work/www/big.mp4"
chmod -R a+rX "$work/www"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat > "$work/nginx.conf" << CONF
worker_processes 2;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 256; }
http {
    access_log off;
    sendfile on;
    keepalive_requests 1000;
    types { video/mp4 mp4; }
    server {
        listen 127.0.0.1:$port ssl;
        ssl_certificate $work/server.pem;
        ssl_certificate_key $work/server.key;
        root $work/www;
        location /slow/ { alias $work/www/; limit_rate 25m; }
    }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 50); do
    curl -sf --cacert "$work/ca.pem" -o /dev/null -r 0-0 "https://127.0.0.1:$port/video.mp4" && break
    sleep 0.1
done

bytes=$((size_mib * 1024 * 1024))
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
# Each prints the wall seconds of one download of $1 (a URL); ours with at most $2 connections, noting
# in conns$2 how many it opened.
run_curl() {
    local t0; t0=$(now)
    curl -sf --cacert "$work/ca.pem" -o "$work/out/curl.mp4" "$1"
    calc "$(now) - $t0"; echo
    rm -f "$work/out/curl.mp4"
}
# The same with its file's data flushed to disk afterwards, as ours flushes before the rename that makes a
# download complete (so that a power cut never leaves a damaged file under the final name).
run_curl_flushed() {
    local t0; t0=$(now)
    curl -sf --cacert "$work/ca.pem" -o "$work/out/curl.mp4" "$1" && sync -d "$work/out/curl.mp4"
    calc "$(now) - $t0"; echo
    rm -f "$work/out/curl.mp4"
}
run_aria() {
    local t0; t0=$(now)
    aria2c -q -x8 -s8 -k1M --ca-certificate="$work/ca.pem" -d "$work/out" -o aria.mp4 --allow-overwrite=true \
        --auto-file-renaming=false "$1"
    calc "$(now) - $t0"; echo
    rm -f "$work/out/aria.mp4" "$work/out/aria.mp4.aria2"
}
run_ours() {
    local t0; t0=$(now)
    "$driver" "$1" "$work/out/ours.mp4" "${2:-8}" "$work/ca.pem" | sed 's/.*connections=//' >> "$work/conns$2"
    calc "$(now) - $t0"; echo
    cmp -s "$work/out/ours.mp4" "$work/www/video.mp4" || { echo "download differs" >&2; exit 1; }
    rm -f "$work/out/ours.mp4"
}
# The median over rounds of one tool's time over another's in the same round: neighbouring runs share the
# machine's state of the moment, so this follows a slow drift of the machine less than a ratio of medians.
paired() { paste "$1" "$2" | awk '{ print $1 / $2 }' | median; }
median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
mbps() { calc "$bytes / 1000000 / $1"; }

# MODES="throttled" (say) runs one of the two.
for mode in ${MODES:-unthrottled throttled}; do
    url=https://127.0.0.1:$port/video.mp4
    [[ $mode == throttled ]] && url=https://127.0.0.1:$port/slow/video.mp4
    : > "$work/curl.t"; : > "$work/curlf.t"; : > "$work/aria.t"; : > "$work/ours.t"; : > "$work/ours1.t"; : > "$work/conns8"; : > "$work/conns1"
    for _ in $(seq "$rounds"); do
        run_curl "$url" >> "$work/curl.t"
        run_curl_flushed "$url" >> "$work/curlf.t"
        run_aria "$url" >> "$work/aria.t"
        run_ours "$url" 8 >> "$work/ours.t"
        run_ours "$url" 1 >> "$work/ours1.t"
    done
    c=$(median < "$work/curl.t"); a=$(median < "$work/aria.t"); o=$(median < "$work/ours.t")
    cf=$(median < "$work/curlf.t")
    o1=$(median < "$work/ours1.t")
    echo "$mode ($size_mib MiB, $rounds rounds, medians; load average $(cut -d' ' -f1-3 /proc/loadavg)):"
    echo "  curl            $(mbps "$c") MB/s"
    echo "  curl + flush    $(mbps "$cf") MB/s"
    echo "  aria2c -x8      $(mbps "$a") MB/s"
    echo "  ours, up to 8   $(mbps "$o") MB/s   ratio to curl $(calc "$c / $o")x   to aria2c $(calc "$a / $o")x" \
        "  (connections at most: $(tr '\n' ' ' < "$work/conns8"))"
    echo "  ours, 1 conn    $(mbps "$o1") MB/s   ratio to curl $(calc "$c / $o1")x"
    echo "  ours against curl + flush: $(calc "$cf / $o")x (up to 8), $(calc "$cf / $o1")x (1 conn)"
    echo "  paired by round (median of each round's ratio): up to 8 to curl $(calc "$(paired "$work/curl.t" "$work/ours.t")")x," \
        "to aria2c $(calc "$(paired "$work/aria.t" "$work/ours.t")")x; 1 conn to curl $(calc "$(paired "$work/curl.t" "$work/ours1.t")")x"
done

# Memory: a 1 GiB download over 8 connections against a 16 MiB one; resident memory must stay flat.
head -c $((16 * 1024 * 1024)) /dev/zero > "$work/www/small.mp4"
small=$("$driver" "https://127.0.0.1:$port/small.mp4" "$work/out/small.mp4" 8 "$work/ca.pem" | sed 's/.*maxrss_kib=\([0-9]*\).*/\1/')
big=$("$driver" "https://127.0.0.1:$port/big.mp4" "$work/out/big.mp4" 8 "$work/ca.pem" | sed 's/.*maxrss_kib=\([0-9]*\).*/\1/')
rm -f "$work/out/"*
echo "memory: 1 GiB download peak $((big / 1024)) MiB resident (aim below 32 MiB); 16 MiB download" \
    "$((small / 1024)) MiB; ratio $(calc "$big / $small")x"
