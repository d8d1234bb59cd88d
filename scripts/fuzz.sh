#!/usr/bin/env bash
# Builds the libFuzzer targets (store and core only, with clang) and runs
# each for a bounded time: scripts/fuzz.sh [seconds-per-target]
# (default 15). Exits non-zero when a target finds a crash, a hang, a leak
# or a broken property; the input that did it is kept in
# build/fuzz/findings/<target>/. New inputs found along the way go to
# build/fuzz/corpus/<target>/; the seeds in fuzz/corpus/ stay unchanged.
# The random seed is fixed (TIKR_FUZZ_SEED, default 1) so that a short run
# in the test script walks the same inputs every time; long runs pass
# another seed, e.g. TIKR_FUZZ_SEED=$RANDOM scripts/fuzz.sh 600.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
build=build/fuzz
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build" -DTIKR_BUILD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTIKR_WERROR=ON >/dev/null
targets=(ini_fuzz date_parser_fuzz command_line_fuzz task_list_fuzz history_fuzz)
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# The task-list target rewrites its profile file at every run: a memory
# file system keeps that fast where there is one.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

status=0
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target" "$build/findings/$target"
  echo "== $target: $seconds s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -seed="${TIKR_FUZZ_SEED:-1}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$target/" "$build/corpus/$target" "fuzz/corpus/$target" \
      2>"$build/$target.log"; then
    echo "!! $target found a problem; see $build/$target.log and $build/findings/$target/" >&2
    tail -n 30 "$build/$target.log" >&2
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$build/$target.log" || true
done
exit "$status"
