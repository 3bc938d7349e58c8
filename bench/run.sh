#!/usr/bin/env bash
# Builds the benchmark tools in a Release tree of their own and prints the
# figures (see bench/README.md). Extra arguments go to bench.py, e.g. --quick
# or --runs 5. Not part of the test suite.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${NRT_BENCH_BUILD_DIR:-$root/build-bench}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DNRT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_tools -j2 >/dev/null

# Debian's interpreter: it has pyftpdlib for the loopback FTP server.
exec /usr/bin/python3 "$root/bench/bench.py" --root "$root" --build "$build" "$@"
