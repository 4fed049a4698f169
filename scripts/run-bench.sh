#!/usr/bin/env bash
# Runs the benchmarks on a private virtual X display (a real 500 x 500 window rendered by Mesa's
# software rasteriser). Extra arguments go to the benchmark program, for example
#   scripts/run-bench.sh --benchmark_filter='frame/full'
# BUILD names the build directory (default: build); BENCH_MIN_TIME the seconds each benchmark
# runs for at least (default: 0.5).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${BUILD:-build}"
min_time="${BENCH_MIN_TIME:-0.5}"
bench="$build/room_bench"
if [ ! -x "$bench" ]; then
  echo "$bench is missing: build it first (make build, or cmake --build $build --target room_bench)" >&2
  exit 1
fi

# Frame times on a software renderer depend on what else the processors are doing.
echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
scripts/with-xvfb.sh "$bench" --benchmark_min_time="$min_time" "$@"
