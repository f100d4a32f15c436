#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them: every one, or those named on the command
# line (e.g. scripts/bench.sh bench_core). Extra Google Benchmark flags go after "--".
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DRENEWLY_BUILD_TESTS=OFF -DRENEWLY_BUILD_BENCH=ON
cmake --build build/bench -j"$(nproc)"

names=()
flags=()
while (($#)); do
  if [ "$1" = "--" ]; then shift; flags=("$@"); break; fi
  names+=("$1"); shift
done
if ((${#names[@]} == 0)); then
  mapfile -t names < <(find build/bench/bench -maxdepth 1 -type f -executable -name 'bench_*' -printf '%f\n' | sort)
fi
for name in "${names[@]}"; do
  echo "== $name"
  "build/bench/bench/$name" "${flags[@]}"
done
