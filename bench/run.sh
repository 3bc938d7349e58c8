#!/usr/bin/env bash
# Builds the benchmark tools in a Release tree of their own and prints the
# figures (see bench/README.md). Extra arguments go to bench.py, e.g. --quick
# or --runs 5. Not part of the test suite.
#
#   bench/run.sh [--against REV] [bench.py options]
#
# --against REV also builds the tools of commit REV (in $build-against) and
# measures its velk_nrt beside this one in the same run.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${NRT_BENCH_BUILD_DIR:-$root/build-bench}"

build_tools() {  # source dir, build dir
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DNRT_BUILD_TESTS=OFF >/dev/null
  cmake --build "$2" --target bench_tools -j2 >/dev/null
}

baseline=()
if [[ "${1:-}" == "--against" ]]; then
  if [[ $# -lt 2 || -z "$2" ]]; then
    echo "usage: bench/run.sh [--against REV] [bench.py options]" >&2
    exit 64
  fi
  against="$build-against"
  rm -rf "$against/src"
  mkdir -p "$against/src"
  git -C "$root" archive "$2" | tar -x -C "$against/src"
  build_tools "$against/src" "$against/build"
  baseline=(--baseline "$against/build")
  shift 2
fi

build_tools "$root" "$build"

# Debian's interpreter: it has pyftpdlib for the loopback FTP server.
exec /usr/bin/python3 "$root/bench/bench.py" --root "$root" --build "$build" "${baseline[@]}" "$@"
