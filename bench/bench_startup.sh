#!/usr/bin/env bash
# Start-up figures of the desktop program under Xvfb with a tray host, a session bus and a
# notification server, as a desktop session has them: wall time from starting the
# process to its main window on screen, and resident memory once it has idled for two seconds,
# with an empty list and with 1,000 subscriptions. Each figure is the median of RUNS starts.
# Each start of the program follows a start of a bare Qt window (QApplication and an empty
# 960×640 QMainWindow) under the same conditions; the ratio of the two medians is printed. So does
# a start of the same window holding a heading and twelve lines of text (bench_bare_window --text):
# its ratio is what any first frame with text pays on this machine.
#
# usage: bench/bench_startup.sh [BUILD_DIR]   (default build/; RUNS defaults to 9; PROGRAM=path
#        times another build of renewly, e.g. an older one, against this build's bare window)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${RUNS:-9}
renewly=${PROGRAM:-$build/bin/renewly}
bare=$build/bin/bench_bare_window

if [[ -z "${RENEWLY_BENCH_IN_XVFB:-}" ]]; then
    cmake --build "$build" --target renewly bench_bare_window >&2
    export RENEWLY_BENCH_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- "$0" "$build"
fi

source "$root/bench/desktop-session.sh"

work=$(mktemp -d)
mkdir -p "$work/bare-run" && chmod 700 "$work/bare-run"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_desktop_session

median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

measure() {
    local count=$1
    local times=() cpu=() before=() rss=() bare_times=() text_times=()
    for ((r = 0; r < runs; r++)); do
        local bare_out bare_t0
        bare_t0=$(date +%s%N)
        bare_out=$(HOME=$work XDG_RUNTIME_DIR=$work/bare-run "$bare")
        bare_times+=($((($(sed -n 's/^shown_realtime_ns=//p' <<<"$bare_out") - bare_t0) / 1000)))
        bare_t0=$(date +%s%N)
        bare_out=$(HOME=$work XDG_RUNTIME_DIR=$work/bare-run "$bare" --text)
        text_times+=($((($(sed -n 's/^shown_realtime_ns=//p' <<<"$bare_out") - bare_t0) / 1000)))
        local home=$work/home-$count-$r
        mkdir -p "$home/data/Renewly" "$home/run" && chmod 700 "$home/run"
        if ((count > 0)); then
            [[ -f "$work/list-$count.json" ]] || write_list "$count" "$work/list-$count.json"
            cp "$work/list-$count.json" "$home/data/Renewly/subscriptions.json"
        fi
        local out t0
        t0=$(date +%s%N)
        out=$(HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run \
            "$renewly" --startup-probe)
        local shown idle
        shown=$(sed -n 's/^shown_realtime_ns=//p' <<<"$out")
        idle=$(sed -n 's/^idle_rss_kib=//p' <<<"$out")
        cpu+=("$(sed -n 's/^shown_cpu_us=//p' <<<"$out")")
        before+=("$(sed -n 's/^main_cpu_us=//p' <<<"$out")")
        times+=($(((shown - t0) / 1000)))
        rss+=("$idle")
    done
    local t fastest m c b bt tt
    t=$(printf '%s\n' "${times[@]}" | median)
    bt=$(printf '%s\n' "${bare_times[@]}" | median)
    tt=$(printf '%s\n' "${text_times[@]}" | median)
    c=$(printf '%s\n' "${cpu[@]}" | median)
    b=$(printf '%s\n' "${before[@]}" | median)
    fastest=$(printf '%s\n' "${times[@]}" | sort -n | head -n1)
    m=$(printf '%s\n' "${rss[@]}" | median)
    awk -v n="$count" -v t="$t" -v f="$fastest" -v c="$c" -v b="$b" -v runs="$runs" -v m="$m" -v bt="$bt" -v tt="$tt" 'BEGIN {
        printf "%5d subscriptions: start to shown window %6.1f ms (median of %d, fastest %.1f ms), " \
               "CPU %.1f ms of which %.1f ms before main(), idle RSS %.1f MiB; " \
               "bare Qt window %.1f ms, ratio %.2f (the window with text %.1f ms, ratio %.2f)\n",
            n, t / 1000, runs, f / 1000, c / 1000, b / 1000, m / 1024, bt / 1000, t / bt, tt / 1000, tt / bt }'
}

# One start to warm the file cache, as a login start would find it.
measure 0 >/dev/null
measure 0
measure 1000
