#!/bin/sh
# run-scale-on-xvfb.sh <build-dir> [benchmark options...]: runs bench_app_scale (start-up, menu
# sort and list memory at 10,000 to 1,000,000 records) and bench_app's start-up on a real X
# server: a private Xvfb display, so the figures are the ones a user's screen would give.
set -eu
build="${1:?usage: $0 <build-dir> [benchmark options...]}"
shift
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    b="$1"; shift
    "$b/bin/bench_app_scale" "$@"
    "$b/bin/bench_app" --benchmark_filter="StartProcess|StartInProcess"
' sh "$build" "$@"
