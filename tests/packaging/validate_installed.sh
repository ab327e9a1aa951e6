#!/bin/bash
# Installs the build into a staging tree (DESTDIR) and checks it as an installed copy: the file
# list, desktop-file-validate, appstreamcli validate and validate-tree, the icons.
# Usage: validate_installed.sh BUILD_DIR VERSION PROGRAM
set -euo pipefail
source "$(dirname "$0")/checks.sh"
build=${1:?build folder}
version=${2:?project version}
need_program "${3:?path of the built program}"
need cmake desktop-file-validate appstreamcli file xmllint update-mime-database

stage=$(mktemp -d "${TMPDIR:-/tmp}/movra-install.XXXXXX")
trap 'rm -rf "$stage" "$stage.validate-tree.log"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >"$stage.log" 2>&1 \
    || { cat "$stage.log" >&2; rm -f "$stage.log"; fail "cmake --install failed"; }
rm -f "$stage.log"
check_tree "$stage" "$version"
echo "installed tree is valid"
