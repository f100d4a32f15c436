#!/usr/bin/env bash
# Without a display (over SSH, on a console): --help and --version answer and exit 0, and a start
# ends with exit 1 and one line on stderr, never an abort.
#
# usage: no_display.sh RENEWLY
set -uo pipefail

renewly=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

for flag in --help -h --version; do
    out=$("$renewly" "$flag" 2>"$work/err")
    code=$?
    [[ $code == 0 ]] || fail "$flag exited with $code: $(cat "$work/err")"
done
"$renewly" --help | grep -q -- "--background" || fail "--help does not list --background"
"$renewly" --version | grep -qE "^Renewly [0-9]" || fail "--version does not print the version"

# No display named at all; one named that nobody serves; Wayland asked for without a compositor.
for setting in "" "DISPLAY=:5791" "QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"; do
    env $setting "$renewly" >"$work/out" 2>"$work/err"
    code=$?
    [[ $code == 1 ]] || fail "start with '${setting:-nothing}' exited with $code"
    [[ $(wc -l <"$work/err") == 1 ]] || fail "start with '${setting:-nothing}' printed: $(cat "$work/err")"
    grep -q "^renewly: " "$work/err" || fail "start with '${setting:-nothing}' printed: $(cat "$work/err")"
done
# Nothing was left behind that blocks the next start.
[[ ! -e "$XDG_DATA_HOME/Renewly/subscriptions.json" ]] || fail "a start without a display wrote the list"

((failed == 0)) && echo "no-display test passed"
exit $failed
