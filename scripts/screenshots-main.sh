#!/usr/bin/env bash
# PNG pictures of the main window (empty and with samples, narrow and wide) and of each of its sheets
# (add, confirm scan, edit, detail, settings) and the scan alert, in Chinese and English, drawn
# under Xvfb at a fixed date. scripts/screenshots.sh runs it too.
#
# usage: scripts/screenshots-main.sh [OUT_DIR]   (default: screenshots/; BUILD_DIR defaults to build/)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(realpath -m "${1:-$root/screenshots}")

cmake --build "$build" --target shoot_main_window >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"

env HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    TZ=Asia/Shanghai LANG=C.UTF-8 LANGUAGE= LC_ALL= QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24" "$build/tools/screenshots/shoot_main_window" "$out"
