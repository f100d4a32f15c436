#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one from its seed corpus for a
# bounded time. A crash, leak, hang or broken property fails the run and leaves the input in
# <build>/fuzz-artifacts/; copy it to fuzz/regressions/<target>/ so that test_fuzz_regressions keeps
# checking it in every build.
#
#   scripts/fuzz.sh                      every target for 60 s (what CI runs)
#   scripts/fuzz.sh --time 600           every target for 10 minutes
#   scripts/fuzz.sh --time 300 receipt_parser store_load
#
# Targets: subscription_file, store_load, receipt_parser, import, scan_image.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=60
build=build-fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) seconds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  targets=(subscription_file store_load receipt_parser import scan_image)
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRENEWLY_FUZZ=ON \
  -DRENEWLY_BUILD_TESTS=OFF -DRENEWLY_BUILD_BENCH=OFF -DRENEWLY_BUILD_GUI=OFF >/dev/null
# scan_image exists only where the recogniser library is built.
available=$(cmake --build "$build" --target help)
present=()
for target in "${targets[@]}"; do
  if grep -qx "fuzz_$target: phony" <<<"$available"; then
    present+=("$target")
  else
    echo "== fuzz_$target is not part of this build; skipped"
  fi
done
targets=("${present[@]}")
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Nothing the targets do may touch the real home folder or depend on the user's language or zone.
# Under /dev/shm when there is one: the store target saves (and syncs) a file on every input.
scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config \
  XDG_CACHE_HOME=$scratch/cache XDG_RUNTIME_DIR=$scratch/run TMPDIR=$scratch/tmp
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
export TZ=Asia/Shanghai LANG=C.UTF-8 LANGUAGE= LC_ALL= QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/fuzz/lsan.supp

failed=0
summary=""
for target in "${targets[@]}"; do
  exe=$build/fuzz/fuzz_$target
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  log=$build/fuzz-artifacts/$target.log
  echo "== fuzz_$target for ${seconds}s"
  # New inputs go to the first folder (kept between runs in the build folder); the project's seeds are
  # only read.
  status=0
  "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  if [ "$status" -ne 0 ]; then
    failed=1
    tail -n 60 "$log"
    summary+=$(printf '%-20s FAILED (exit %s) after %s runs; input in %s\n' "$target" "$status" "${runs:-?}" \
      "$artifacts")$'\n'
  else
    summary+=$(printf '%-20s %10s runs, corpus %s inputs\n' "$target" "${runs:-?}" \
      "$(find "$corpus" -type f | wc -l)")$'\n'
  fi
done
echo "== fuzzing summary (${seconds}s per target)"
printf '%s' "$summary"
exit "$failed"
