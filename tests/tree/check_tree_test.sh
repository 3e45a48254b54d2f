#!/usr/bin/env bash
# The tree rules catch what they are for: each breach planted in a small copy of the layout is reported
# by file, and the tree without it passes.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
check() { # check NAME EXPECTED-STATUS PATTERN
  local out rc
  out=$(bash "$here/check_tree.sh" "$work/src" 2>&1)
  rc=$?
  if [ "$rc" -ne "$2" ] || ! grep -qE -- "$3" <<<"$out"; then
    echo "FAIL $1: status $rc, output:"
    echo "$out"
    status=1
  fi
}

mkdir -p "$work/src"/{base,net,script,pipeline,cli,chrome,app}
printf '#include "net/WebAddress.h"\n#include "pipeline/download/CoverRequest.h"\n' >"$work/src/app/Covers.cpp"
printf '#include "net/HttpRequest.h"\n' >"$work/src/pipeline/Fetch.cpp"
printf '#include "pipeline/post/PostParser.h"\n' >"$work/src/cli/main.cpp"
check "clean tree" 0 "tree rules hold"

printf '#include "net/HttpRequest.h"\n' >"$work/src/app/Fetcher.cpp"
printf '#pragma once\n#include "net/UrlDownloader.h"\n' >"$work/src/app/Saver.h"
check "app makes requests" 1 "network only through the pipeline: app/Fetcher.cpp"
check "app downloads" 1 "network only through the pipeline: app/Saver.h"
rm "$work/src/app/Fetcher.cpp" "$work/src/app/Saver.h"

printf '#include <QString>\n' >"$work/src/cli/Texts.cpp"
check "Qt in the command line" 1 "Qt in the core: .*cli/Texts.cpp"
rm "$work/src/cli/Texts.cpp"

printf '#include "pipeline/engine/Engine.h"\n' >"$work/src/net/Up.cpp"
check "a layer reaching up" 1 "net/Up.cpp includes pipeline/"
rm "$work/src/net/Up.cpp"

check "clean again" 0 "tree rules hold"
[ "$status" -eq 0 ] && echo "tree rule checks hold"
exit "$status"
