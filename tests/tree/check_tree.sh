#!/usr/bin/env bash
# Rules of the source tree that no compiler enforces: every library exports all of src/ as its include
# root, so a header of a higher layer would compile anywhere. Prints each breach and fails on any.
#   - a layer includes only its own headers and those of the layers it links;
#   - the core layers (base, net, script, pipeline) and the command line include no Qt;
#   - the desktop program reaches the network only through the pipeline: src/app includes none of the
#     network layer's headers that make requests (pure checks such as net/WebAddress.h are fine);
#   - `_WIN32` appears only in src/base/platform/ and the two autostart files;
#   - inside the pipeline no arrow points back up: what answers, sources, post, settings and naming may not
#     include (the jobs that use them: engine, download, tasks, history; settings and sources apart);
#     the subscriptions stand above the history they are kept in, and take what checking means as a
#     function rather than reaching for the jobs that check;
#   - no source file in src/ reaches 500 lines (a longer one is doing two jobs).
set -u
src=${1:-$(cd "$(dirname "$0")/../../src" && pwd)}
status=0
fail() { echo "tree rule: $*"; status=1; }

declare -A allowed=(
  [base]="base"
  [net]="base net"
  [script]="base script"
  [pipeline]="base net script pipeline"
  [cli]="base net script pipeline cli"
  [chrome]="base chrome"
  [app]="base net script pipeline chrome app"
)
for layer in "${!allowed[@]}"; do
  [ -d "$src/$layer" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    used=$(sed -nE 's/.*#include "([a-z]+)\/.*/\1/p' <<<"${hit#*:}")
    case " ${allowed[$layer]} " in
      *" $used "*) ;;
      *) fail "$file includes $used/, which $layer does not link" ;;
    esac
  done < <(grep -rnE '^#include "[a-z]+/' "$src/$layer" --include='*.h' --include='*.cpp' | sed -E 's/^([^:]*):[0-9]+:/\1:/')
done

# Folders of the pipeline and the folders each must not include: a lower job never reaches up.
declare -A below=(
  [answers]="sources post settings naming download engine history tasks"
  [sources]="post download engine history tasks"
  [post]="lists download engine history tasks"
  [settings]="sources lists download engine history tasks"
  [naming]="sources download engine history tasks"
  [history]="subscriptions"
  [subscriptions]="download engine tasks"
)
for folder in "${!below[@]}"; do
  [ -d "$src/pipeline/$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    used=$(sed -nE 's/.*#include "pipeline\/([a-z]+)\/.*/\1/p' <<<"${hit#*:}")
    case " ${below[$folder]} " in
      *" $used "*) fail "${file#"$src"/} includes pipeline/$used/, which pipeline/$folder/ stands below" ;;
    esac
  done < <(grep -rnE '^#include "pipeline/[a-z]+/' "$src/pipeline/$folder" --include='*.h' --include='*.cpp' | sed -E 's/^([^:]*):[0-9]+:/\1:/')
done

for layer in base net script pipeline cli; do
  [ -d "$src/$layer" ] || continue
  while IFS= read -r hit; do fail "Qt in the core: $hit"; done \
    < <(grep -rnE '^#include <Q[A-Za-z]*>' "$src/$layer" --include='*.h' --include='*.cpp')
done

# The headers of src/net that open transfers: the program's requests (covers included) go through the
# pipeline, which sends the platform profile's agent and Referer.
requestHeaders='HttpRequest|HttpSession|UrlDownloader|SegmentedTransfer|TransferConnection|CurlApi|CurlOptions|CurlRuntime'
if [ -d "$src/app" ]; then
  while IFS= read -r hit; do fail "the program reaches the network only through the pipeline: ${hit#"$src"/}"; done \
    < <(grep -rnE "^#include \"net/($requestHeaders)\.h\"" "$src/app" --include='*.h' --include='*.cpp')
fi

while IFS= read -r hit; do
  case "$hit" in
    "$src"/base/platform/*|"$src"/app/desktop/AutostartEntryWin.cpp*|"$src"/app/desktop/AutostartEntryXdg.cpp*) ;;
    *) fail "_WIN32 outside the platform folder: ${hit#"$src"/}" ;;
  esac
done < <(grep -rlw _WIN32 "$src" --include='*.h' --include='*.cpp' --include='*.txt')

while IFS= read -r file; do
  lines=$(wc -l <"$file")
  [ "$lines" -lt 500 ] || fail "${file#"$src"/} has $lines lines"
done < <(find "$src" -name '*.cpp' -o -name '*.h')

[ "$status" -eq 0 ] && echo "tree rules hold"
exit "$status"
