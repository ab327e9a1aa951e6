#!/bin/sh
# run-filter-on-xvfb.sh <build-dir> [options...]: runs bench_filter (the live filter against
# plain sqlite3's LIKE, --sizes=100000,1000000 --repetitions=5 --gap-ms=30) on a private Xvfb
# display, so the paints it waits for are a real X server's.
set -eu
build="${1:?usage: $0 <build-dir> [options...]}"
shift
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/bench_filter" "$@"
