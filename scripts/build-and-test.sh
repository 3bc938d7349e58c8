#!/usr/bin/env bash
# Configures, builds and runs the whole test suite.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: build-and-test.sh [default|asan]
  default  the RelWithDebInfo build in build/ (the default)
  asan     the AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
Configures the CMake preset, builds everything and runs the whole test suite.
Exit status: 0 when every test passed; 2 bad usage; otherwise that of the
failing cmake or ctest step.
USAGE
}

case "$#:${1:-}" in
  0:) preset=default ;;
  1:default | 1:asan) preset="$1" ;;
  1:-h | 1:--help)
    usage
    exit 0
    ;;
  *)
    usage >&2
    exit 2
    ;;
esac

cd "$(dirname "$0")/.."
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
