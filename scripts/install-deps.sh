#!/usr/bin/env bash
# Installs every Debian package Renewly needs to build, run, test and benchmark.
# This script is the single source of the project's system dependencies.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # application framework
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libgl-dev
  # on-device text recognition
  libtesseract-dev libleptonica-dev tesseract-ocr-chi-sim tesseract-ocr-eng
  # fonts for Chinese text in tests, the receipt corpus and screenshots
  fonts-noto-cjk fonts-noto-color-emoji fonts-dejavu-core fonts-liberation2
  # headless GUI, tray host, notification daemon, session bus (tests)
  xvfb xauth dbus dbus-x11 trayer dunst x11-apps xdotool libx11-dev imagemagick
  # a Wayland session: a headless compositor and Qt's Wayland platform
  weston qt6-wayland
  # a real iCalendar parser for the calendar export's test
  python3 python3-icalendar
  # desktop integration checks
  desktop-file-utils appstream
  # benchmarks, fuzzing
  libbenchmark-dev clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
