#!/usr/bin/env bash
# Long I/O fault-injection campaign over the preprocessor and the forecaster.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: fault-inject.sh [--build-dir DIR] [--runs N] [--seed S] [--permille P] [--keep]
  --build-dir DIR  a configured and built tree with the tests (default: build);
                   when given, it comes first
  --runs N         faulted runs of each program in each case (default 500): the
                   Nth I/O call for N/2 call numbers spread over a run (every
                   call when there are fewer), the rest with calls failing at
                   random
  --seed S         seed of the random faults (default 1)
  --permille P     chance of each call failing in a random run, per mille
                   (default 20)
  --keep           keep the scratch directory

Runs tests/fault/fault_campaign.py with the arguments of the build's CTest
test fault.io-injection (libfiu's POSIX preload, the loopback preprocessor
builds, velk_nrt, the end-to-end cases it names), checks after every run that
no data was lost, and prints each problem and the figures. Exit status 0 when
no run lost data, 1 otherwise, 2 when the campaign cannot run, 64 on bad usage.
USAGE
}
die() {
  echo "fault-inject: $*" >&2
  exit 2
}

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
case "${1:-}" in
  -h | --help) usage; exit 0 ;;
  --build-dir)
    [ $# -ge 2 ] && [ -n "$2" ] || { echo "fault-inject: --build-dir needs a value" >&2; usage >&2; exit 64; }
    build="$2"
    shift 2
    ;;
esac
arguments="$build/tests/fault/campaign.args"
[ -f "$arguments" ] || die "no $arguments: configure and build the tree with libfiu installed"
# The campaign's own options follow the defaults and win over them; it
# refuses any other argument.
exec nice /usr/bin/python3 "$root/tests/fault/fault_campaign.py" "@$arguments" --runs 500 --seed 1 "$@"
