#!/usr/bin/env bash
# Installs what is missing, builds Quorvane and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BUILD_GUI=ON >/dev/null
cmake --build "$root/build" --parallel "$(nproc)" --target quorvane quorvane-cli
app="$root/build/src/app/quorvane"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is empty). Start it from a desktop session: $app" >&2
  echo "The command-line front end works anywhere: $root/build/src/cli/quorvane-cli --help" >&2
  exit 1
fi
exec "$app"
