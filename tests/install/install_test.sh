#!/usr/bin/env bash
# Installation test: what `cmake --install` lays down and the Debian package made by CPack.
#
#  1. Installs into a temporary prefix (and once more with DESTDIR under prefix /usr) and compares the
#     file list; validates the desktop entry and the AppStream file, checks the licence (MIT) in the
#     AppStream file and the Debian copyright file; runs the installed programs.
#  2. Builds the .deb, checks its name, its Depends line (Qt 6, libcurl, PCRE2) and its contents, installs
#     it with apt-get on this machine, checks the installed files and programs, and purges it again. The
#     package is removed on every way out of this script, also after a failure.
#
# Usage: install_test.sh BUILD_DIR
# Exits 77 (skipped) when a needed tool is missing. The apt part needs root (or sudo without a password);
# without it, or when a package "quorvane" is installed already (it is left alone), that part is skipped
# with a message and the rest still runs.
set -euo pipefail

build=$(cd "$1" && pwd)
cmake=${CMAKE_COMMAND:-cmake}
cpack=${CPACK_COMMAND:-cpack}

for tool in "$cmake" "$cpack" desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || version=$(sed -n 's/^Quorvane_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=io.github.quorvane.Quorvane
work=$(mktemp -d /tmp/quorvane-install.XXXXXX)
installed_package=""
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo -n"

cleanup() {
  local status=$?
  if [ -n "$installed_package" ]; then
    echo "purging the test installation of $installed_package"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 purge -y -qq "$installed_package" \
      >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; status=1; }
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*"
  exit 1
}

# The files every installation holds, relative to the prefix.
expected_files() {
  local zsh_dir=$1
  printf '%s\n' \
    bin/quorvane \
    bin/quorvane-cli \
    "share/applications/$app_id.desktop" \
    "share/metainfo/$app_id.metainfo.xml" \
    share/man/man1/quorvane-cli.1.gz \
    share/bash-completion/completions/quorvane-cli \
    "share/zsh/$zsh_dir/_quorvane-cli" \
    "share/icons/hicolor/scalable/apps/$app_id.svg" \
    share/doc/quorvane/copyright
  for size in 16 22 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  done
}

# Compares the files under $1 (a prefix) with the expected list; $2 names the zsh folder.
check_file_list() {
  local prefix=$1 zsh_dir=$2
  (cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/actual.txt"
  expected_files "$zsh_dir" | sort >"$work/expected.txt"
  diff -u "$work/expected.txt" "$work/actual.txt" || fail "installed files differ from the expected list under $prefix"
}

# Validates the data files and runs the programs of an installation under prefix $1.
check_installation() {
  local prefix=$1
  desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop entry not valid"
  appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "AppStream file not valid"
  grep -qx "Exec=quorvane %U" "$prefix/share/applications/$app_id.desktop" || fail "Exec line"
  grep -qx "StartupWMClass=quorvane" "$prefix/share/applications/$app_id.desktop" || fail "StartupWMClass"
  for size in 16 32 256; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png" | grep -q "PNG image data, $size x $size" ||
      fail "icon at $size pixels"
  done
  gzip -t "$prefix/share/man/man1/quorvane-cli.1.gz" || fail "manual page"
  grep -qx "<project_license>MIT</project_license>" <(sed 's/^ *//' "$prefix/share/metainfo/$app_id.metainfo.xml") ||
    fail "AppStream file names no MIT licence"
  local copyright="$prefix/share/doc/quorvane/copyright"
  grep -qx "License: MIT" "$copyright" && grep -qx "Copyright: 2026 The Quorvane developers" "$copyright" &&
    grep -qx " THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR" "$copyright" ||
    fail "copyright file does not state the MIT licence"
  bash -n "$prefix/share/bash-completion/completions/quorvane-cli" || fail "bash completion"

  # Installed programs must not reach back into the build folder.
  for program in quorvane quorvane-cli; do
    if readelf -d "$prefix/bin/$program" | grep -E 'RPATH|RUNPATH' | grep -q "$build"; then
      fail "$program keeps a run path into the build folder"
    fi
  done

  local out
  out=$("$prefix/bin/quorvane-cli" --version) || fail "quorvane-cli --version failed"
  [ "$out" = "quorvane-cli $version" ] || fail "quorvane-cli --version printed: $out"
  out=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/quorvane" --version) || fail "quorvane --version failed"
  [ "$out" = "quorvane $version" ] || fail "quorvane --version printed: $out"
}

# --- 1. cmake --install into a temporary prefix, and with DESTDIR under /usr
"$cmake" --install "$build" --prefix "$work/prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
check_file_list "$work/prefix" site-functions
check_installation "$work/prefix"
DESTDIR="$work/destdir" "$cmake" --install "$build" --prefix /usr >"$work/install2.log" ||
  { cat "$work/install2.log"; fail "cmake --install with DESTDIR"; }
check_file_list "$work/destdir/usr" vendor-completions
echo "cmake --install: $(expected_files site-functions | wc -l) files, valid desktop entry and AppStream data"

# --- 2. the Debian package
(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; }
arch=$(dpkg --print-architecture)
deb="$work/deb/quorvane_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/deb")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libcurl4 libpcre2-8-0; do
  pattern="(^|[ ,])$library([ ,(]|\$)"
  [[ $depends =~ $pattern ]] || fail "Depends lacks $library"
done
[ "$(dpkg-deb -f "$deb" Package)" = quorvane ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
mkdir -p "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
check_file_list "$work/unpacked/usr" vendor-completions

if dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "install ok installed"; then
  echo "SKIP (apt part): a package quorvane is installed on this machine already; it is left alone"
  exit 0
fi
if [ -n "$sudo" ] && ! sudo -n true 2>/dev/null; then
  echo "SKIP (apt part): installing with apt-get needs root"
  exit 0
fi
installed_package=quorvane # from here on the trap purges it
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends \
  "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install $(basename "$deb")"; }
dpkg-query -W -f='${Status}' quorvane | grep -q "install ok installed" || fail "not installed after apt-get"
dpkg -L quorvane >"$work/listed.txt"
for file in $(expected_files vendor-completions); do
  grep -qx "/usr/$file" "$work/listed.txt" || fail "package does not list /usr/$file"
  [ -e "/usr/$file" ] || fail "/usr/$file missing after installing"
done
check_installation /usr

DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 purge -y -qq quorvane >"$work/purge.log" 2>&1 ||
  { cat "$work/purge.log"; fail "apt-get purge"; }
installed_package=""
dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "install ok installed" && fail "still installed after purge"
for file in $(expected_files vendor-completions); do
  [ ! -e "/usr/$file" ] || fail "/usr/$file left behind after purge"
done
echo "Debian package: $(basename "$deb") installed with apt-get and purged again"
echo "PASS"
