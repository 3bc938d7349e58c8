#!/usr/bin/env bash
# Held-out check of the example models: velk_nrt scores them on real-time
# inputs of periods no fit has seen, each joined into one table the way a cycle
# joins months (scripts/score-models.sh). Every model must reach its skill
# floor (1 - MSE(model)/MSE(persistence)) and the coverage floors (fraction of
# the rows with an observed index, and of the storm rows, that hold a
# forecast) on every period, and its 95 % intervals must hold 90-98 % of the
# observations (the way the errors combine was chosen on the training years,
# so this guards against intervals that only fit those). Prints every
# model's scores.
# Usage: heldout_check.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail

# The floors. A skill floor is given for every model (*), a variant (kp) or
# one model of a variant (dst:4, by lead); the most specific one applies.
# Kp only has to beat persistence: its model leaves the field out so that it
# stays on its scale in storms stronger than the training years'
# (fit/README.md), and measured below 0.1 in 2023-01..04 and 2024-04..06.
skill_floors="*=0.1" coverage_floor=0.95 storm_coverage_floor=0.9 inside95="0.90 0.98"

src="$(realpath "$1")" build="$(realpath "$2")" work="$3"
rm -rf "$work"
mkdir -p "$work"
failures=0
printf '%-21s %4s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n' 'period variant' lead PE PE_pers R R_pers \
  skill cover storms s_cover s_skill in68 in95 with_int
for period in "2015-01 2015-12" "2017-01 2017-12" "2023-01 2023-04" "2024-04 2024-06"; do
  read -r from to <<< "$period"
  bash "$src/scripts/score-models.sh" --build "$build" --work "$work/$from" "$from" "$to" \
    > "$work/$from.scores" || failures=$((failures + 1))
  cat "$work/$from.scores"
  awk -v want=6 -v floors="$skill_floors" -v cover="$coverage_floor" \
    -v storm_cover="$storm_coverage_floor" -v inside95="$inside95" '
    BEGIN { n = split(floors, f, " "); for (i = 1; i <= n; i++) { split(f[i], kv, "="); floor[kv[1]] = kv[2] } }
    function fail(what) { print "FAIL: " $1 " " $2 " lead " $3 " " what; bad++ }
    {
      models++
      skill = (($2 ":" $3) in floor ? floor[$2 ":" $3] : $2 in floor ? floor[$2] : floor["*"]) + 0
      if (!($8 + 0 >= skill)) fail("skill " $8 " below " skill)
      # "-" is a fraction of no rows: nothing observed, or no storm at all.
      if ($9 == "-" || !($9 + 0 >= cover + 0)) fail("coverage " $9 " below " cover)
      if ($11 != "-" && !($11 + 0 >= storm_cover + 0)) fail("storm coverage " $11 " below " storm_cover)
      split(inside95, band, " ")
      if ($14 == "-" || $14 + 0 < band[1] + 0 || $14 + 0 > band[2] + 0)
        fail("95 % interval holds " $14 ", not " band[1] "-" band[2])
    }
    END { if (models != want) { print "FAIL: " models " models scored, not " want; bad++ } exit bad > 0 }
  ' "$work/$from.scores" || failures=$((failures + 1))
done
[ "$failures" -eq 0 ]
