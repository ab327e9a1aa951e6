#!/bin/sh
# Installs what is missing, builds, and starts Movra.
set -eu
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec ./build/bin/movra
