#!/bin/sh
# A long campaign of one fuzz target: runs it for a given number of
# executions from its checked-in seeds, with the limits of fuzz/run.sh, then
# merges into fuzz/corpus/<target>/ the inputs it found that reach code the
# seeds do not (libFuzzer's -merge keeps the fewest that do). A crash, leak,
# timeout, out-of-memory or failed check stops it with the input left in
# build-fuzz/campaign/findings-<target>/.
#
#   fuzz/campaign.sh TARGET EXECUTIONS [BUILD_DIR]
#
# BUILD_DIR defaults to build-fuzz (fuzz/run.sh builds it). The HDF5 recipe
# target runs many times faster with UndefinedBehaviorSanitizer alone: build
# it in a second tree configured with -DVESKOR_FUZZ_SANITIZERS=undefined and
# give that tree here.
set -eu
cd "$(dirname "$0")/.."
target=$1
runs=$2
build=${3:-build-fuzz}
fuzzer=$build/fuzz/fuzz_$target
[ -x "$fuzzer" ] || { echo "no $fuzzer: build it first (fuzz/run.sh 0)" >&2; exit 2; }

work=build-fuzz/campaign
corpus=$work/corpus-$target
findings=$work/findings-$target
mkdir -p "$corpus" "$findings"
tmp=$(mktemp -d /dev/shm/veskor-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM

# The allocation limit needs ASan's allocator; a build without it has none.
limit=-malloc_limit_mb=64
case $(cat "$build/CMakeCache.txt") in
*VESKOR_FUZZ_SANITIZERS:STRING=undefined*) limit= ;;
esac
start=$(date +%s)
TMPDIR=$tmp "$fuzzer" "$corpus" "fuzz/corpus/$target" -dict=fuzz/veskor.dict \
    -runs="$runs" -max_len=65536 -timeout=5 -rss_limit_mb=2048 $limit \
    -artifact_prefix="$findings/" -print_final_stats=1 >"$work/$target.log" 2>&1
seconds=$(($(date +%s) - start))
executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
before=$(ls "fuzz/corpus/$target" | wc -l)
TMPDIR=$tmp "$fuzzer" -merge=1 "fuzz/corpus/$target" "$corpus" >"$work/$target-merge.log" 2>&1
after=$(ls "fuzz/corpus/$target" | wc -l)
echo "fuzz_$target: $executed executions in $seconds s, no finding; corpus $before -> $after inputs"
