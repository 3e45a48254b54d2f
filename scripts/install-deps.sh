#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building, running and testing Quorvane.
# Idempotent: asks apt only when a package is missing. With --windows, also what the Windows
# cross-build needs (mingw-w64, wine, NSIS).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl1-mesa-dev
  libcurl4-openssl-dev libpcre2-dev libssl-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev nlohmann-json3-dev rapidjson-dev
  openssl curl python3 time locales
  xvfb xauth openbox trayer xclip x11-utils xdotool imagemagick
  fonts-noto-cjk fonts-noto-color-emoji libxcb1-dev
  desktop-file-utils appstream dpkg-dev file
)
if [ "${1:-}" = --windows ]; then
  # tcl: SQLite's build makes its single source file with tclsh.
  packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 nsis zip unzip tcl)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
