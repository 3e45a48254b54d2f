#!/usr/bin/env bash
# Cross-builds the core libraries, quorvane-cli, the desktop program and the tests for Windows
# (mingw-w64) into build-windows/, runs the tests under wine (the GUI tests on Qt's offscreen
# platform), quorvane-cli.exe against the platform emulator (tests/windows/cli_wine.sh; the emulator
# is a Linux program, built into build-windows-emulator/), then packs the portable zip and the installer
# into build-windows/packages/ and tests both under wine (tests/windows/install_wine.sh, screenshots in
# build-windows/artefacts/).
# QUORVANE_WINDOWS_SKIP_DEPS=1 uses the dependency cache as it is (no scripts/windows/build-deps.sh).
# WINEPREFIX chooses the wine prefix (default: one in the dependency cache).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUORVANE_WINDOWS_CACHE:-/var/cache/quorvane-windows}
prefix="$cache/prefix"
build="$root/build-windows"
emulator_build="$root/build-windows-emulator"
# QUORVANE_WINDOWS_GUI=OFF leaves the desktop program out (quorvane-cli and the core only).
gui=${QUORVANE_WINDOWS_GUI:-ON}

"$root/scripts/install-deps.sh" --windows
# With QUORVANE_WINDOWS_SKIP_DEPS=1 nothing is written into the cache, the header copies included.
if [ "${QUORVANE_WINDOWS_SKIP_DEPS:-0}" != 1 ]; then
  "$root/scripts/windows/build-deps.sh"
  "$root/scripts/windows/stage-headers.sh" "$prefix"
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The platform emulator runs on Linux beside wine: only its target, without the window or benchmarks.
cmake -S "$root" -B "$emulator_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_GUI=OFF \
  -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build "$emulator_build" --parallel 2 --target quorvane-emulator

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQUORVANE_WINDOWS_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DQUORVANE_BUILD_GUI="$gui" -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_TESTS=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel 2

export WINEPREFIX=${WINEPREFIX:-$cache/wine} WINEDEBUG=-all
# The first start of wine creates its prefix, which takes longer than listing a test program's tests may.
wineboot --init >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# Qt's DLLs stay in the dependency prefix and the C++ runtime DLLs they import in the toolchain; the
# programs find them through wine's search path.
runtime_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread_dir=$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
WINEPATH="$(winepath -w "$prefix/bin");$(winepath -w "$runtime_dir");$(winepath -w "$pthread_dir")"
export WINEPATH
# Wine brings no Chinese font; Windows has its own. The installed Noto CJK face stands in.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc; do
  [ -e "$fonts/$(basename "$font")" ] || ln -s "$font" "$fonts/"
done
echo "windows: not built for Windows (Linux only):"
echo "  ConfigPathsTest: XDG base directories and the password database"
echo "  quorvane-emulator: it waits for signals (the Linux program runs beside wine instead)"
status=0
# A test that fails is run once more: wine, under load, now and then ends a program before it has run
# (no output at all, in a hundredth of a second). The first failure stays in the log and in the lines
# printed here; a test that fails twice fails the run. The same tests run on Linux without a second try.
retry=(--repeat until-pass:2)
ctest --test-dir "$build" -L core -j2 --output-on-failure "${retry[@]}" >"$build/ctest-wine.log" 2>&1 || status=$?
grep -E "tests passed|tests failed|\*\*\*Failed|\*\*\*Exception|Timeout" "$build/ctest-wine.log" || true
# The GUI tests one at a time: they share the one fixed settings place of Windows.
ctest --test-dir "$build" -L gui --output-on-failure --timeout 300 "${retry[@]}" >"$build/ctest-wine-gui.log" 2>&1 ||
  status=$?
grep -E "tests passed|tests failed|\*\*\*Failed|\*\*\*Exception|Timeout" "$build/ctest-wine-gui.log" || true
echo "windows: skipped under wine (with the reason given):"
# Read from each suite's XML report: a file survives where wine, under load, sometimes loses a console
# program's output to a pipe.
for exe in "$build"/tests/*/*_tests.exe; do
  report="$build/$(basename "$exe" .exe)-wine.xml"
  rm -f "$report"
  wine "$exe" --gtest_output="xml:$(winepath -w "$report")" >/dev/null 2>&1 || true
  [ -f "$report" ] || { echo "  $(basename "$exe"): no report"; continue; }
  python3 - "$report" <<'PY'
import sys, xml.etree.ElementTree as tree
for case in tree.parse(sys.argv[1]).iter("testcase"):
    skipped = case.find("skipped")
    if skipped is not None:
        reason = (skipped.get("message") or "").splitlines()[-1:] or [""]
        print(f"  {case.get('classname')}.{case.get('name')}: {reason[0]}")
PY
done
# The GUI tests' skips, from their logs ("SKIP   : Class::function(row) reason").
for log in "$build"/tests/app/*.log "$build"/tests/chrome/*.log; do
  if [ -f "$log" ]; then
    tr -d '\r' <"$log" | sed -n 's/^SKIP   : /  /p'
  fi
done
wine "$build/src/cli/quorvane-cli.exe" --version
bash "$root/tests/windows/cli_wine.sh" "$build/src/cli/quorvane-cli.exe" \
  "$emulator_build/tests/emulator/quorvane-emulator" "$root/tests/emulator/data" || status=1

# The portable zip and the installer, from the same install rules, tested in a fresh wine prefix.
rm -rf "$build/packages"
# Stripping writes a time into each program's PE header; the last commit's time makes the zip's and the
# installer's copies, and the packs of two runs, the same bytes.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
cpack --config "$build/CPackConfig.cmake" -B "$build/packages" >"$build/cpack.log" 2>&1 ||
  { cat "$build/cpack.log"; echo "windows: packing failed"; exit 1; }
# The External generator leaves a JSON description of its run beside the installer; nobody reads it.
rm -rf "$build/packages/_CPack_Packages" "$build/packages/"*.json
ls "$build/packages"
gui_check=()
[ "$gui" = ON ] && gui_check=(--gui)
"$root/tests/windows/install_wine.sh" "$build/packages" "$build/artefacts" "${gui_check[@]}" || status=1
exit "$status"
