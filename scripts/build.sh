#!/bin/sh
# build.sh <build-dir> [extra cmake options...]: configures (once) and builds with Ninja.
set -eu
cd "$(dirname "$0")/.."
dir="$1"
shift
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir"
