#!/usr/bin/env bash
# Usage: tests/fuzz/run-fuzz.sh [BUILD_DIR] [SECONDS] -- libFuzzer (clang, ASan, UBSan) on each input reader from
# tests/fuzz/corpus.  A finding stops the run, saved as BUILD_DIR/fuzz-findings/<target>/crash-*: copy it to
# tests/fuzz/regressions/<target>/ so that fuzz_replay_test keeps it fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-fuzz}
seconds=${2:-60}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" -DSWX_SANITIZE=ON -DSWX_FUZZ=ON >/dev/null
targets=(parameter_file grid_file time_series_file spectrum_file)
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
  work="$build/fuzz-corpus/$t"
  findings="$build/fuzz-findings/$t"
  mkdir -p "$work" "$findings"
  echo "== fuzz_$t for ${seconds}s"
  # New inputs go to the work corpus; the seed corpus in the source tree is only read.
  "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$work" "$root/tests/fuzz/corpus/$t" 2>&1 |
    grep -E '^(#[0-9]+ +DONE|==[0-9]+==ERROR|SUMMARY|stat::number_of_executed_units|artifact_prefix|Test unit written)' || true
  if compgen -G "$findings/*" >/dev/null; then
    echo "== fuzz_$t found inputs that fail: $findings" >&2
    exit 1
  fi
done
echo "== no findings"
