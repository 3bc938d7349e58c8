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

printf '%-8s %-6s %4s %7s %7s %7s %7s %7s\n' month model lead PE PE_pers R R_pers skill
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
    # One line per model: lead, then the seven scores in metadata order.
    awk '
      /<Lead_Time>/ { gsub(/<[^>]*>| /, ""); lead = $0; n = 0 }
      /<Value>|<Persistence_Value>/ { gsub(/<[^>]*>| /, ""); s[++n] = $0 }
      /<\/Model>/ { print lead, s[1], s[2], s[3], s[4], s[5], s[6], s[7] }
    ' "$run/$variant-fc.xml" > "$run/scores"
    leads="$(wc -l < "$run/scores")"
    [ "$leads" -gt 0 ] || fail "no model block in the $variant metadata for $month"
    while read -r lead _ _ pef pep rf rp ss; do
      printf '%-8s %-6s %4s %7s %7s %7s %7s %7s\n' "$month" "$variant" "$lead" "$pef" "$pep" "$rf" "$rp" "$ss"
      # Only the last lead step of each variant sees as far back as its persistence.
      if [ "$lead" -eq "$leads" ] && ! awk -v s="$ss" 'BEGIN { exit !(s + 0 > 0) }'; then
        fail "$variant lead $lead in $month does not beat persistence (skill $ss)"
      fi
    done < "$run/scores"
  done
done
[ "$failures" -eq 0 ]
