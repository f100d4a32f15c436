#!/usr/bin/env bash
# PNG pictures of the tray panel and the main window, in English and Chinese, drawn under Xvfb from
# sample data at a fixed date, and the window, panel and a sheet under a Wayland compositor.
#
# usage: scripts/screenshots.sh [OUT_DIR]   (default: screenshots/; BUILD_DIR defaults to build/)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-$root/screenshots}")

cmake --build "$build" --target renewly_screenshots >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"

env HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    TZ=Asia/Shanghai LANG=C.UTF-8 LANGUAGE= LC_ALL= QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x800x24" "$build/tools/screenshots/renewly_screenshots" "$out"

# The window, the tray panel and the settings sheet as a Wayland compositor (headless weston) shows
# them: wayland-window.png, wayland-panel.png, wayland-settings.png.
cmake --build "$build" --target test_wayland >/dev/null
env HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" TZ=Asia/Shanghai LANG=C.UTF-8 \
    LANGUAGE= LC_ALL= RENEWLY_SHOTS_DIR="$out" "$root/tests/gui/wayland_e2e.sh" "$build/tests/gui/test_wayland" >/dev/null

# The main window's sheets and states.
"$root/scripts/screenshots-main.sh" "$out"
