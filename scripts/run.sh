#!/usr/bin/env bash
# Installs what is missing, builds Renewly and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DRENEWLY_BUILD_TESTS=OFF -DRENEWLY_BUILD_BENCH=OFF
cmake --build build/release -j"$(nproc)"

if [ -x build/release/bin/renewly ]; then
  exec build/release/bin/renewly "$@"
fi
exec build/release/src/cli/renewly-cli "${@:-summary}"
