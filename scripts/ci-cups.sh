#!/bin/sh
# Makes a real print queue for the printing tests: installs CUPS and the cups-pdf driver when
# they are missing (Debian 12), starts the CUPS scheduler in the background (no systemd), and
# adds the queue MovraPDF, which turns every job into a PDF file.
#
# Run as root, or as a user who may use sudo. At the end it prints two lines for the shell:
#   MOVRA_CUPS_QUEUE=MovraPDF
#   MOVRA_CUPS_PDF_DIR=<the folder where cups-pdf leaves the files of the calling user>
# and, when it started the scheduler itself, writes the scheduler's process id into
# ${MOVRA_CUPS_PIDFILE:-/tmp/movra-cupsd.pid}; stop it with: kill "$(cat /tmp/movra-cupsd.pid)"
# (as root). A scheduler that was already running is left alone and no pid file is written.
set -eu

QUEUE=MovraPDF
PIDFILE=${MOVRA_CUPS_PIDFILE:-/tmp/movra-cupsd.pid}

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "ci-cups.sh: run as root or install sudo" >&2
    exit 1
fi

missing=""
for p in cups cups-client printer-driver-cups-pdf; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    echo "Installing:$missing" >&2
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
    # shellcheck disable=SC2086
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        $missing >&2
fi

scheduler_running() {
    lpstat -r 2>/dev/null | grep -q "is running" && ! lpstat -r 2>/dev/null | grep -q "not running"
}

if ! scheduler_running; then
    $SUDO mkdir -p /run/cups
    # cupsd -f stays in the foreground; the shell puts it in the background and reports the
    # process id of cupsd itself (not of sudo).
    $SUDO sh -c 'cupsd -f >/dev/null 2>&1 & echo $! > "$1"' sh "$PIDFILE"
    tries=0
    until scheduler_running; do
        tries=$((tries + 1))
        if [ "$tries" -gt 60 ]; then
            echo "ci-cups.sh: the CUPS scheduler did not start" >&2
            exit 1
        fi
        sleep 0.5
    done
fi

if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
    ppd=$(lpinfo -m 2>/dev/null | awk 'tolower($0) ~ /cups-pdf/ { print $1; exit }')
    if [ -z "$ppd" ]; then
        echo "ci-cups.sh: no cups-pdf driver found by lpinfo -m" >&2
        exit 1
    fi
    $SUDO lpadmin -p "$QUEUE" -E -v cups-pdf:/ -m "$ppd"
fi
$SUDO cupsenable "$QUEUE"
$SUDO cupsaccept "$QUEUE"

# Where cups-pdf leaves the files: its "Out" setting, ${HOME} being the job owner's home.
out='${HOME}/PDF'
conf=/etc/cups/cups-pdf.conf
if [ -r "$conf" ]; then
    line=$(sed -n 's/^[[:space:]]*Out[[:space:]]\{1,\}//p' "$conf" | tail -n 1)
    [ -n "$line" ] && out=$line
fi
user=$(id -un)
home=$(getent passwd "$user" | cut -d: -f6)
dir=$(printf '%s\n' "$out" | sed -e "s|\${HOME}|$home|g" -e "s|\${USER}|$user|g")

echo "MOVRA_CUPS_QUEUE=$QUEUE"
echo "MOVRA_CUPS_PDF_DIR=$dir"
