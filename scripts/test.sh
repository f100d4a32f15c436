#!/usr/bin/env bash
# Installs what is missing, builds Renewly with warnings as errors, and runs every test; then
# builds and runs the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)

# The two builds and the fuzzers take about 6 GiB; say so up front rather than fail mid-link.
free_kib=$(df --output=avail -k . | tail -1)
if (( free_kib < 6 * 1024 * 1024 )); then
  echo "warning: only $((free_kib / 1024)) MiB free here; building and testing needs about 6 GiB" >&2
fi

cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRENEWLY_WERROR=ON
cmake --build build/ci -j"$jobs"
ctest --test-dir build/ci --output-on-failure -j"$jobs"

if [ "${RENEWLY_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRENEWLY_WERROR=ON -DRENEWLY_SANITIZE=ON \
        -DRENEWLY_BUILD_BENCH=OFF
  cmake --build build/asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j"$jobs" -LE no-sanitizer
fi
[ "${RENEWLY_SKIP_FUZZ:-0}" = 1 ] || ./scripts/fuzz.sh
