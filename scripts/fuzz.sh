#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz, runs each once over its regression inputs and seeds, then fuzzes each for a bounded time,
# two at a time. Fails on any crash or broken invariant and prints the input in hex. Ends with a summary
# line in the form ctest uses.
#   FUZZ_SECONDS=600 scripts/fuzz.sh   a longer run (default 20 seconds per harness)
#   FUZZ_ONLY="json ini_file" ...      only these harnesses
# Inputs that fuzzing finds are not kept; add a reproducer to tests/fuzz/regression/<harness>/ by hand.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
jobs=$(nproc)
build="$root/build-fuzz"
fuzz="$root/tests/fuzz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# -O1 with line tables only: quick to build, fast enough to fuzz, and stack traces still name lines.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
  -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_GUI=OFF -DQUORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$jobs" --target fuzz_all

names=${FUZZ_ONLY:-$(sed -n 's/^ *\([a-z_]*\):Fuzz[A-Za-z]*\.cpp)\{0,1\}$/\1/p' "$fuzz/CMakeLists.txt")}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One harness: the kept inputs once, then fuzzing from them in a throw-away corpus. Writes "pass" or "fail"
# to $work/<name>.result and the output to $work/<name>.log.
run_one() {
  local name=$1 bin="$build/tests/fuzz/fuzz_$1" corpus="$work/corpus-$1"
  local kept
  mapfile -t kept < <(find "$fuzz/regression/$name" "$fuzz/corpus/$name" -type f 2>/dev/null | sort)
  mkdir -p "$corpus"
  ((${#kept[@]})) && cp "${kept[@]}" "$corpus/"
  local status=pass
  if ((${#kept[@]})) && ! "$bin" -artifact_prefix="$work/$name-" "${kept[@]}" >"$work/$name.log" 2>&1; then
    status=fail
  elif ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" "$corpus" >>"$work/$name.log" 2>&1; then
    status=fail
  fi
  echo "$status" >"$work/$name.result"
}

start=$(date +%s)
for name in $names; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  run_one "$name" &
done
wait

passed=0 failed=0 total=0
for name in $names; do
  total=$((total + 1))
  result=$(cat "$work/$name.result" 2>/dev/null || echo fail)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log" | tail -1)
  if [ "$result" = pass ]; then
    passed=$((passed + 1))
    echo "fuzz $name: passed (${runs:-0} runs)"
  else
    failed=$((failed + 1))
    echo "fuzz $name: FAILED"
    tail -n 60 "$work/$name.log"
    for artifact in "$work/$name"-*; do
      [ -f "$artifact" ] || continue
      echo "failing input $(basename "$artifact") in hex:"
      od -An -tx1 -v "$artifact"
    done
  fi
done
echo "fuzz step: $((total)) harnesses, ${seconds} s each, $(($(date +%s) - start)) s in all"
echo "$((total ? passed * 100 / total : 100))% tests passed, ${failed} tests failed out of ${total}"
((failed == 0))
