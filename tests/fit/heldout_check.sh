#!/usr/bin/env bash
# Held-out check of the example models: velk_nrt scores them on real-time
# inputs of periods no fit has seen, each joined into one table the way a cycle
# joins months (scripts/score-models.sh). Every model must beat persistence by
# a skill score of at least 0.1, except Kp, which must beat it at all: the Kp
# model leaves the field out so that it stays on its scale in storms stronger
# than the training years' (fit/README.md), and its measured skill is below
# 0.1 in 2023-01..04 and 2024-04..06. Prints every model's scores.
# Usage: heldout_check.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -euo pipefail
src="$(realpath "$1")" build="$(realpath "$2")" work="$3"
rm -rf "$work"
mkdir -p "$work"
failures=0
printf '%-21s %4s %7s %7s %7s %7s %7s\n' 'period variant' lead PE PE_pers R R_pers skill
for period in "2015-01 2015-12" "2017-01 2017-12" "2023-01 2023-04" "2024-04 2024-06"; do
  read -r from to <<< "$period"
  bash "$src/scripts/score-models.sh" --build "$build" --work "$work/$from" "$from" "$to" \
    > "$work/$from.scores" || failures=$((failures + 1))
  cat "$work/$from.scores"
  awk -v want=6 '
    { models++; floor = $2 == "kp" ? 0 : 0.1 }
    !($8 + 0 >= floor) { print "FAIL: " $1 " " $2 " lead " $3 " skill " $8 " below " floor; bad++ }
    END { if (models != want) { print "FAIL: " models " models scored, not " want; bad++ } exit bad > 0 }
  ' "$work/$from.scores" || failures=$((failures + 1))
done
[ "$failures" -eq 0 ]
