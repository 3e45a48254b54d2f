#!/usr/bin/env bash
# The tree rules catch what they are for: each breach below, planted in a copy of src/, must make
# check_tree.sh fail and name the file; the untouched copy must pass.
set -u
here=$(cd "$(dirname "$0")" && pwd)
src=${1:-$(cd "$here/../../src" && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

plant() { # file (relative to src) line what
  rm -rf "$work/src"
  cp -r "$src" "$work/src"
  printf '%s\n' "$2" >>"$work/src/$1"
  if out=$(bash "$here/check_tree.sh" "$work/src" 2>&1); then
    echo "not caught: $3"
    status=1
  elif ! grep -qF "$1" <<<"$out"; then
    echo "caught, but the breach's file is not named: $3"
    status=1
  fi
}

bash "$here/check_tree.sh" "$src" >/dev/null || { echo "the tree as it is fails"; status=1; }
plant pipeline/post/PostParser.cpp '#include "pipeline/engine/FixedTexts.h"' "post/ including engine/"
plant pipeline/sources/VideoDetail.cpp '#include "pipeline/tasks/Scheduler.h"' "sources/ including tasks/"
plant pipeline/settings/Settings.cpp '#include "pipeline/sources/VideoDetail.h"' "settings/ including sources/"
plant pipeline/answers/PostItemReader.cpp '#include "pipeline/sources/VideoDetail.h"' "answers/ including sources/"
plant pipeline/history/HistoryStore.cpp '#include "pipeline/subscriptions/Subscription.h"' "history/ including subscriptions/"
plant pipeline/subscriptions/SubscriptionChecker.cpp '#include "pipeline/tasks/Scheduler.h"' "subscriptions/ including tasks/"
plant net/HttpRequest.cpp '#include "pipeline/post/ParsedPost.h"' "net including the pipeline"
plant pipeline/post/MediaPlan.cpp '#include <QString>' "Qt in the core"
plant cli/main.cpp '#include <QString>' "Qt in the command line"
plant app/main.cpp '#include "net/HttpRequest.h"' "the desktop program making requests itself"
plant app/main.cpp '#include "net/UrlDownloader.h"' "the desktop program downloading itself"
[ "$status" -eq 0 ] && echo "every planted breach was caught"
exit "$status"
