#!/usr/bin/env bash
# One forecasting cycle in one working directory: the preprocessor, then the
# forecaster when the preprocessor handed over a fresh configuration.
#
# Usage: run-cycle.sh [--bindir DIR] VARIANT WORKDIR [ORDER_FILE]
#   VARIANT    ap, dst or kp (selects nrtprep-VARIANT)
#   WORKDIR    the cycle's working directory (velk_nrt.cfg, input files, outputs)
#   ORDER_FILE optional order file handed to the preprocessor
#
# Both programs use fixed file names in the working directory, so two cycles
# must never overlap there: a lock file makes a second cycle give up at once
# (exit 75) instead of interleaving with the first.
set -euo pipefail

bindir=""
if [ "${1:-}" = "--bindir" ]; then bindir="$2/"; shift 2; fi
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  sed -n '5,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 64
fi
variant="$1" workdir="$2" order="${3:-}"
case "$variant" in ap|dst|kp) ;; *) echo "run-cycle: unknown variant '$variant'" >&2; exit 64 ;; esac
if [ -n "$order" ]; then order="$(cd "$(dirname "$order")" && pwd)/$(basename "$order")"; fi

cd "$workdir"
exec 9>>.cycle.lock
if ! flock -n 9; then
  echo "run-cycle: another cycle is running in $workdir" >&2
  exit 75
fi

# The preprocessor writes velk_nrt.cfg only when every source was obtained; a
# configuration older than this cycle names the inputs of an earlier one.
marker="$(mktemp .cycle-start.XXXXXX)"
trap 'rm -f "$marker"' EXIT

prep_status=0
if [ -n "$order" ]; then
  "${bindir}nrtprep-$variant" "$order" || prep_status=$?
else
  "${bindir}nrtprep-$variant" || prep_status=$?
fi
if [ "$prep_status" -ne 0 ]; then
  echo "run-cycle: nrtprep-$variant ended with status $prep_status (see errorfile.xml)" >&2
  exit "$prep_status"
fi
if [ -z "$(find velk_nrt.cfg -newer "$marker" 2>/dev/null)" ]; then
  echo "run-cycle: no fresh velk_nrt.cfg this cycle (a source failed, see errorfile.xml); forecaster not run" >&2
  exit 1
fi
"${bindir}velk_nrt"
