#!/usr/bin/env bash
# Installs the desktop component into a scratch prefix and checks what a desktop finds there: the
# program, a valid launcher entry, valid AppStream metadata and the scalable icon, and no autostart
# entry for every user (starting at login is each user's own switch).
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
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
for f in "$launcher" "$metainfo" "$icon"; do
    [[ -f "$f" ]] || fail "missing $f"
done

desktop-file-validate "$launcher" || fail "launcher entry is not valid"
appstreamcli validate --no-net --strict "$metainfo" || fail "metainfo is not valid"

grep -qx "Exec=renewly" "$launcher" || fail "launcher does not start renewly"
grep -qx "Icon=$id" "$launcher" || fail "launcher names another icon"
[[ ! -e "$prefix/etc/xdg/autostart" ]] || fail "an autostart entry is installed for every user"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo names another launcher"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo has another id"
grep -q "<svg" "$icon" || fail "icon is not an SVG"

echo "install check passed"
