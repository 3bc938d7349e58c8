#!/usr/bin/env bash
# Held-out check of the example models: velk_nrt itself scores them on real
# months that no fit has seen (OMNI2 2015 and 2017, converted by omni2nrt).
# The ap and Kp models and the Dst model of the last lead step must beat
# persistence (skill score above 0). Prints every model's scores.
# Usage: heldout_check.sh SOURCE_DIR OMNI2NRT VELK_NRT WORK_DIR
set -euo pipefail
src="$(realpath "$1")" omni2nrt="$(realpath "$2")" velk_nrt="$(realpath "$3")" work="$4"
models="$src/examples/models"
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

printf '%-15s %4s %7s %7s %7s %7s %7s\n' 'month model' lead PE PE_pers R R_pers skill
for month in 2015-03 2017-09; do
  # velk_nrt scores the rows from MAXLAG + LT + 1 on; MAXLAG is 648 rows (27
  # days), so each month is converted with the 27 days before it.
  dir="$work/$month"
  mkdir -p "$dir"
  gzip -dc "$src/fit/data/omni2_${month%-*}.dat.gz" |
    "$omni2nrt" --from "$(date -u -d "$month-01 -27 days" +%F)" \
      --to "$(date -u -d "$month-01 +1 month -1 day" +%F)" "$dir/h-" -
  for variant in ap kp dst; do
    run="$dir/$variant"
    mkdir -p "$run"
    cp "$models"/1*.res "$models"/1*.cov "$run/"
    sed -e "s#history/@YEAR@-#../h-#" -e "s/fit-$variant/$variant-fc/" \
      "$models/fit-$variant.cfg.in" > "$run/velk_nrt.cfg"
    (cd "$run" && "$velk_nrt" > velk_nrt.out)
    if [ -s "$run/velk_nrt.out" ]; then
      fail "velk_nrt printed a message for $variant in $month: $(cat "$run/velk_nrt.out")"
      continue
    fi
    # One line per model (the seven scores come in metadata order). Only the
    # last lead step of each variant sees as far back as its persistence.
    awk -v id="$month $variant" '
      /<Lead_Time>/ { gsub(/<[^>]*>| /, ""); lead = $0; n = 0 }
      /<Value>|<Persistence_Value>/ { gsub(/<[^>]*>| /, ""); s[++n] = $0 }
      /<\/Model>/ { printf "%-15s %4s %7s %7s %7s %7s %7s\n", id, lead, s[3], s[4], s[5], s[6], s[7]; models++ }
      END {
        if (!models) { print "FAIL: no model block in the metadata of " id; exit 1 }
        if (lead != models || !(s[7] + 0 > 0)) { print "FAIL: " id " lead " lead " does not beat persistence (skill " s[7] ")"; exit 1 }
      }' "$run/$variant-fc.xml" || failures=$((failures + 1))
  done
done
[ "$failures" -eq 0 ]
