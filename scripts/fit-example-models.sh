#!/usr/bin/env bash
# Regenerates the example models in examples/models/ (ap 1203, Kp 1003, Dst
# 1101-1104) from the OMNI2 years 2016, 2018, 2020 and 2022 in fit/data/.
# Each year is converted to its own set of input files; velk_fit stacks the
# regression rows of the four years. The fit summaries go to
# examples/models/fit-summary.txt.
# Usage: scripts/fit-example-models.sh [BUILD_DIR]    (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
models="$root/examples/models"
years=(2016 2018 2020 2022)
max_terms=8

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir history
for y in "${years[@]}"; do
  gzip -dc "$root/fit/data/omni2_$y.dat.gz" | "$build/fit/omni2nrt" "history/$y-" -
done

fit() {  # fit VARIANT STEP
  local variant="$1" step="$2" configs=()
  for y in "${years[@]}"; do
    sed "s/@YEAR@/$y/g" "$models/fit-$variant.cfg.in" > "fit-$variant-$y.cfg"
    configs+=("fit-$variant-$y.cfg")
  done
  "$build/fit/velk_fit" --step "$step" --terms "$models/$variant.terms" \
    --max-terms "$max_terms" "${configs[@]}"
}

{
  echo "velk_fit summaries of the example models (fitted on ${years[*]}, at most $max_terms terms)"
  fit ap 1
  fit kp 1
  for step in 1 2 3 4; do fit dst "$step"; done
} > fit-summary.txt

cp 1203.res 1203.cov 1003.res 1003.cov 1101.res 1101.cov 1102.res 1102.cov \
  1103.res 1103.cov 1104.res 1104.cov fit-summary.txt "$models/"
echo "wrote the example models to $models"
