#!/bin/sh
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) in
# build-fuzz/ and runs each for a bounded time, starting from its checked-in
# seeds under fuzz/corpus/<target>/. Fails on any crash, leak, timeout,
# out-of-memory, UB report or failed check; the input that did it is left in
# build-fuzz/run/findings-<target>/ (add it to tests/fuzz/regressions/).
#
#   fuzz/run.sh [seconds per target, default 60]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}

# clang with its runtime libraries (libFuzzer, the sanitizers).
scripts/deps.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=build-fuzz/run
rm -rf "$work"
mkdir -p "$work"
# Every save syncs its files to disk; in memory the whole-road target runs
# many times faster.
tmp=$(mktemp -d /dev/shm/veskor-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

# Inputs up to 64 KB; one must not take more than 5 s (seconds per megabyte
# are allowed, and this is a sanitized build) nor allocate more than 64 MB at
# once (memory proportional to the input: a thousand times its size).
status=0
for target in mcareading counttable loadfitsave labelledtext hdf5; do
    corpus=$work/corpus-$target
    findings=$work/findings-$target
    log=$work/$target.log
    mkdir -p "$corpus" "$findings"
    if TMPDIR=$tmp build-fuzz/fuzz/fuzz_$target "$corpus" "fuzz/corpus/$target" \
        -dict=fuzz/veskor.dict -max_total_time="$seconds" -max_len=65536 \
        -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=64 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1; then
        result=passed
    else
        result=FAILED
        status=1
        tail -n 60 "$log"
        ls -l "$findings"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    # libFuzzer's last status line tells the corpus: "corp: <inputs>/<bytes>".
    size=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -n 1 | cut -c7-)
    echo "fuzz_$target: $result, ${runs:-?} executions, corpus ${size:-?}"
done
exit $status
