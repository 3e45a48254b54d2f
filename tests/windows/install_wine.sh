#!/usr/bin/env bash
# The Windows packages under wine, in a fresh wine prefix on a private X display:
#  - the zip unpacks into one folder; every DLL that a program or plugin in it imports is either in the
#    package or one of Windows' own (wine's system32); quorvane-cli.exe --version answers;
#  - the installer asks for no administrator rights; a silent install (/S) lays down the zip's files
#    byte for byte plus the uninstaller, the Start-menu shortcut and the HKCU uninstall entry; the desktop
#    program started through that shortcut opens its window (screenshots kept as artefacts);
#  - the silent uninstall removes the folder, the shortcuts (also the program's start-at-log-in one) and
#    the entry.
#
# Usage: install_wine.sh PACKAGE_DIR ARTEFACT_DIR [--gui]
# --gui: the packages must hold the desktop program (without it, a build without it is expected and the
# window part is left out). Prints one PASS or FAIL line; exits non-zero on failure.
set -euo pipefail

packages=$(cd "$1" && pwd)
mkdir -p "$2"
artefacts=$(cd "$2" && pwd)
gui=0
[ "${3:-}" = --gui ] && gui=1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../smoke/desktop.sh
source "$here/../smoke/desktop.sh"

step="looking for the tools"
reason=""
work=""
# shellcheck disable=SC2034 # the background processes that finish_run (desktop.sh) ends
pids=()

cleanup() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
    import -window root "$artefacts/windows-install-failure.png" 2>/dev/null || true
  fi
  # Every wine process of the private prefix, before its folder goes.
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
  fi
  [ -n "$work" ] && finish_run "$status"
  if [ "$status" -eq 0 ]; then
    echo "windows packages: PASS (zip and installer under wine${gui_note:-})"
  else
    echo "windows packages: FAIL: ${reason:-unexpected error while $step}"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  reason="$*"
  exit 1
}

for tool in wine wineboot wineserver winepath x86_64-w64-mingw32-objdump unzip Xvfb xdpyinfo openbox trayer \
  xdotool xwininfo import; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/build-windows.sh installs it)"
done
zip=$(compgen -G "$packages/quorvane-*-windows-x64.zip" | head -n 1) || fail "no zip in $packages"
name=$(basename "$zip" .zip)
setup="$packages/$name-setup.exe"
[ -f "$setup" ] || fail "no installer $name-setup.exe in $packages"
version=${name#quorvane-}
version=${version%-windows-x64}

rm -f "$artefacts"/windows-install*.png
work=$(mktemp -d /tmp/quorvane-winpack.XXXXXX)
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# wine hands the environment on to the programs: a search path to Qt's build folder or Qt's own
# variables would hide a DLL or plugin missing from the package.
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH

step="starting the X display"
start_desktop || fail "the X display did not come up"
step="making the wine prefix"
timeout 300 wineboot --init >"$work/wineboot.log" 2>&1 || fail "wineboot failed in a fresh prefix"
timeout 120 wineserver -w || true

win_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# The user's folders as Windows names them to programs (and the installer).
shell_folder() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' /v "$1" 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}
system32="$WINEPREFIX/drive_c/windows/system32"
[ -d "$system32" ] || fail "the wine prefix has no system32 folder"

# --- the zip
step="checking the zip"
unzip -q "$zip" -d "$work/zip"
top="$work/zip/$name"
[ -d "$top" ] || fail "the zip does not unpack into a folder $name"
[ "$(find "$work/zip" -mindepth 1 -maxdepth 1 | wc -l)" -eq 1 ] || fail "the zip holds more than its one folder"
expected=(README.txt quorvane-cli.exe)
((gui)) && expected+=(quorvane.exe platforms/qwindows.dll imageformats/qjpeg.dll Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll)
for file in "${expected[@]}"; do
  [ -f "$top/$file" ] || fail "the zip lacks $file"
done
((gui)) || [ ! -e "$top/quorvane.exe" ] || fail "quorvane.exe is packed though --gui was not given"

# Every import resolves inside the package (programs and plugins look beside the program), to a DLL
# Windows brings along, or to an API set (api-ms-win-*, ext-ms-*: names the loader maps, never files).
# Names compare without regard to case, as Windows does.
find "$top" -maxdepth 1 -type f -printf '%f\n' | tr '[:upper:]' '[:lower:]' >"$work/packaged.txt"
find "$system32" -maxdepth 1 -type f -printf '%f\n' | tr '[:upper:]' '[:lower:]' >"$work/system.txt"
while IFS= read -r -d '' binary; do
  imports=$(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
  [ -n "$imports" ] || fail "no import table read from ${binary#"$top"/}"
  while read -r dll; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    [[ $lower == api-ms-win-* || $lower == ext-ms-* ]] && continue
    grep -qxF "$lower" "$work/packaged.txt" || grep -qxF "$lower" "$work/system.txt" ||
      fail "${binary#"$top"/} imports $dll, which is neither in the package nor part of Windows"
  done <<<"$imports"
done < <(find "$top" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)

answer=$(cd "$top" && timeout 120 wine ./quorvane-cli.exe --version 2>"$work/cli.err" | tr -d '\r') ||
  fail "quorvane-cli.exe --version from the zip failed"
[ "$answer" = "quorvane-cli $version" ] || fail "quorvane-cli.exe --version printed '$answer', not 'quorvane-cli $version'"

# --- the installer
step="installing"
grep -aq 'level="asInvoker"' "$setup" || fail "the installer's manifest does not run it as the invoking user"
timeout 300 wine "$setup" /S >"$work/setup.log" 2>&1 || fail "the silent installation failed"
timeout 120 wineserver -w || true
instdir=$(unix_path "$(win_env LOCALAPPDATA)\\Programs\\Quorvane")
programs=$(unix_path "$(shell_folder Programs)")
startup=$(unix_path "$(shell_folder StartUp)")
{ [ -d "$programs" ] && [ -d "$startup" ]; } || fail "wine names no Start-menu or StartUp folder"
[ -d "$instdir" ] || fail "nothing installed in %LOCALAPPDATA%\\Programs\\Quorvane"
[ -f "$instdir/uninstall.exe" ] || fail "no uninstall.exe in the installation"
diff -r -x uninstall.exe "$top" "$instdir" >"$work/diff.log" 2>&1 ||
  fail "the installed files differ from the zip's: $(head -n 3 "$work/diff.log" | tr '\n' ' ')"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvane'
entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r') || fail "no uninstall entry under $key"
grep -q 'UninstallString.*uninstall\.exe' <<<"$entry" || fail "the uninstall entry has no UninstallString"
grep -q "DisplayVersion.*REG_SZ.*$version" <<<"$entry" || fail "the uninstall entry does not name version $version"
if ((gui)); then
  [ -f "$programs/Quorvane.lnk" ] || fail "no Start-menu shortcut Quorvane.lnk"

  # --- the installed desktop program, started the way a user starts it
  step="starting the installed program"
  wine start /unix "$programs/Quorvane.lnk" >"$work/quorvane.log" 2>&1 ||
    fail "the Start-menu shortcut does not start"
  wait_for 120 xdotool search --onlyvisible --name '^Quorvane' || fail "no Quorvane window appeared within 120 s"
  wid=$(xdotool search --onlyvisible --name '^Quorvane' | head -n 1)
  xwininfo -id "$wid" >"$work/window.log"
  sleep 2 # let the window finish painting
  import -window root "$artefacts/windows-installed-desktop.png"
  # Cut from the screen: the frameless, translucent window reads back empty by its own id.
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$artefacts/windows-installed-window.png"
  step="stopping the installed program"
  wineserver -k 2>/dev/null || true
  timeout 60 wineserver -w || true
  gui_note=", desktop program window shown"
else
  [ ! -e "$programs/Quorvane.lnk" ] || fail "a Start-menu shortcut exists without the desktop program"
  gui_note=", without the desktop program"
fi

# --- the uninstaller (it copies itself to the temporary folder and runs from there)
step="uninstalling"
# A start-at-log-in shortcut as the program makes it; it must not outlive the program.
printf 'stands in for the shortcut\n' >"$startup/quorvane.exe.lnk"
timeout 300 wine "$instdir/uninstall.exe" /S >"$work/uninstall.log" 2>&1 || fail "the silent uninstall failed"
timeout 120 wineserver -w || true
[ ! -e "$instdir" ] || fail "the uninstall left $(find "$instdir" | sed "s|^$instdir|Quorvane|" | tr '\n' ' ')"
[ ! -e "$programs/Quorvane.lnk" ] || fail "the uninstall left the Start-menu shortcut"
[ ! -e "$startup/quorvane.exe.lnk" ] || fail "the uninstall left the start-at-log-in shortcut"
if wine reg query "$key" >/dev/null 2>&1; then
  fail "the uninstall left $key"
fi
