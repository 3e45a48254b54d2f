#!/usr/bin/env bash
# Header-only libraries (RapidJSON, nlohmann-json) need no cross-build: their Debian
# headers and CMake package files are copied into the Windows prefix, kept apart from /usr/include.
set -euo pipefail
prefix=${1:?usage: stage-headers.sh PREFIX}
mkdir -p "$prefix/include" "$prefix/share/cmake/RapidJSON" "$prefix/share/cmake/nlohmann_json"
cp -a /usr/include/rapidjson /usr/include/nlohmann "$prefix/include/"
# Earlier versions copied Debian's split cpp-httplib header here; the tests use the single one that
# scripts/windows/build-deps.sh puts in include/cpp-httplib.
rm -f "$prefix/include/httplib.h"
cp -a /usr/share/cmake/nlohmann_json/. "$prefix/share/cmake/nlohmann_json/"
cp -a /usr/share/cmake/RapidJSON/RapidJSONConfigVersion.cmake "$prefix/share/cmake/RapidJSON/"
sed "s|\"/usr/include\"|\"$prefix/include\"|" /usr/share/cmake/RapidJSON/RapidJSONConfig.cmake \
  >"$prefix/share/cmake/RapidJSON/RapidJSONConfig.cmake"
