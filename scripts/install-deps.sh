#!/bin/sh
# Installs the Debian 12 packages Movra needs, only those that are missing.
# Works as root, or as a user through sudo.
set -eu

# Build and run.
PACKAGES="cmake ninja-build g++ pkg-config ccache
qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
libsqlite3-dev libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev
libuemf-dev libsimpleini-dev
fonts-liberation2 libbenchmark-dev
poppler-utils"
# Tests as a user sees the program: a real X server with a window manager (openbox; xprop sees
# it take the screen), the accessibility bus, the sqlite3 shell.
PACKAGES="$PACKAGES xvfb xauth xdotool x11-apps x11-utils x11-xkb-utils openbox imagemagick dbus at-spi2-core python3 python3-pyatspi sqlite3"
# Packaging and its checks; libFuzzer (clang 14 with its runtime).
PACKAGES="$PACKAGES dpkg-dev file desktop-file-utils appstream libxml2-utils shared-mime-info clang-14 libclang-rt-14-dev"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "Missing packages:$missing; run this script as root or install sudo." >&2
    exit 1
fi

$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
