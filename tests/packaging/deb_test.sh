#!/bin/bash
# Builds the Debian package with CPack, inspects it, unpacks it into a read-only tree and runs
# the unpacked program there as a user would: under a real X server, with an empty home, closed
# through its own "Koniec" command. The settings file must then be in the user's data folder,
# because the program's own folder is not writable.
# It also checks what makes the package fit to ship: the program built with Debian's hardening
# flags, and the package reproducible (a second cpack run, later and without SOURCE_DATE_EPOCH,
# gives the same bytes).
# Usage: deb_test.sh BUILD_DIR VERSION PROGRAM [HARDENED (ON/OFF)]
set -euo pipefail
source "$(dirname "$0")/checks.sh"
build=$(cd "${1:?build folder}" && pwd)
version=${2:?project version}
need_program "${3:?path of the built program}"
hardened=${4:-ON}
need cpack dpkg dpkg-deb Xvfb xdotool desktop-file-validate appstreamcli file setpriv xmllint update-mime-database readelf

# Under /tmp rather than $TMPDIR: the unprivileged user below must reach the unpacked tree.
work=$(mktemp -d /tmp/movra-deb.XXXXXX)
xvfb_pid=""
movra_pid=""
cleanup() {
    [ -n "$movra_pid" ] && kill "$movra_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# --- The package ---------------------------------------------------------------------------
start=$(date +%s)
# Nobody sets SOURCE_DATE_EPOCH here: the package must be reproducible without it.
(cd "$build" && env -u SOURCE_DATE_EPOCH cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake") >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
echo "cpack took $(($(date +%s) - start)) s"
arch=$(dpkg --print-architecture)
deb=$work/pkg/movra_${version}_${arch}.deb
[ -f "$deb" ] || { ls -l "$work/pkg" >&2; fail "cpack made no $(basename "$deb")"; }

control=$(dpkg-deb -f "$deb")
echo "$control"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = movra ] || fail "package name is not movra"
[ "$(field Version)" = "$version" ] || fail "package version is not $version"
[ "$(field Architecture)" = "$arch" ] || fail "package architecture is not $arch"
field Maintainer | grep -q '^Zespół Movra <.*@movra\.example\.org>$' || fail "maintainer is wrong"
[ -n "$(field Section)" ] || fail "package has no section"
[ "$(field Homepage)" = "https://movra.example.org/" ] || fail "package has no home page"
depends=$(field Depends)
# Named by us: what the program loads without linking it.
for p in qt6-translations-l10n qt6-qpa-plugins fonts-liberation2; do
    grep -Eq "(^|, )$p(,|$| )" <<<"$depends" || fail "Depends lacks $p: $depends"
done
# Found by dpkg-shlibdeps from the linked libraries, with their versions.
for p in libc6 libqt6widgets6 libqt6gui6 libqt6core6 libqt6printsupport6 libsqlite3-0 libturbojpeg0 libexif12; do
    grep -Eq "(^|, )$p \(>= [^)]+\)" <<<"$depends" || fail "Depends lacks a versioned $p: $depends"
done
# Never a sanitizer runtime or a test library.
grep -Eq 'libasan|libubsan|libqt6test' <<<"$depends" && fail "Depends names a test or sanitizer library: $depends"

listing=$(dpkg-deb -c "$deb")
diff -u "$here/installed-files.txt" \
    <(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sed 's|^\./||' | LC_ALL=C sort) \
    || fail "package files differ from tests/packaging/installed-files.txt (- expected, + found)"
grep -Eq '^-rwxr-xr-x root/root .* \./usr/bin/movra$' <<<"$listing" || fail "usr/bin/movra is not 0755 root/root"
grep -E '^-' <<<"$listing" | grep -v '\./usr/bin/movra$' | grep -Ev '^-rw-r--r-- root/root ' \
    && fail "a data file is not 0644 root/root"

# --- Reproducible ---------------------------------------------------------------------------
# Every time stamp is the date of the newest changelog entry, so a second run a moment later
# makes the same bytes.
epoch=$(dpkg-parsechangelog -l "$here/../../packaging/changelog" -STimestamp)
stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M')
dpkg-deb --fsys-tarfile "$deb" | tar -tv --utc | grep -v " $stamp " \
    && fail "files in the package are not dated $stamp (the changelog's date)"
sleep 1
(cd "$build" && env -u SOURCE_DATE_EPOCH cpack -G DEB -B "$work/pkg2" --config "$build/CPackConfig.cmake") >"$work/cpack2.log" 2>&1 \
    || { cat "$work/cpack2.log" >&2; fail "the second cpack run failed"; }
cmp "$deb" "$work/pkg2/$(basename "$deb")" || fail "two cpack runs made different packages"
rm -rf "$work/pkg2"

# --- The unpacked tree ---------------------------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"
check_tree "$root" "$version"
file "$root/usr/bin/movra" | grep -q ', stripped' || fail "usr/bin/movra is not stripped"

# --- Hardening ------------------------------------------------------------------------------
# What Debian's hardening flags leave in the program: a position-independent executable, full
# RELRO (read-only after relocation, all symbols bound at start), calls to the stack protector's
# failure routine and fortified (_chk) library calls.
bin=$root/usr/bin/movra
if [ "$hardened" = ON ]; then
    readelf -hW "$bin" | grep -Eq 'Type: +DYN' || fail "usr/bin/movra is not position independent"
    readelf -lW "$bin" | grep -q 'GNU_RELRO' || fail "usr/bin/movra has no RELRO segment"
    readelf -dW "$bin" | grep -Eq '\((FLAGS|FLAGS_1)\) .*(BIND_NOW| NOW)' || fail "usr/bin/movra is not linked with -z now"
    syms=$(readelf --dyn-syms -W "$bin")
    grep -q ' __stack_chk_fail' <<<"$syms" || fail "usr/bin/movra has no stack protector"
    grep -Eq ' __[a-z0-9_]+_chk(@|$)' <<<"$syms" || fail "usr/bin/movra calls no fortified function"
    echo "hardening: PIE, RELRO, BIND_NOW, stack protector, fortified calls"
else
    echo "hardening not checked: this build was configured without it (MOVRA_HARDENING)"
fi

# The command line answers without any display.
env -i PATH=/usr/bin:/bin HOME="$work" "$bin" --version | grep -qx "Movra $version" \
    || fail "the packaged movra --version does not print Movra $version"

# A private X server; -displayfd picks a free display. Without -auth any local client may
# connect, the unprivileged one below included. -noreset: by default the server resets when its
# last client leaves, and the second start of the program could arrive in the middle of that.
exec 3> "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=:$(head -n1 "$work/display")

# run_installed HOME [COMMAND PREFIX...]: starts the unpacked program with an empty home, waits
# for its main window, closes it through "&Koniec" on the menu bar (Alt+K) as a user does, and
# checks that it ended well and wrote its settings into the user's data folder of that home.
run_installed() {
    local home=$1
    shift
    mkdir -p "$home/run"
    chmod 700 "$home/run"
    [ "$#" -gt 0 ] && [ "$(id -u)" -eq 0 ] && chown -R nobody "$home"
    "$@" test -w "$home" || fail "the test home is not writable for the program's user"

    "$@" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/run" \
        DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 \
        "$root/usr/bin/movra" >"$home.log" 2>&1 &
    movra_pid=$!

    # The main window, captioned "Movra" wer. 1.9.
    local window=""
    for _ in $(seq 300); do
        window=$(xdotool search --onlyvisible --name 'wer\. 1\.9' 2>/dev/null | head -n1) && [ -n "$window" ] && break
        kill -0 "$movra_pid" 2>/dev/null || { cat "$home.log" >&2; fail "movra ended before showing its window"; }
        sleep 0.1
    done
    [ -n "$window" ] || { cat "$home.log" >&2; fail "movra's main window did not appear"; }
    echo "main window: $(xdotool getwindowname "$window")"

    for _ in $(seq 20); do
        xdotool windowfocus --sync "$window" 2>/dev/null || true
        xdotool key --clearmodifiers alt+k
        for _ in $(seq 20); do
            kill -0 "$movra_pid" 2>/dev/null || break 2
            sleep 0.1
        done
    done
    if kill -0 "$movra_pid" 2>/dev/null; then
        xwd -root -silent | convert xwd:- "$PWD/packaging_deb-screen.png" 2>/dev/null || true
        cat "$home.log" >&2
        fail "movra did not end after Alt+K (a message box open? the screen is in $PWD/packaging_deb-screen.png)"
    fi
    local status=0
    wait "$movra_pid" || status=$?
    movra_pid=""
    [ "$status" -eq 0 ] || { cat "$home.log" >&2; fail "movra exited with status $status"; }

    local ini=$home/.local/share/Movra/movra.ini
    [ -f "$ini" ] || { find "$home" >&2; cat "$home.log" >&2; fail "no settings file $ini"; }
    grep -qx '\[Form1\]' "$ini" && grep -qx 'Nazwa=brak' "$ini" && grep -qx '\[Form2\]' "$ini" \
        || { cat "$ini" >&2; fail "the settings file lacks what the program writes at exit"; }
    # Nothing went into the program's own tree.
    local changed
    changed=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | diff - "$here/installed-files.txt" || true)
    [ -z "$changed" ] || fail "the program's tree changed: $changed"
    echo "settings written to $ini"
}

# 1. A user who may not write to the program's folder. Root may write anywhere, so as root the
#    program runs as the unprivileged user "nobody" on a tree nobody may write to.
chmod -R a-w "$root"
chmod 755 "$work"
as_user=(env)
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
"${as_user[@]}" test -w "$root/usr/bin" && fail "the unpacked usr/bin is writable for the program's user"
run_installed "$work/home-user" "${as_user[@]}"
cat "$work/home-user/.local/share/Movra/movra.ini"

# 2. Someone who may write there (root under /usr, a user under a prefix of their own): an
#    installed copy still keeps one user's settings out of the shared folder.
chmod -R u+w "$root"
test -w "$root/usr/bin" || fail "could not make the unpacked usr/bin writable"
run_installed "$work/home-owner"

echo "packaging_deb: package built, inspected, unpacked and run"
