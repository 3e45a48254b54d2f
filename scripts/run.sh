#!/usr/bin/env bash
# Installs what is missing, builds Quorvane and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_TESTS=OFF \
  -DQUORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
app="$root/build/src/app/quorvane"
if [ ! -x "$app" ]; then
  echo "The desktop program is not built yet; the command-line front end is: $root/build/src/pipeline/quorvane-cli --help"
  exit 0
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is empty). Start it from a desktop session: $app" >&2
  exit 1
fi
exec "$app"
