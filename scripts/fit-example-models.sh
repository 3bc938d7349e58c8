#!/usr/bin/env bash
# Regenerates the example models in examples/models/ (ap 1203, Kp 1003, Dst
# 1101-1104) from the training years 2016, 2018, 2020 and 2022. Each year is
# joined into its own four input files; velk_fit stacks the regression rows of
# the years. The fit summaries go to fit-summary.txt beside the models.
# Usage: scripts/fit-example-models.sh [--source recorded|omni] [--years "Y..."]
#            [--out DIR] [--terms DIR] [--max-terms N] [BUILD_DIR]
#            (default build dir: build)
#   --source  recorded (default): the months as a cycle sees them, joined by
#             scripts/join-recorded-months.py; omni: the OMNI2 years alone
#   --years   the training years (default: 2016 2018 2020 2022)
#   --out     where the models go (default: examples/models)
#   --terms   where the candidate term files come from (default: examples/models)
#   --max-terms  at most N terms for every model (default: the numbers below)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
models="$root/examples/models"
out="$models" terms="$models" source=recorded years=(2016 2018 2020 2022) build="$root/build"
# Terms per model, chosen by leave-one-year-out cross-validation on the
# training years among the candidates that pass the storm checks (fit/README.md).
max_terms_ap=10 max_terms_kp=9 max_terms_dst=12
while [ $# -gt 0 ]; do
  case "$1" in
    --source) source="$2"; shift 2 ;;
    --years) read -r -a years <<< "$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --terms) terms="$(cd "$2" && pwd)"; shift 2 ;;
    --max-terms) max_terms_ap="$2" max_terms_kp="$2" max_terms_dst="$2"; shift 2 ;;
    *) build="$1"; shift ;;
  esac
done
build="$(cd "$build" && pwd)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir history
for y in "${years[@]}"; do
  case "$source" in
    recorded) python3 "$root/scripts/join-recorded-months.py" --omni2nrt "$build/fit/omni2nrt" \
      "$y-01" "$y-12" "history/$y-" ;;
    omni) gzip -dc "$root/fit/data/omni2_$y.dat.gz" | "$build/fit/omni2nrt" "history/$y-" - ;;
    *) echo "fit-example-models: unknown source '$source'" >&2; exit 2 ;;
  esac
done

fit() {  # fit VARIANT STEP TERMS MAX_TERMS
  local variant="$1" step="$2" configs=()
  for y in "${years[@]}"; do
    sed "s/@YEAR@/$y/g" "$models/fit-$variant.cfg.in" > "fit-$variant-$y.cfg"
    configs+=("fit-$variant-$y.cfg")
  done
  "$build/fit/velk_fit" --step "$step" --terms "$terms/$3" --max-terms "$4" "${configs[@]}"
}

{
  echo "velk_fit summaries of the example models (fitted on ${years[*]}, $source months," \
    "at most $max_terms_ap terms for ap, $max_terms_kp for Kp, $max_terms_dst for Dst)"
  fit ap 1 ap.terms "$max_terms_ap"
  fit kp 1 kp.terms "$max_terms_kp"
  for step in 1 2 3 4; do fit dst "$step" "dst-$step.terms" "$max_terms_dst"; done
} > fit-summary.txt

cp 1203.res 1203.cov 1003.res 1003.cov 1101.res 1101.cov 1102.res 1102.cov \
  1103.res 1103.cov 1104.res 1104.cov fit-summary.txt "$out/"
echo "wrote the example models to $out"
