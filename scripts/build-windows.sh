#!/usr/bin/env bash
# Cross-builds the core libraries, quorvane-cli and the core tests for Windows (mingw-w64) into
# build-windows/, runs the tests under wine, then quorvane-cli.exe against the platform emulator
# (tests/windows/cli_wine.sh; the emulator is a Linux program, built into build-windows-emulator/).
# QUORVANE_WINDOWS_SKIP_DEPS=1 uses the dependency cache as it is (no scripts/windows/build-deps.sh).
# WINEPREFIX chooses the wine prefix (default: one in the dependency cache).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUORVANE_WINDOWS_CACHE:-/var/cache/quorvane-windows}
prefix="$cache/prefix"
build="$root/build-windows"
emulator_build="$root/build-windows-emulator"

if [ "${QUORVANE_WINDOWS_SKIP_DEPS:-0}" != 1 ]; then
  "$root/scripts/windows/build-deps.sh"
fi
"$root/scripts/windows/stage-headers.sh" "$prefix"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The platform emulator runs on Linux beside wine: only its target, without the window or benchmarks.
cmake -S "$root" -B "$emulator_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_GUI=OFF \
  -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build "$emulator_build" --parallel 2 --target quorvane-emulator

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQUORVANE_WINDOWS_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DQUORVANE_BUILD_GUI=OFF -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel 2

export WINEPREFIX=${WINEPREFIX:-$cache/wine} WINEDEBUG=-all
# The first start of wine creates its prefix, which takes longer than listing a test program's tests may.
wineboot --init >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
echo "windows: not built for Windows (Linux only):"
echo "  net_tests, download_tests, pipeline_tests, cli_input_test: the loopback test server is built on OpenSSL"
echo "  ConfigPathsTest: XDG base directories and the password database"
status=0
ctest --test-dir "$build" -L core -j2 --output-on-failure >"$build/ctest-wine.log" 2>&1 || status=$?
grep -E "tests passed|tests failed|\*\*\*Failed|\*\*\*Exception|Timeout" "$build/ctest-wine.log" || true
echo "windows: skipped under wine (with the reason given):"
for exe in "$build"/tests/*/*_tests.exe; do
  wine "$exe" 2>/dev/null | tr -d '\r' | awk '
    /^\[ RUN/ { name = $4 }
    /^\[  SKIPPED \] .*\(/ { sub(/^[^:]*: /, "", reason); print "  " name ": " reason }
    { reason = $0 }' || true
done
wine "$build/src/cli/quorvane-cli.exe" --version
bash "$root/tests/windows/cli_wine.sh" "$build/src/cli/quorvane-cli.exe" \
  "$emulator_build/tests/emulator/quorvane-emulator" "$root/tests/emulator/data" || status=1
exit "$status"
