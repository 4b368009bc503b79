#!/bin/sh
# Builds the benchmarks into the given build folder and runs them.
# Usage: scripts/run-bench.sh [BUILD]   (RUNS in the environment: rounds, >= 10)
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
JOBS="${JOBS:-2}"

cmake -S . -B "$BUILD" -DGATEPOINT_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target bench_run

exec "$BUILD/bench/bin/bench_run" "${RUNS:-11}"
