#!/usr/bin/env bash
# Configures, builds and runs the whole test suite.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: build-and-test.sh [default|asan|fuzz]
  default  the RelWithDebInfo build in build/ (the default), then the fuzz smoke
  asan     the AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
  fuzz     only the fuzz targets (clang, libFuzzer) in build-fuzz/ and their smoke
Configures the CMake preset, builds everything and runs the whole test suite.
The fuzz smoke replays every kept reproducer of fuzz/regressions/ and fuzzes
each target for a few seconds.
Exit status: 0 when every test passed; 64 bad usage; otherwise that of the
failing cmake or ctest step.
USAGE
}

case "$#:${1:-}" in
  0:) preset=default ;;
  1:default | 1:asan | 1:fuzz) preset="$1" ;;
  1:-h | 1:--help)
    usage
    exit 0
    ;;
  *)
    usage >&2
    exit 64
    ;;
esac

cd "$(dirname "$0")/.."
run_preset() {
  cmake --preset "$1"
  cmake --build --preset "$1" -j "$(nproc)"
  ctest --preset "$1" -j "$(nproc)"
}
run_preset "$preset"
# The default run is CI's: it builds the fuzz targets with clang as well, so
# that the smoke of every parser runs on every change.
if [ "$preset" = default ]; then run_preset fuzz; fi
