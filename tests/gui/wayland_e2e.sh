#!/usr/bin/env bash
# Runs a test program on Wayland under a headless weston of its own.
#
# usage: wayland_e2e.sh TEST_PROGRAM
set -euo pipefail

program=$1
work=$(mktemp -d)
weston_pid=
cleanup() {
    [[ -n "$weston_pid" ]] && { kill "$weston_pid" && wait "$weston_pid"; } 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

command -v weston >/dev/null || { echo "weston is not installed" >&2; exit 77; }
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# No opening or closing animations, so that pictures show only what is open.
printf '[core]\nidle-time=0\n[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\n' >"$work/weston.ini"
# Pixman draws the frames (the headless default draws nothing); --debug lets weston-screenshooter
# take pictures of them.
weston --backend=headless-backend.so --use-pixman --socket=wayland-renewly --width=1280 --height=800 --idle-time=0 \
    --config="$work/weston.ini" --debug --log="$work/weston.log" &
weston_pid=$!
for ((i = 0; i < 100; i++)); do
    [[ -S "$XDG_RUNTIME_DIR/wayland-renewly" ]] && break
    sleep 0.1
done
[[ -S "$XDG_RUNTIME_DIR/wayland-renewly" ]] || { echo "FAIL: weston did not start" >&2; cat "$work/weston.log" >&2; exit 1; }

unset DISPLAY
export WAYLAND_DISPLAY=wayland-renewly QT_QPA_PLATFORM=wayland
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
"$program" "${@:2}"
