#!/bin/sh
# Runs every benchmark in build/bench once, as briefly as Google Benchmark
# allows, so that one that crashes or reports an error is noticed even where
# nobody reads its figures (CI). The figures themselves mean nothing here.
#
#   bench/run-once.sh [build directory, default build]
set -eu
cd "$(dirname "$0")/.."
dir=${1:-build}/bench
export QT_QPA_PLATFORM=offscreen

found=0
status=0
for bench in "$dir"/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    found=$((found + 1))
    log=$(mktemp)
    if "$bench" --benchmark_min_time=0.01 >"$log" 2>&1 && ! grep -q "ERROR OCCURRED" "$log"; then
        echo "$(basename "$bench"): passed"
    else
        echo "$(basename "$bench"): FAILED"
        tail -n 40 "$log"
        status=1
    fi
    rm -f "$log"
done
if [ "$found" -eq 0 ]; then
    echo "no benchmark in $dir (is libbenchmark-dev installed?)" >&2
    exit 1
fi
exit $status
