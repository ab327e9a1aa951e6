#!/bin/sh
# build.sh <build-dir> [extra cmake options...]: configures (once) and builds with Ninja.
# A developer's build: warnings are errors (MOVRA_WERROR=ON, which the options given may
# override). A tree configured before the option existed is configured again to get it.
set -eu
cd "$(dirname "$0")/.."
dir="$1"
shift
if [ ! -f "$dir/build.ninja" ] || ! grep -q '^MOVRA_WERROR:' "$dir/CMakeCache.txt"; then
    cmake -S . -B "$dir" -G Ninja -DMOVRA_WERROR=ON "$@"
fi
cmake --build "$dir"
