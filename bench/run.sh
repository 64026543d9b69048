#!/usr/bin/env bash
# Runs every benchmark of a build folder and prints its results.
#   bench/run.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
for bench in "$build"/bench/tsl_bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_counters_tabular=true
done
# tslconvert against the command-line converters (needs their programs, see the script).
if [ -x "$build/tools/tslconvert/tslconvert" ]; then
  echo "== tslconvert_bench.sh"
  bash "$(dirname "$0")/tslconvert_bench.sh" "$build"
fi
# The batch processor against gm mogrify and vipsthumbnail (see the script).
if [ -x "$build/bench/batch_dialog_run" ]; then
  echo "== batch_bench.sh"
  bash "$(dirname "$0")/batch_bench.sh" "$build"
fi
