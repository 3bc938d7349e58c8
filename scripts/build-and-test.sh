#!/usr/bin/env bash
# Configures, builds and runs the whole test suite.
# Usage: scripts/build-and-test.sh [default|asan]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
