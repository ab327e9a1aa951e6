#!/bin/sh
# A long fuzzing campaign for one target, in the background-friendly form: low priority, a corpus
# that grows across runs in /tmp/movra-fuzz-corpus/<target> (seeded from the repository), crash
# inputs and the log in /tmp/movra-fuzz-logs/.
#
#   fuzz/campaign.sh <build-dir> <target> [executions] [seconds]
#
# Stops after the given number of executions (default 10,000,000) or seconds (default: none),
# whichever comes first; prints libFuzzer's final statistics. Build the targets first
# (scripts/fuzz-ci.sh does, or cmake --build <build-dir> --target <target>).
set -eu
cd "$(dirname "$0")/.."
. fuzz/targets.sh

build=$1
target=$2
runs=${3:-10000000}
seconds=${4:-0}
corpus=/tmp/movra-fuzz-corpus/$target
logs=/tmp/movra-fuzz-logs
mkdir -p "$corpus" "$logs"
cp -n "fuzz/$(movra_fuzz_area "$target")/corpus/"* "$corpus/"

# Allocation stacks are kept two frames deep (enough for the leak suppressions) and new blocks are
# not filled: both cost more than the checks themselves. Replaying a crash input without these
# options gives the full report.
ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=2:max_malloc_fill_size=0}
LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(pwd)/fuzz/lsan.supp}
export ASAN_OPTIONS LSAN_OPTIONS
# shellcheck disable=SC2046
exec nice -n 10 "$build/bin/$target" $(movra_fuzz_options "$target") $MOVRA_FUZZ_COMMON \
    -runs="$runs" -max_total_time="$seconds" -artifact_prefix="$logs/$target-" \
    "$corpus" >"$logs/$target.log" 2>&1
