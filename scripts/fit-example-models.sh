#!/usr/bin/env bash
# Regenerates the example models in examples/models/ (ap 1203, Kp 1003, Dst
# 1101-1104) from the training years 2012, 2013, 2016, 2018, 2019, 2020, 2021
# and 2022. Each year is joined into its own four input files; velk_fit stacks
# the regression rows of the years. Every model gets a gap file (NNNN.gap)
# and two or three fallback models, tried in turn where the ones before cannot be
# evaluated: NNNN-fb1 without the density, NNNN-fb2 with the index's own
# history alone, and for ap and Kp NNNN-fb3 with the solar wind but neither
# the density nor the index's own history (forecast/model/gap_policy.h). The fit
# summaries go to fit-summary.txt beside the models.
# Usage: scripts/fit-example-models.sh [--source recorded|omni] [--years "Y..."]
#            [--out DIR] [--terms DIR] [--max-terms N] [--carry H] [--min-density N]
#            [--no-fallbacks] [--joined DIR] [BUILD_DIR]   (default build dir: build)
#   --source  recorded (default): the months as a cycle sees them, joined by
#             scripts/join-recorded-months.py; omni: the OMNI2 years alone
#   --years   the training years (default: the eight above)
#   --out     where the models go (default: examples/models)
#   --terms   where the candidate term files come from (default: examples/models)
#   --max-terms  at most N terms for every model (default: the numbers below)
#   --carry, --min-density  CARRY and NMIN of the gap files (default: below)
#   --no-fallbacks  gap files without fallback models
#   --joined  keep the joined years in DIR and reuse those found there
# Exit status: 0 models written, 64 bad usage, otherwise that of the failed step.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
models="$root/examples/models"
out="$models" terms="$models" source=recorded build="$root/build" joined=""
years=(2012 2013 2016 2018 2019 2020 2021 2022)
# Gap bridging, chosen by leave-one-year-out cross-validation (fit/README.md).
carry=2 min_density=0.5 fallbacks=yes
# Terms per model, chosen by leave-one-year-out cross-validation on the
# training years among the candidates that pass the storm checks (fit/README.md).
max_terms_ap=10 max_terms_kp=10 max_terms_dst=12
usage_error() {
  echo "fit-example-models: $* (usage: the comment at the top of $0)" >&2
  exit 64
}
build_given=false
while [ $# -gt 0 ]; do
  case "$1" in
    --source | --years | --out | --terms | --max-terms | --carry | --min-density | --joined)
      [ $# -ge 2 ] || usage_error "$1 needs a value" ;;&
    --source) source="$2"; shift 2 ;;
    --years) read -r -a years <<< "$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --terms) terms="$(cd "$2" && pwd)"; shift 2 ;;
    --max-terms) max_terms_ap="$2" max_terms_kp="$2" max_terms_dst="$2"; shift 2 ;;
    --carry) carry="$2"; shift 2 ;;
    --min-density) min_density="$2"; shift 2 ;;
    --no-fallbacks) fallbacks=no; shift ;;
    --joined) mkdir -p "$2"; joined="$(cd "$2" && pwd)"; shift 2 ;;
    -*) usage_error "unknown option $1" ;;
    *)
      ! $build_given || usage_error "more than one BUILD_DIR"
      build="$1" build_given=true
      shift ;;
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
  if [ -n "$joined" ] && [ -s "$joined/$source-$y-mag.asc" ]; then
    for f in mag swepam kp dst; do cp "$joined/$source-$y-$f.asc" "history/$y-$f.asc"; done
    continue
  fi
  case "$source" in
    recorded) python3 "$root/scripts/join-recorded-months.py" --omni2nrt "$build/fit/omni2nrt" \
      "$y-01" "$y-12" "history/$y-" ;;
    omni) gzip -dc "$root/fit/data/omni2_$y.dat.gz" | "$build/fit/omni2nrt" "history/$y-" - ;;
    *) usage_error "unknown source '$source'" ;;
  esac
  if [ -n "$joined" ]; then
    for f in mag swepam kp dst; do cp "history/$y-$f.asc" "$joined/$source-$y-$f.asc"; done
  fi
done

# The fallbacks' candidates come from the model's own: without the density
# (input 8); without any solar-wind value (inputs 1-9); for ap and Kp also
# without the density and the indices (inputs 8, 10-12; an ap of 0 is ap's
# fill value, so after a quiet interval only such a model can forecast ap).
# Dst gets no such model: Dst holds the ring current's level for hours, and a
# forecast that does not know it is off by tens of nT; where Dst's own recent
# hours are not published yet, no Dst forecast is better than that one.
without_inputs() {  # without_inputs PATTERN TERMS > OUT
  grep -v -E "(^|[[:space:]])($1):" "$2"
}

gap_file() {  # gap_file MODEL FALLBACK...
  local model="$1" names="" covariances=""
  shift
  for fb in "$@"; do
    names+="'$model-$fb.res', " covariances+="'$model-$fb.cov', "
  done
  {
    echo "Gap bridging of $model.res (forecast/model/gap_policy.h), written by fit-example-models.sh."
    echo " &GAPS"
    echo "  CARRY = $carry,"
    echo "  NMIN = $min_density,"
    if [ -n "$names" ]; then
      echo "  FBRES = ${names%, },"
      echo "  FBCOV = ${covariances%, },"
    fi
    echo " /"
  } > "$model.gap"
}

fit() {  # fit VARIANT STEP TERMS MAX_TERMS MODEL
  local variant="$1" step="$2" model="$5" configs=() fbs=()
  if [ "$fallbacks" = yes ]; then
    fbs=(fb1 fb2)
    [ "$variant" = dst ] || fbs+=(fb3)
  fi
  for y in "${years[@]}"; do
    sed "s/@YEAR@/$y/g" "$models/fit-$variant.cfg.in" > "fit-$variant-$y.cfg"
    configs+=("fit-$variant-$y.cfg")
  done
  gap_file "$model" "${fbs[@]}"
  local run=("$build/fit/velk_fit" --step "$step" --max-terms "$4" --gaps "$model.gap")
  "${run[@]}" --terms "$terms/$3" "${configs[@]}"
  without_inputs 8 "$terms/$3" > "$model-fb1.terms"
  without_inputs "[1-9]" "$terms/$3" > "$model-fb2.terms"
  without_inputs "8|1[0-2]" "$terms/$3" > "$model-fb3.terms"
  for fb in "${fbs[@]}"; do
    "${run[@]}" --terms "$model-$fb.terms" --res "$model-$fb.res" --cov "$model-$fb.cov" \
      "${configs[@]}"
  done
}

{
  echo "velk_fit summaries of the example models (fitted on ${years[*]}, $source months," \
    "at most $max_terms_ap terms for ap, $max_terms_kp for Kp, $max_terms_dst for Dst;" \
    "CARRY $carry, NMIN $min_density, fallbacks: $fallbacks)"
  fit ap 1 ap.terms "$max_terms_ap" 1203
  fit kp 1 kp.terms "$max_terms_kp" 1003
  for step in 1 2 3 4; do fit dst "$step" "dst-$step.terms" "$max_terms_dst" "110$step"; done
} > fit-summary.txt

rm -f "$out"/*.gap "$out"/*-fb[1-4].res "$out"/*-fb[1-4].cov
cp ./*.res ./*.cov ./*.gap fit-summary.txt "$out/"
echo "wrote the example models to $out"
