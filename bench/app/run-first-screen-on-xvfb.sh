#!/bin/sh
# run-first-screen-on-xvfb.sh <build-dir> [benchmark options...]: runs bench_first_screen (the
# record list's first screen at a million records beside DB Browser for SQLite's first rows) on a
# private Xvfb display. DB Browser for SQLite comes from Debian's sqlitebrowser package, installed
# here when it is missing: only this benchmark needs it.
set -eu
build="${1:?usage: $0 <build-dir> [benchmark options...]}"
shift
if ! command -v sqlitebrowser >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y --no-install-recommends sqlitebrowser
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/bench_first_screen" "$@"
