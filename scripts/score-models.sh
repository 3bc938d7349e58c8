#!/usr/bin/env bash
# Scores models the way a cycle would see them: joins the recorded months
# FROM..TO (real-time ACE hourly lists, recorded Dst and Kp/ap, OMNI2 where a
# month has none; scripts/join-recorded-months.py) into one table and has
# velk_nrt evaluate each variant's production model block on it. Prints one
# line per model: PE, PE of persistence, r, r of persistence and skill
# (1 - MSE(model)/MSE(persistence)), as velk_nrt writes them to its metadata,
# then coverage, storm rows, storm coverage and storm-hour skill counted in its
# forecast table, and the share of observations inside the 68 % and 95 %
# intervals of its forecast product (scripts/table-scores.py --help tells them).
# velk_nrt scores the rows from MAXLAG + LT + 1 on, so the first 27 days of
# the table are history only.
# Usage: score-models.sh [--models DIR] [--build DIR] [--work DIR] [--scale-field F]
#                        [--until DAY] FROM TO [VARIANT...]
#   FROM, TO  first and last month, YYYY-MM; VARIANT ap, kp, dst (default all)
#   --models  the .res/.cov files and fit-*.cfg.in (default examples/models)
#   --build   the build tree holding omni2nrt and velk_nrt (default build)
#   --work    where the table and the runs go (default: a temporary directory);
#             the forecast tables stay in WORK/VARIANT/VARIANT-fc.asc
#   --scale-field  multiplies the field values Bx, By, Bz and Bt of the MAG
#             list by F (angles kept) before the run: a stronger storm than
#             the recorded one (scripts/stress-models.sh)
#   --until   DAY (YYYY-MM-DD): the running month of a cycle at 08:30 UT that
#             day: the ACE lists end with the record of 07 UT (the indices'
#             later rows lie beyond the last ACE row, which velk_nrt neither
#             reads nor scores); TO must be DAY's month
# Exit status: 0 every variant scored, 64 bad usage, 1 otherwise.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
models="$root/examples/models" build="$root/build" work="" scale="" until=""
while [ $# -gt 0 ]; do
  case "$1" in
    --models | --build | --work | --scale-field | --until)
      [ $# -ge 2 ] || { echo "score-models: $1 needs a value" >&2; exit 64; }
      case "$1" in --models) models="$(realpath "$2")" ;; --build) build="$(realpath "$2")" ;;
        --work) work="$2" ;; --scale-field) scale="$2" ;; --until) until="$2" ;; esac
      shift 2 ;;
    -h | --help) sed -n '2,27p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "score-models: unknown option $1 (try --help)" >&2; exit 64 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { echo "score-models: give FROM TO (try --help)" >&2; exit 64; }
from="$1" to="$2"
shift 2
variants=("$@")
[ ${#variants[@]} -gt 0 ] || variants=(ap kp dst)
if [ -z "$work" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
work="$(realpath "$work")"

python3 "$root/scripts/join-recorded-months.py" --omni2nrt "$build/fit/omni2nrt" \
  "$from" "$to" "$work/h-"
if [ -n "$scale" ]; then
  # Records hold Bx, By, Bz, Bt, latitude and longitude in F8.1 from column 38;
  # the fill value -999.9 stays.
  awk -v f="$scale" '
    /^#/ || length($0) < 69 { print; next }
    { out = substr($0, 1, 37)
      for (i = 0; i < 4; i++) { v = substr($0, 38 + 8 * i, 8) + 0; out = out sprintf("%8.1f", v == -999.9 ? v : v * f) }
      print out substr($0, 70) }
  ' "$work/h-mag.asc" > "$work/h-mag.scaled" && mv "$work/h-mag.scaled" "$work/h-mag.asc"
fi
if [ -n "$until" ]; then
  [[ "$until" =~ ^${to}-[0-9]{2}$ ]] || { echo "score-models: --until $until does not lie in $to" >&2; exit 1; }
  last="${until//-/ }  0700"
  for list in mag swepam; do
    awk -v last="$last" 'NR <= 4 { print; next } { print } index($0, last) == 1 { found = 1; exit }
      END { exit !found }' "$work/h-$list.asc" > "$work/h-$list.cut" ||
      { echo "score-models: the $list list holds no record of $last" >&2; exit 1; }
    mv "$work/h-$list.cut" "$work/h-$list.asc"
  done
fi
status=0
for variant in "${variants[@]}"; do
  run="$work/$variant"
  rm -rf "$run"
  mkdir -p "$run"
  cp "$models"/*.res "$models"/*.cov "$run/"
  cp "$models"/*.gap "$run/" 2>/dev/null || true
  sed -e "s#history/@YEAR@-#../h-#" -e "s/fit-$variant/$variant-fc/" \
    "$models/fit-$variant.cfg.in" > "$run/velk_nrt.cfg"
  (cd "$run" && "$build/forecast/velk_nrt" > velk_nrt.out) || true
  if [ -s "$run/velk_nrt.out" ] || [ ! -s "$run/$variant-fc.xml" ]; then
    echo "score-models: velk_nrt gave no scores for $variant: $(cat "$run/velk_nrt.out")" >&2
    status=1
    continue
  fi
  python3 "$root/scripts/table-scores.py" --label "$from..$to $variant" \
    --product "$run/$variant-fc.json" "$run/$variant-fc.asc" "$run/$variant-fc.xml" || status=1
done
exit "$status"
