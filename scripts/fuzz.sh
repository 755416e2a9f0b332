#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (ASan + UBSan) into build-fuzz (or
# $FUZZ_BUILD_DIR) and runs each for SECONDS (default 60), one after the other, on its seeds
# in fuzz/corpus/<target>/. New inputs collect in build-fuzz/corpus/<target>/; a crash, leak,
# timeout or sanitizer report leaves its input in build-fuzz/findings/<target>/ and makes the
# script exit non-zero. $FUZZ_TARGETS limits the run to some targets.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
build=${FUZZ_BUILD_DIR:-build-fuzz}
targets=(${FUZZ_TARGETS:-input_file config rnaeval_output param_file rnaeval_records search})

progs=()
for t in "${targets[@]}"; do progs+=("fuzz_$t"); done
CC=clang CXX=clang++ BUILD_DIR="$build" TARGETS="${progs[*]}" scripts/setup.sh \
  -DCMAKE_CXX_COMPILER=clang++ -DZENTROLA_FUZZ=ON -DZENTROLA_TESTS=OFF -DZENTROLA_BENCH=OFF

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  max_len=4096
  [ "$t" = param_file ] && max_len=16384  # room for a few sections of a parameter file
  log="$build/findings/$t.log"
  echo "== fuzz_$t: ${secs}s"
  if "$build/fuzz/fuzz_$t" "$build/corpus/$t" "fuzz/corpus/$t" -dict="fuzz/dict/$t.dict" \
    -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -artifact_prefix="$build/findings/$t/" -print_final_stats=1 >"$log" 2>&1; then
    # The last status line: coverage and speed reached.
    grep -E '^#[0-9]+' "$log" | tail -n 1 || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log" || true
  else
    failed+=("$t")
    tail -n 40 "$log"
    echo "== fuzz_$t: FINDING (input in $build/findings/$t/, log $log)"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]}"
  exit 1
fi
echo "No findings."
