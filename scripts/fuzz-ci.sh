#!/bin/sh
# CI's fuzzing step: builds the libFuzzer targets with clang 14 (ASan and UBSan) and runs each for
# a short fixed time on a copy of its seed corpus. Fails when any target reports a crash, a
# sanitizer error, a hang (an input over 10 s), a leak or an allocation over 2 GB; the input is
# then kept in <build-dir>/fuzz-artifacts/.
#
#   scripts/fuzz-ci.sh [build-dir] (default build-fuzz; MOVRA_FUZZ_SECONDS per target, default 20)
set -eu
cd "$(dirname "$0")/.."
. fuzz/targets.sh

build=${1:-build-fuzz}
seconds=${MOVRA_FUZZ_SECONDS:-20}
started=$(date +%s)

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMOVRA_WERROR=ON \
    -DMOVRA_FUZZ=ON -DMOVRA_BENCHMARKS=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $MOVRA_FUZZ_TARGETS
built=$(date +%s)

LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(pwd)/fuzz/lsan.supp}
export LSAN_OPTIONS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
artifacts=$build/fuzz-artifacts
failed=""
for target in $MOVRA_FUZZ_TARGETS; do
    mkdir "$work/$target"
    cp "fuzz/$(movra_fuzz_area "$target")/corpus/"* "$work/$target/"
    log=$work/$target.log
    # shellcheck disable=SC2046,SC2086
    if "$build/bin/$target" $(movra_fuzz_options "$target") $MOVRA_FUZZ_COMMON \
        -max_total_time="$seconds" -artifact_prefix="$work/$target-" "$work/$target" \
        >"$log" 2>&1; then
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
        echo "fuzz-ci: $target: $execs executions in ${seconds} s ($cov), no crash"
    else
        echo "fuzz-ci: $target FAILED; the end of its log:"
        tail -n 60 "$log"
        mkdir -p "$artifacts"
        for f in "$work/$target"-*; do
            [ -e "$f" ] && cp "$f" "$artifacts/" && echo "fuzz-ci: input kept as $artifacts/$(basename "$f")"
        done
        failed="$failed $target"
    fi
done

echo "fuzz-ci: build $((built - started)) s, runs $(($(date +%s) - built)) s"
if [ -n "$failed" ]; then
    echo "fuzz-ci: failed:$failed" >&2
    exit 1
fi
