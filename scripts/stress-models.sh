#!/usr/bin/env bash
# Stress test of models in storms stronger than those they were fitted on:
# joins each YEAR's recorded months, multiplies the field values of the MAG
# list by F (so every V*B product grows by F too; scripts/score-models.sh
# --scale-field), lets velk_nrt forecast on that table and checks that every
# forecast it gives stays within the index's physical range:
#   Kp -5..95 (tenths, the scale ends at 90), ap -5..400, Dst -1000..100 nT.
# Prints per year, variant and lead the lowest and highest forecast.
# Usage: stress-models.sh [--models DIR] [--build DIR] [--factor F] YEAR...
#   --models  the .res/.cov files and fit-*.cfg.in (default examples/models)
#   --build   the build tree (default build); --factor F (default 2.5)
# Exit status: 0 every forecast in range, 64 bad usage, 1 otherwise.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
models="$root/examples/models" build="$root/build" factor=2.5
while [ $# -gt 0 ]; do
  case "$1" in
    --models | --build | --factor)
      [ $# -ge 2 ] || { echo "stress-models: $1 needs a value" >&2; exit 64; }
      case "$1" in --models) models="$2" ;; --build) build="$2" ;; --factor) factor="$2" ;; esac
      shift 2 ;;
    -*) echo "stress-models: unknown option $1" >&2; exit 64 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "stress-models: give the years to test, e.g. 2016 2018" >&2; exit 64; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for year in "$@"; do
  bash "$root/scripts/score-models.sh" --models "$models" --build "$build" --work "$work/$year" \
    --scale-field "$factor" "$year-01" "$year-12" > /dev/null || status=1
  for variant in ap kp dst; do
    # Columns: HOY HTND YYYY MM DD DOY HH, the observation, one forecast per lead.
    # A forecast equal to the index's fill value is no forecast.
    awk -v id="$year $variant" -v v="$variant" '
      BEGIN { fill = v == "kp" ? 99 : v == "ap" ? 0 : 9999
              lo = v == "kp" ? -5 : v == "ap" ? -5 : -1000
              hi = v == "kp" ? 95 : v == "ap" ? 400 : 100 }
      NR == 1 { next }
      { for (j = 9; j <= NF; j++) if ($j + 0 != fill) {
          n[j]++
          if (!(j in mn) || $j + 0 < mn[j]) mn[j] = $j + 0
          if (!(j in mx) || $j + 0 > mx[j]) mx[j] = $j + 0 } }
      END { for (j = 9; j <= 12; j++) if (j in n) {
              bad = mn[j] < lo || mx[j] > hi
              printf "%-9s %4d %7d %7d %s\n", id, j - 8, mn[j], mx[j], bad ? "OUT OF RANGE" : "ok"
              failed += bad }
            exit failed > 0 }
    ' "$work/$year/$variant/$variant-fc.asc" || status=1
  done
done
exit "$status"
