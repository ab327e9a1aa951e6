#!/bin/bash
# movra --help, --version and a wrong option, run with no X display and no Qt platform set: they
# answer on the terminal and end without ever starting the windowing system.
# Usage: command_line_test.sh PROGRAM
set -euo pipefail
program=${1:?path of the built program}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# ASAN_OPTIONS: a sanitizer build runs this too, and its leak report is not what is tested here.
bare() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 ASAN_OPTIONS=detect_leaks=0 "$program" "$@"; }

status=0
bare --help >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || { cat "$work/err" >&2; fail "--help ended with $status"; }
grep -q '^Użycie: movra \[OPCJA\] \[PLIK\]' "$work/out" || { cat "$work/out" >&2; fail "--help printed no Polish usage"; }
[ ! -s "$work/err" ] || { cat "$work/err" >&2; fail "--help wrote to stderr"; }

status=0
bare --version >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || { cat "$work/err" >&2; fail "--version ended with $status"; }
grep -Eqx 'Movra [0-9]+\.[0-9]+(\.[0-9]+)?' "$work/out" || { cat "$work/out" >&2; fail "--version printed no version"; }

status=0
bare --nie-ma-takiej >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
grep -q 'Nieznana opcja: --nie-ma-takiej' "$work/err" || { cat "$work/err" >&2; fail "no Polish message for an unknown option"; }
[ ! -s "$work/out" ] || fail "an unknown option printed on stdout"
echo "command line: --help, --version and a wrong option answered without a display"
