#!/usr/bin/env bash
# The real program in a real X session, first without any tray: closing the window ends it and a
# start in the background opens the window. Then with a tray host: the icon appears, a right click
# opens its menu, a click opens the panel,
# a click outside closes it, Open shows the main window, closing the window keeps the process, a
# second launch brings the window back and exits, a lock left by a killed process does not block
# the next start, and Quit ends the process.
#
# usage: tray_e2e.sh RENEWLY X11_CLOSE_WINDOW
set -euo pipefail

renewly=$1
close_window=$2

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        { kill -9 "$pid" && wait "$pid"; } 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Every wait polls its condition until it holds. The waits share one allowance, well inside the
# test's time-out: a loaded machine slows the test down rather than failing it, and a step that
# never happens still fails with its own message.
deadline=$((SECONDS + ${RENEWLY_TRAY_ALLOWANCE_S:-240}))
wait_for() {
    while ((SECONDS < deadline)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    "$@" >/dev/null 2>&1
}
# Runs a command that should end by itself, within what is left of the allowance.
within_allowance() { timeout "$((deadline > SECONDS ? deadline - SECONDS : 1))" "$@"; }

# A private X server on a display number it picks itself, so tests running side by side never
# race for the same one.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for test -s "$work/display" || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

# A private user: no real home, English texts, and no session bus (an address that leads nowhere,
# so that no bus is started on demand either): the tray icon is the XEmbed one.
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CONFIG_HOME=$work/home/config
export XDG_RUNTIME_DIR=$work/run LANG=C.UTF-8 LANGUAGE= LC_ALL=
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
unset QT_QPA_PLATFORM
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

fail() { echo "FAIL: $*" >&2; xwininfo -root -tree >&2 || true; exit 1; }

main_title="Renewly · Subscription Manager"
main_window() { xdotool search --onlyvisible --name "^${main_title}\$" | head -n1; }
main_visible() { [[ -n "$(main_window)" ]]; }
main_hidden() { [[ -z "$(main_window)" ]]; }
# The panel: a visible Renewly window exactly 300 pixels wide. Prints "id x y width height".
panel_geometry() {
    local id
    for id in $(xdotool search --onlyvisible --classname renewly 2>/dev/null); do
        local info w h x y
        info=$(xwininfo -id "$id")
        w=$(awk '/^  Width:/ {print $2}' <<<"$info")
        h=$(awk '/^  Height:/ {print $2}' <<<"$info")
        x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
        y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
        if [[ "$w" == 300 ]]; then echo "$id $x $y $w $h"; return 0; fi
    done
    return 1
}
panel_open() { panel_geometry >/dev/null; }
panel_closed() { ! panel_geometry >/dev/null; }
# The tray icon: the Renewly window embedded in trayer's panel. Prints "x y" of its centre.
icon_centre() {
    xwininfo -root -tree | awk '/"Renewly": \("renewly" "Renewly"\)/ {
        split($(NF-1), size, "x"); split($NF, pos, "+");
        if (size[1] + 0 <= 64 && size[2] + 0 <= 64) { print pos[2] + int(size[1] / 2), pos[3] + int(size[2] / 2); exit 0 }
    } END { }' | grep .
}
# Puts the pointer at x y. --sync waits until the pointer has moved there, and so, when it is there
# already, for a long while before giving up: then it is not moved at all.
pointer_to() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell)"
    [[ "$X" == "$1" && "$Y" == "$2" ]] || xdotool mousemove --sync "$1" "$2"
}
click_at() { pointer_to "$1" "$2" || fail "the pointer did not move to $1 $2"; xdotool click 1; }
click_icon() { local c; c=$(icon_centre) || fail "no tray icon"; click_at $c; }

# A subscription due soon, so the file exists and its bytes can be compared later.
mkdir -p "$XDG_DATA_HOME/Renewly"
cat >"$XDG_DATA_HOME/Renewly/subscriptions.json" <<'JSON'
[
  {
    "amount" : 20,
    "billingType" : "recurring",
    "category" : "AI/工具",
    "currency" : "USD",
    "cycle" : "monthly",
    "id" : "6F1C1A34-8F3B-4D7C-9C55-0D0F7E3C2A11",
    "isActive" : true,
    "name" : "ChatGPT Plus",
    "notes" : "",
    "startDate" : "2024-01-15T08:00:00Z"
  }
]
JSON
file="$XDG_DATA_HOME/Renewly/subscriptions.json"
checksum_before=$(sha256sum "$file")

echo "0. without a tray, a background start opens the window and closing it ends the process"
"$renewly" --background >"$work/renewly0.log" 2>&1 &
app=$!
pids+=($app)
wait_for main_visible || fail "a background start without a tray opened no window"
"$close_window" "$(main_window)"
wait_for bash -c "! kill -0 $app" || fail "closing the window without a tray left the process running"
wait "$app" || fail "the process did not exit cleanly"
[[ "$(sha256sum "$file")" == "$checksum_before" ]] || fail "the subscription file changed"

trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 28 \
    --transparent false --tint 0x202024 >/dev/null 2>&1 &
pids+=($!)
wait_for xdotool search --name '^panel$' || fail "trayer did not start"

"$renewly" >"$work/renewly.log" 2>&1 &
app=$!
pids+=($app)

echo "1. the main window and the tray icon appear"
wait_for main_visible || fail "main window did not appear"
wait_for icon_centre || fail "tray icon did not appear"

echo "2. closing the main window keeps the process running: it still answers a right click on the icon"
"$close_window" "$(main_window)"
wait_for main_hidden || fail "main window did not close"

echo "3. a right click on the icon opens its menu, Escape closes it"
# The menu: a visible Renewly window wider than the icon that is not the panel.
menu_open() {
    local id w found=
    for id in $(xdotool search --onlyvisible --classname renewly 2>/dev/null); do
        w=$(xwininfo -id "$id" | awk '/^  Width:/ {print $2}')
        ((w > 64 && w != 300)) && found=$id
    done
    [[ -n "$found" ]]
}
menu_closed() { ! menu_open; }
# The icon's tooltip: a short visible Renewly window below the tray panel.
tooltip_shown() {
    local id info
    for id in $(xdotool search --onlyvisible --classname renewly 2>/dev/null); do
        info=$(xwininfo -id "$id")
        (($(awk '/^  Height:/ {print $2}' <<<"$info") < 40)) &&
            (($(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info") >= 28)) && return 0
    done
    return 1
}
tooltip_gone() { ! tooltip_shown; }
c=$(icon_centre) || fail "no tray icon"
# The button is let go once the menu is open, as a hand does.
pointer_to $c
xdotool mousedown 3
wait_for menu_open || fail "right click opened no menu"
xdotool mouseup 3
kill -0 "$app" || fail "process ended when its window closed"
xdotool key Escape
wait_for menu_closed || fail "Escape did not close the menu"

echo "3b. a click on the icon opens the panel under it"
click_icon
wait_for panel_open || fail "panel did not open"
read -r _ px py pw ph < <(panel_geometry)
(( py >= 28 )) || fail "panel overlaps the tray panel (y=$py)"
(( px + pw <= 1280 )) || fail "panel leaves the screen (x=$px)"

echo "4. a click outside closes it"
click_at 200 600
wait_for panel_closed || fail "panel did not close on a click outside"

echo "5. a click on the icon while the panel is open closes it"
click_icon
wait_for panel_open || fail "panel did not reopen"
click_icon
wait_for panel_closed || fail "panel did not close on a second click on the icon"
# Resting the pointer on the icon shows its tooltip once the program has handled every earlier
# event, the closing click's release included; an open panel would hold the pointer instead.
c=$(icon_centre) || fail "no tray icon"
xdotool mousemove_relative 1 1
wait_for tooltip_shown || fail "the icon showed no tooltip: the panel came back after the closing click"
panel_closed || fail "panel came back after the closing click"
xdotool mousemove 600 400
wait_for tooltip_gone || fail "the tooltip stayed"

echo "6. Open shows the main window"
click_icon
wait_for panel_open || fail "panel did not open"
read -r _ px py pw ph < <(panel_geometry)
click_at $((px + 40)) $((py + ph - 26))
wait_for main_visible || fail "Open did not show the main window"
wait_for panel_closed || fail "Open did not close the panel"

echo "7. a second launch brings the window back and leaves"
"$close_window" "$(main_window)"
wait_for main_hidden || fail "main window did not close"
within_allowance "$renewly" || fail "second launch failed"
wait_for main_visible || fail "second launch did not bring the window back"
ours() { for pid in $(pgrep -x renewly); do grep -qz "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" "/proc/$pid/environ" && echo "$pid"; done; }
[[ "$(ours | wc -l)" == 1 ]] || fail "two processes run"
[[ "$(sha256sum "$file")" == "$checksum_before" ]] || fail "the subscription file changed"
within_allowance "$renewly" --background || fail "second background launch failed"

echo "8. Quit ends the process"
click_icon
wait_for panel_open || fail "panel did not open"
read -r _ px py pw ph < <(panel_geometry)
click_at $((px + pw - 24)) $((py + ph - 26))
wait_for bash -c "! kill -0 $app" || fail "Quit did not end the process"
wait "$app" || fail "the process did not exit cleanly"

echo "9. a lock left by a killed process does not block the next start"
"$renewly" --background >"$work/renewly2.log" 2>&1 &
app=$!
pids+=($app)
wait_for icon_centre || fail "tray icon did not appear"
kill -9 "$app"
wait "$app" 2>/dev/null || true
[[ -e "$XDG_RUNTIME_DIR/renewly.lock" ]] || fail "expected the killed process to leave its lock"
wait_for bash -c "! xwininfo -root -tree | grep -q '\"Renewly\": (\"renewly\"'" || true
"$renewly" >"$work/renewly3.log" 2>&1 &
app=$!
pids+=($app)
wait_for main_visible || fail "the start after a crash did not show the window"
kill -0 "$app" || fail "the start after a crash ended"

echo "tray test passed"
