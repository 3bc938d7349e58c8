#!/usr/bin/env bash
# Leave-one-year-out cross-validation of a choice of candidate terms and gap
# bridging on the training years, and the storm checks (fit/README.md). For
# each training year Y the models are fitted on the other seven years and scored on Y's months
# ("year" lines) and on Y's storm table: the month of Y's lowest hourly Dst
# from 29 January on, with the month before ("storm" lines). Then the models
# fitted on all training years go through scripts/stress-models.sh ("stress"
# lines). Score lines are those of scripts/score-models.sh behind the prefix
# (the skill is their 8th column); stress lines end with ok or OUT OF RANGE.
# Usage: cross-validate-models.sh [--terms DIR] [--max-terms N] [--carry H]
#                                 [--min-density N] [--no-fallbacks] [BUILD_DIR]
#   options as scripts/fit-example-models.sh; nothing in examples/models changes
# Exit status: 0 done (whatever the scores), 1 a step failed, 64 bad usage.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
years=(2012 2013 2016 2018 2019 2020 2021 2022) fit_options=() build="$root/build"
usage_error() {
  echo "cross-validate-models: $* (usage: the comment at the top of $0)" >&2
  exit 64
}
while [ $# -gt 0 ]; do
  case "$1" in
    --terms | --max-terms | --carry | --min-density)
      [ $# -ge 2 ] || usage_error "$1 needs a value"
      fit_options+=("$1" "$2")
      shift 2 ;;
    --no-fallbacks) fit_options+=("$1"); shift ;;
    -*) usage_error "unknown option $1" ;;
    *)
      [ "$build" = "$root/build" ] || usage_error "more than one BUILD_DIR"
      build="$1"
      shift ;;
  esac
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fit_on() {  # fit_on OUT YEAR...
  local out="$1"
  shift
  bash "$root/scripts/fit-example-models.sh" "${fit_options[@]}" --joined "$work/joined" \
    --years "$*" --out "$out" \
    "$build" > /dev/null
  cp "$root"/examples/models/fit-*.cfg.in "$out/"
}

for y in "${years[@]}"; do
  others=()
  for o in "${years[@]}"; do [ "$o" = "$y" ] || others+=("$o"); done
  fit_on "$work/cv-$y" "${others[@]}"
  bash "$root/scripts/score-models.sh" --models "$work/cv-$y" --build "$build" \
    --work "$work/score-$y" "$y-01" "$y-12" | sed 's/^/year  /'
  # Dst day records: month in columns 6-7, day in 9-10, 24 hourly values of
  # four columns from column 21, 9999 missing.
  month="$(awk '
    /^DST/ { m = substr($0, 6, 2) + 0; d = substr($0, 9, 2) + 0
             if (m == 1 && d < 29) next
             for (h = 0; h < 24; h++) { v = substr($0, 21 + 4 * h, 4) + 0
               if (v != 9999 && (best == "" || v < best)) { best = v; bm = m } } }
    END { print bm }' "$work/score-$y/h-dst.asc")"
  if [ "$month" -eq 1 ]; then from="$y-01" to="$y-02"
  else from="$(printf '%s-%02d' "$y" $((month - 1)))" to="$(printf '%s-%02d' "$y" "$month")"; fi
  bash "$root/scripts/score-models.sh" --models "$work/cv-$y" --build "$build" \
    "$from" "$to" | sed 's/^/storm /'
done
fit_on "$work/all" "${years[@]}"
bash "$root/scripts/stress-models.sh" --models "$work/all" --build "$build" "${years[@]}" \
  | sed 's/^/stress /' || true
