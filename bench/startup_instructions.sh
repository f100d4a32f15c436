#!/usr/bin/env bash
# Instructions the desktop program's threads execute on the way to its first frame, counted by
# callgrind under Xvfb with a tray host, a session bus and a notification server, as
# bench_startup.sh starts it. Unlike wall time, the counts hardly change with the load of the machine.
# Prints the main thread's instructions up to the moment the window is first on screen, and each
# other thread's over the whole run (they do nearly all their work before that moment).
# With "bare" for the subscriptions, counts the bare Qt window bench_startup.sh compares with
# instead (its other threads' whole run includes taking the application down), with "text" that
# window holding twelve lines of text.
#
# usage: bench/startup_instructions.sh [BUILD_DIR] [SUBSCRIPTIONS|bare|text]   (defaults: build/, 0)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
count=${2:-0}
renewly=${PROGRAM:-$build/bin/renewly}

if [[ -z "${RENEWLY_BENCH_IN_XVFB:-}" ]]; then
    cmake --build "$build" --target "$([[ $count == bare || $count == text ]] && echo bench_bare_window || echo renewly)" >&2
    export RENEWLY_BENCH_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" "$build" "$count"
fi

source "$root/bench/desktop-session.sh"

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_desktop_session

home=$work/home
mkdir -p "$home/data/Renewly" "$home/run" && chmod 700 "$home/run"
if [[ $count == bare || $count == text ]]; then
    HOME=$home XDG_RUNTIME_DIR=$home/run \
        valgrind --tool=callgrind --separate-threads=yes --dump-before='reportShown()' \
        --callgrind-out-file="$work/out.%p" "$build/bin/bench_bare_window" $([[ $count == text ]] && echo --text) \
        >/dev/null 2>"$work/valgrind.log"
else
    if ((count > 0)); then
        write_list "$count" "$home/data/Renewly/subscriptions.json"
    fi
    HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run \
        valgrind --tool=callgrind --separate-threads=yes --dump-before='StartupProbe::shown()' \
        --callgrind-out-file="$work/out.%p" "$renewly" --startup-probe >/dev/null 2>"$work/valgrind.log"
fi

for file in "$work"/out.*; do
    part=$(sed -n 's/^part: //p' "$file")
    thread=$(sed -n 's/^thread: //p' "$file")
    total=$(sed -n 's/^totals: //p' "$file")
    [[ -n "$total" ]] || continue
    if ((thread == 1)); then
        ((part == 1)) && printf 'main thread to the first frame: %d instructions\n' "$total"
    else
        printf 'thread %d, whole run: %d instructions\n' "$thread" "$total"
    fi
done | sort
