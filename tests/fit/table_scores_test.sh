#!/usr/bin/env bash
# Checks scripts/table-scores.py on hand-made forecast tables with the
# metadata of recorded runs: coverage, storm rows, storm coverage and
# storm-hour skill of every lead, and a clear refusal (exit 1, message) of
# unusable input.
# Usage: table_scores_test.sh TABLE_SCORES_SCRIPT
set -uo pipefail
script="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$0")/../common/script_checks.sh"

# The metadata of recorded velk_nrt runs of each index, with one more element
# in each model block. Fault guarded: scores read by their place in the block,
# shifted by any element added to it.
runs="$(dirname "$0")/../forecast/data/e2e/cases"
metadata() {  # RUN
  sed 's|^ *<Lead_Time>.*|&\n    <Rows_Of_Note><Value> 7.000</Value></Rows_Of_Note>|' "$runs/$1/expected/fc.xml"
}
# A table from lines "DAY HOUR OBSERVATION FORECAST...", all in September 2017.
table() {
  echo "    HOY   HTND YYYY MM DD DOY HH  INDEX FC+01H"
  awk '{ printf "%7d %6d 2017  9 %2d %3d %2d", 5800 + $1 * 24 + $2, 99, $1, 243 + $1, $2
         for (i = 3; i <= NF; i++) printf " %13s", $i ".";  print "" }'
}
# Prints "LEAD COVER STORMS S_COVER S_SKILL" per lead of TABLE METADATA.
counts() { python3 "$script" --label t "$1" "$2" | awk '{ print $2, $8, $9, $10, $11 }'; }
expect() {  # WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

# Dst: fill 9999, hourly, leads 1 to 4. Columns: day, hour, observed, FC+01H .. FC+04H.
metadata real2020_dst > "$scratch/dst.xml"
table > "$scratch/dst.asc" <<'ROWS'
8 0 -10 9999 9999 9999 9999
8 1 -60 -50 -40 -40 -40
8 2 -50 9999 -55 -55 -55
8 3 -49 -49 -49 -49 -49
8 4 9999 -70 -70 -70 -70
8 5 -80 -75 -70 -70 -70
8 6 9999 9999 9999 9999 9999
ROWS
# Faults guarded, lead 1 (0.600 of 5 observed rows; storms 1, 2, 5; skill from row 1 alone):
# 8 0, 8 2  a fill forecast counted as covered (coverage 1.000)
# 8 4, 8 6  a row without an observation counted (coverage 0.667)
# 8 2       a storm row of exactly -50 nT left out (2 storm rows)
# 8 5       a fill persistence (the observation of 8 4) scored as 9999 nT
# 8 2       a storm row without a forecast scored with the fill value
# Lead i must take persistence i hours back (8 5 against 8 3, 8 2, 8 1);
# a row whose persistence lies before the table stays out.
expect "dst" "1 0.600 3 0.667 0.960
2 0.800 3 1.000 0.951
3 0.800 3 1.000 0.889
4 0.800 3 1.000 0.750" "$(counts "$scratch/dst.asc" "$scratch/dst.xml")"

# Kp in tenths: fill 99, one value per three hours repeated on each hour.
metadata real2020_kp_identity > "$scratch/kp.xml"
table > "$scratch/kp.asc" <<'ROWS'
8 0 47 40
8 3 50 45
8 6 53 99
8 9 99 30
ROWS
# Faults guarded: 47 (5-) counted as a storm, or 50 (5o) not; the persistence
# of 8 3 (the hour before, 02 UT, in the interval of 8 0) looked for in a row
# the table does not hold, which leaves the storm skill without rows.
expect "kp" "1 0.667 2 0.500 -1.778" "$(counts "$scratch/kp.asc" "$scratch/kp.xml")"

# The intervals' columns from a product of the same run: rows without an
# observation or a forecast stay out; a row without an interval counts only
# in with_int. Faults guarded: an observation on an interval's bound counted
# outside (in68 0.000); a row without an interval counted as outside (in95
# 0.667).
cat > "$scratch/kp.json" <<'JSON'
{"index":"Kp","units":"*10","leads":[{"lead_hours":1,"models":["1003.res"]}],"rows":[
{"valid_time":"2017-09-08T00:00:00Z","observed":47,"forecasts":[{"value":40,"model":0,"interval_68":[35,47],"interval_95":[30,50]}]},
{"valid_time":"2017-09-08T03:00:00Z","observed":50,"forecasts":[{"value":45,"model":0,"interval_68":[40,48],"interval_95":[35,55]}]},
{"valid_time":"2017-09-08T06:00:00Z","observed":53,"forecasts":[{"value":null,"model":null,"interval_68":null,"interval_95":null}]},
{"valid_time":"2017-09-08T09:00:00Z","observed":null,"forecasts":[{"value":30,"model":0,"interval_68":[20,40],"interval_95":[10,50]}]},
{"valid_time":"2017-09-08T12:00:00Z","observed":20,"forecasts":[{"value":30,"model":0,"interval_68":null,"interval_95":null}]}
]}
JSON
expect "kp intervals" "0.500 1.000 0.667" \
  "$(python3 "$script" --product "$scratch/kp.json" "$scratch/kp.asc" "$scratch/kp.xml" | awk '{ print $12, $13, $14 }')"

# ap: its fill value 0 is also a possible value, and counts as missing.
metadata real2020_ap > "$scratch/ap.xml"
table > "$scratch/ap.asc" <<'ROWS'
8 0 0 50
8 3 48 0
8 6 56 60
8 9 39 30
ROWS
# Faults guarded: an observed 0 counted as an observation (coverage 0.750),
# a forecast 0 counted as covered; 48 not counted as a storm.
expect "ap" "1 0.667 2 0.500 0.750" "$(counts "$scratch/ap.asc" "$scratch/ap.xml")"

# The label and the metadata's scores (PE, r and skill, each with its
# persistence value where it has one) come first, as score-models.sh printed them.
scores="$(for name in "Prediction efficiency" "Pearson's linear correlation coefficient" "Skill score"; do
  grep -A2 "<Name>$name</Name>" "$scratch/ap.xml" | sed -n 's/.*Value> *\([^<]*\)<.*/\1/p'
done | xargs printf ' %7s')"
expect "line" "t                        1$scores   0.667       2   0.500   0.750" \
  "$(python3 "$script" --label t "$scratch/ap.asc" "$scratch/ap.xml")"

# Each unusable input ends with status 1 and a message naming the problem.
sed '3s/-50\./******/' "$scratch/dst.asc" > "$scratch/stars.asc"
sed '2s/2017  9  8/2017  9 31/' "$scratch/dst.asc" > "$scratch/no-such-day.asc"
echo '<html></html>' > "$scratch/page.xml"
while IFS='|' read -r what table meta message; do
  refused "$what" 1 "$message" python3 "$script" "$scratch/$table" "$scratch/$meta"
done <<'CASES'
a forecast too wide for its column, not to pass for a missing one|stars.asc|dst.xml|line 3: unreadable field
a day that does not exist, which would shift persistence|no-such-day.asc|dst.xml|line 2: unreadable field
a model without its column|kp.asc|dst.xml|line 2 has 9 columns, not 12
not a metadata file|dst.asc|page.xml|no <Fill_Value>
missing table|missing.asc|dst.xml|missing.asc
CASES
refused "a product of another run" 1 "not a product of 4 lead steps" \
  python3 "$script" --product "$scratch/kp.json" "$scratch/dst.asc" "$scratch/dst.xml"

refused "wrong argument count" 64 "usage" python3 "$script" "$scratch/dst.asc"

finish table-scores "coverage, storm-hour skill and interval coverage as counted by hand; unusable input refused"
