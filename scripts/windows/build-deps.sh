#!/usr/bin/env bash
# Builds the Windows (mingw-w64) dependencies from Debian's own source packages into a cache folder
# outside the tree: PCRE2, SQLite and libcurl (static, Schannel), GoogleTest, and Qt 6 qtbase (shared). OpenSSL
# and cpp-httplib are for the loopback test servers only: the programs themselves use Schannel.
# Each one is rebuilt only when its recipe below changes (a hash of the recipe is stored beside it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${QUORVANE_WINDOWS_CACHE:-/var/cache/quorvane-windows}
prefix="$cache/prefix"
jobs=$(nproc)
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
mkdir -p "$cache/src" "$cache/build" "$prefix"

# Debian's source packages need deb-src entries.
if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    > /etc/apt/sources.list.d/quorvane-deb-src.sources
  apt-get update -qq
fi

fetch_source() { # package folder-glob
  cd "$cache/src"
  compgen -G "$2" >/dev/null || apt-get source -qq "$1" >/dev/null 2>&1 || true
  # A security update's source may be listed before the mirror carries it: the other listed versions.
  local version
  for version in $(apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p'); do
    compgen -G "$2" >/dev/null && break
    apt-get source -qq "$1=$version" >/dev/null 2>&1 || true
  done
  compgen -G "$2" | head -n 1
}

# build NAME RECIPE-FUNCTION: runs the recipe unless its stamp holds the recipe's current hash.
build() {
  local name=$1 recipe=$2
  local hash
  hash=$(declare -f "$recipe" | cat - "$toolchain" | sha256sum | cut -c1-16)
  if [ "$(cat "$cache/$name.stamp" 2>/dev/null)" = "$hash" ]; then
    echo "windows deps: $name up to date"
    return
  fi
  echo "windows deps: building $name"
  # An earlier, interrupted build folder is kept: CMake configures it again with the recipe's options and
  # the build goes on from where it stopped (Qt alone is over a thousand steps).
  mkdir -p "$cache/build/$name"
  # errexit is ignored inside a command tested with || or if, so the recipe runs in a subshell that
  # sets it again and its status is read afterwards: a failed build step must not go on to install.
  local status=0
  set +e
  (set -e; cd "$cache/build/$name"; "$recipe") >"$cache/$name.log" 2>&1
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$cache/$name.log"
    echo "windows deps: $name failed (log: $cache/$name.log)"
    return 1
  fi
  echo "$hash" >"$cache/$name.stamp"
}

recipe_pcre2() {
  local src
  src="$cache/src/$(fetch_source pcre2 'pcre2-10*')"
  cmake -S "$src" -B . -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=ON \
    -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF -DPCRE2_BUILD_PCRE2GREP=OFF \
    -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_JIT=OFF
  cmake --build . --parallel "$jobs"
  cmake --install .
  # Consumers of the static library must see PCRE2_STATIC, which the pkg-config file leaves out.
  sed -i 's/^Cflags: \(.*\)$/Cflags: \1 -DPCRE2_STATIC/' "$prefix/lib/pkgconfig/libpcre2-8.pc"
}

recipe_curl() {
  local src
  src="$cache/src/$(fetch_source curl 'curl-7*')"
  cmake -S "$src" -B . -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF -DCURL_USE_LIBSSH2=OFF \
    -DCURL_USE_LIBPSL=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
    -DENABLE_UNICODE=OFF -DCURL_DISABLE_LDAP=ON -DHTTP_ONLY=ON
  cmake --build . --parallel "$jobs"
  cmake --install .
}

recipe_googletest() {
  local src
  src="$cache/src/$(fetch_source googletest 'googletest-1*')"
  cmake -S "$src" -B . -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF
  cmake --build . --parallel "$jobs"
  cmake --install .
}

recipe_qtbase() {
  local src
  src="$cache/src/$(fetch_source qt6-base 'qt6-base-6*')"
  # The host tools (moc, uic, rcc) of the same version come from Debian's qt6-base-dev-tools.
  cmake -S "$src" -B . -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DBUILD_SHARED_LIBS=ON -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dbus=OFF -DFEATURE_icu=OFF \
    -DFEATURE_network=ON -DFEATURE_openssl=OFF -DFEATURE_libproxy=OFF -DFEATURE_gssapi=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_zstd=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_jpeg=OFF
  cmake --build . --parallel "$jobs"
  cmake --install .
}

# Static, libraries and headers only (no programs, tests or manuals); the TLS test servers link it.
recipe_openssl() {
  local src
  src="$cache/src/$(fetch_source openssl 'openssl-3*')"
  "$src/Configure" mingw64 --cross-compile-prefix=x86_64-w64-mingw32- --prefix="$prefix" --libdir=lib \
    no-shared no-module no-tests no-ui-console
  make -j"$jobs" build_libs
  make install_dev
}

# Debian ships cpp-httplib as a compiled library with a split header; the upstream single header from
# the same source package is used instead, with TLS through the OpenSSL above. It has a folder of its
# own so that no other httplib.h in the prefix's include folder can stand in for it.
recipe_httplib() {
  local src version
  src="$cache/src/$(fetch_source cpp-httplib 'cpp-httplib-0*')"
  version=$(sed -n 's/^#define CPPHTTPLIB_VERSION "\(.*\)"/\1/p' "$src/httplib.h")
  install -D -m 644 "$src/httplib.h" "$prefix/include/cpp-httplib/httplib.h"
  printf '%s\n' "prefix=$prefix" 'includedir=${prefix}/include/cpp-httplib' '' 'Name: cpp-httplib' \
    'Description: A C++ HTTP/HTTPS server and client library (single header)' "Version: $version" \
    'Requires: libssl libcrypto' 'Libs: -lws2_32 -lcrypt32' \
    'Cflags: -I${includedir} -DCPPHTTPLIB_OPENSSL_SUPPORT' >"$prefix/lib/pkgconfig/cpp-httplib.pc"
}

# SQLite (static), for the history. Debian's source is the full tree: its amalgamation (sqlite3.c) is made
# with the build host's compiler and tclsh, then compiled alone with mingw-w64, like the project's other
# C dependencies, and a pkg-config file points CMake at it.
recipe_sqlite() {
  local src version
  src="$cache/src/$(fetch_source sqlite3 'sqlite3-3*')"
  "$src/configure" --disable-tcl --disable-readline
  make sqlite3.c sqlite3.h sqlite3ext.h
  x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c sqlite3.c -o sqlite3.o
  rm -f libsqlite3.a
  x86_64-w64-mingw32-ar rcs libsqlite3.a sqlite3.o
  version=$(cat "$src/VERSION")
  install -D -m 644 libsqlite3.a "$prefix/lib/libsqlite3.a"
  install -D -m 644 sqlite3.h "$prefix/include/sqlite3.h"
  install -D -m 644 sqlite3ext.h "$prefix/include/sqlite3ext.h"
  printf '%s\n' "prefix=$prefix" 'libdir=${prefix}/lib' 'includedir=${prefix}/include' '' 'Name: SQLite' \
    'Description: SQL database engine (static, amalgamation)' "Version: $version" 'Libs: -L${libdir} -lsqlite3' \
    'Cflags: -I${includedir}' >"$prefix/lib/pkgconfig/sqlite3.pc"
}

build pcre2 recipe_pcre2
build curl recipe_curl
build googletest recipe_googletest
build qtbase recipe_qtbase
build openssl recipe_openssl
build httplib recipe_httplib
build sqlite recipe_sqlite
echo "windows deps: ready in $prefix"
