#!/usr/bin/env bash
# Checks scripts/plot-forecast.sh on small made-up runs: a picture for a
# usable table, and a clear refusal (exit 1, message) for unusable input.
#
# Usage: plot_test.sh PLOT_SCRIPT
set -uo pipefail

plot="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

metadata() {  # FILL: a metadata file of two lead steps
  cat <<XML
<?xml version="1.0" encoding="ISO-8859-1"?>
<Zuv_metadata>
 <startTime>2023-04-20T22:00:00</startTime>
 <stopTime>2023-04-21T01:59:59</stopTime>
 <Predictand>
  <Name>   Dst</Name>
  <Units>    nT</Units>
  <Cadence> 1</Cadence>
  <Fill_Value> $1</Fill_Value>
  <List_of_Models>
XML
  for lead in 1 2; do
    printf '   <Model>\n    <Lead_Time> %d</Lead_Time>\n' "$lead"
    printf '      <Value> 8.335</Value>\n      <Persistence_Value> 3.903</Persistence_Value>\n'
    printf '      <Value> 0.623</Value>\n      <Persistence_Value> 0.917</Persistence_Value>\n'
    printf '      <Value> 0.625</Value>\n      <Persistence_Value> 0.959</Persistence_Value>\n'
    printf '      <Value>-3.561</Value>\n   </Model>\n'
  done
  printf '  </List_of_Models>\n </Predictand>\n</Zuv_metadata>\n'
}

header='    HOY   HTND YYYY MM DD DOY HH    Dst [nT] FC+01H   [nT] FC+02H   [nT]'
# Fill values and a field too wide for its column (asterisks) among real values.
cat > "$scratch/table.asc" <<EOF2
$header
   2639      6 2023  4 20 110 22          4.           11.           12.
   2640      5 2023  4 20 110 23          4.         9999.            6.
   2641      4 2023  4 21 111  0          7.       ******            4.
   2642      3 2023  4 21 111  1       9999.            5.            5.
   2643      2 2023  4 21 111  2       9999.         9999.         9999.
   2644      1 2023  4 21 111  3       9999.         9999.         9999.
EOF2
metadata 9999.0 > "$scratch/meta.xml"

bash "$plot" "$scratch/table.asc" "$scratch/meta.xml" "$scratch/out.png" 2> "$scratch/err"
status=$?
[ "$status" -eq 0 ] || fail "usable table: exit status $status: $(cat "$scratch/err")"
[ "$(head -c 4 "$scratch/out.png" 2>/dev/null | od -An -c | tr -d ' ')" = "211PNG" ] ||
  fail "usable table: $scratch/out.png is not a PNG picture"

# Each unusable input ends with status 1 and a message naming the problem.
refused() {  # WHAT TABLE METADATA EXPECTED_MESSAGE
  bash "$plot" "$2" "$3" "$scratch/refused.png" > /dev/null 2> "$scratch/err"
  local status=$?
  [ "$status" -eq 1 ] || fail "$1: exit status $status, expected 1"
  grep -q "$4" "$scratch/err" || fail "$1: message '$(cat "$scratch/err")' lacks '$4'"
}
printf '%s\n' "$header" > "$scratch/no-rows.asc"
{
  printf '%s\n' "$header"
  printf '   2643      2 2023  4 21 111  2       9999.         9999.         9999.\n'
} > "$scratch/all-fill.asc"
echo '<html></html>' > "$scratch/page.xml"

refused "only fill values" "$scratch/all-fill.asc" "$scratch/meta.xml" "nothing to draw"
refused "no rows" "$scratch/no-rows.asc" "$scratch/meta.xml" "no forecast rows"
refused "not a metadata file" "$scratch/table.asc" "$scratch/page.xml" "no <Fill_Value>"
refused "missing metadata file" "$scratch/table.asc" "$scratch/missing.xml" "missing.xml"
refused "missing table" "$scratch/missing.asc" "$scratch/meta.xml" "missing.asc"

bash "$plot" "$scratch/table.asc" > /dev/null 2>&1
[ $? -eq 2 ] || fail "wrong argument count: exit status is not 2"

if [ "$failures" -gt 0 ]; then
  echo "plot-forecast: $failures check(s) failed"
  exit 1
fi
echo "plot-forecast: picture drawn; unusable input refused"
