#!/usr/bin/env bash
# Installs the desktop component into a scratch prefix and checks what a desktop finds there: the
# program, a valid launcher entry, valid AppStream metadata, the scalable icon and an autostart
# entry that starts the program in the tray.
#
# usage: install_check.sh BUILD_DIR APP_ID
set -euo pipefail

build=$1
id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" --component desktop >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

[[ -x "$prefix/bin/renewly" ]] || fail "program not installed"
# The recogniser plugin, in lib/renewly (or its multiarch form) where the program looks for it.
compgen -G "$prefix/lib/renewly/renewly-recognizer.so" >/dev/null ||
    compgen -G "$prefix/lib/*/renewly/renewly-recognizer.so" >/dev/null || fail "recogniser plugin not installed"
launcher="$prefix/share/applications/$id.desktop"
autostart="$prefix/etc/xdg/autostart/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
for f in "$launcher" "$autostart" "$metainfo" "$icon"; do
    [[ -f "$f" ]] || fail "missing $f"
done

desktop-file-validate "$launcher" || fail "launcher entry is not valid"
desktop-file-validate "$autostart" || fail "autostart entry is not valid"
appstreamcli validate --no-net --strict "$metainfo" || fail "metainfo is not valid"

grep -qx "Exec=renewly" "$launcher" || fail "launcher does not start renewly"
grep -qx "Icon=$id" "$launcher" || fail "launcher names another icon"
grep -qx "Exec=renewly --background" "$autostart" || fail "autostart does not start in the tray"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo names another launcher"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo has another id"
grep -q "<svg" "$icon" || fail "icon is not an SVG"

echo "install check passed"
