#!/bin/sh
# Runs one end-to-end test of Movra as a user's session would be:
#   run-e2e.sh <movra executable> <test script.py>
# A fresh program folder (the executable and the help text copied into a temporary folder, so
# that movra.ini and the album files land there), a fresh home, an X server (xvfb-run) with a
# real window manager (openbox: it frames, places and focuses the windows as a desktop does) and
# a session bus (dbus-run-session); the test itself starts the accessibility bus and the program.
# The screen is 1280x1024 unless MOVRA_E2E_SCREEN names another size (WIDTHxHEIGHT).
# The folder is removed after a pass and kept after a failure (its path is printed), or always
# kept with MOVRA_E2E_KEEP=1.
set -eu

# Inside the X server: the window manager first, the test once it manages the screen.
if [ "${1:-}" = "--inside" ]; then
    script=$2
    out=$MOVRA_E2E_WORKDIR/out
    # A Polish user's keyboard, where the Polish letters are keys (AltGr+o gives ó). Without
    # them xdotool types such a letter by remapping a spare key for a moment, and a program that
    # reads the key before the new map has reached it gets nothing.
    setxkbmap pl
    # Its own home, so that no user's openbox settings take part.
    HOME=$MOVRA_E2E_WORKDIR/wm XDG_CONFIG_HOME=$MOVRA_E2E_WORKDIR/wm/.config \
        openbox --sm-disable >"$out/openbox.log" 2>&1 &
    wm=$!
    # A window manager that has taken the screen names its check window and what it supports
    # on the root window (the program reads the latter once, when it starts).
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_FRAME_EXTENTS; do
        tries=$((tries + 1))
        if [ "$tries" -gt 400 ] || ! kill -0 "$wm" 2>/dev/null; then
            echo "run-e2e.sh: openbox did not take the screen (see $out/openbox.log)" >&2
            kill "$wm" 2>/dev/null || true
            exit 1
        fi
        sleep 0.05
    done
    set +e
    dbus-run-session -- /usr/bin/python3 -u "$script"
    code=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit "$code"
fi

if [ $# -ne 2 ]; then
    echo "usage: $0 <movra executable> <test script.py>" >&2
    exit 2
fi
exe=$1
script=$2
here=$(cd "$(dirname "$0")" && pwd)

for tool in xvfb-run xauth dbus-run-session xdotool xwd xprop setxkbmap openbox sqlite3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-e2e.sh: $tool is not installed (see scripts/install-deps.sh)" >&2
        exit 1
    fi
done
if [ ! -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "run-e2e.sh: at-spi2-core and python3-pyatspi are needed" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/movra-e2e.XXXXXX")
mkdir -p "$work/prog" "$work/home" "$work/wm" "$work/files" "$work/out"
cp "$exe" "$work/prog/movra"
rtf="$(dirname "$exe")/Movra.rtf"
if [ -f "$rtf" ]; then
    cp "$rtf" "$work/prog/"
fi

export MOVRA_E2E_WORKDIR="$work"
export PYTHONPATH="$here${PYTHONPATH:+:$PYTHONPATH}"
export PYTHONDONTWRITEBYTECODE=1
# The test's own processes (python, xdotool) never need the sanitizer's leak report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
# Left over by a session of the desktop the tests may be started from; this session is its own.
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS QT_QPA_PLATFORM WAYLAND_DISPLAY

# xvfb-run -a takes the first free display from the given number on; starting at a random one
# keeps sessions started at the same moment (parallel builds) from racing for the same display.
first=$(( $(od -An -N2 -tu2 /dev/urandom | tr -d ' ') % 800 + 100 ))
# -noreset: the server must not restart when its last client leaves (a program started at that
# moment would be turned away).
set +e
screen=${MOVRA_E2E_SCREEN:-1280x1024}
xvfb-run -a -n "$first" -e "$work/out/xvfb.log" -s "-screen 0 ${screen}x24 -nolisten tcp -noreset" \
    sh "$here/run-e2e.sh" --inside "$script"
code=$?
set -e

if [ "$code" -eq 0 ] && [ "${MOVRA_E2E_KEEP:-0}" != 1 ]; then
    rm -rf "$work"
else
    echo "test folder kept: $work"
fi
exit "$code"
