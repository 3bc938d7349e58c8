#!/usr/bin/env bash
# Checks scripts/plot-forecast.sh on a recorded velk_nrt run: a picture for a
# usable table, and a clear refusal (exit 1, message) for unusable input.
#
# Usage: plot_test.sh PLOT_SCRIPT RUN_DIR   (RUN_DIR holds the run's fc.asc and fc.xml)
set -uo pipefail

plot="$1" run="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$0")/../common/script_checks.sh"

# The run's table ends in fill values; a field too wide for its column
# (asterisks) is put among the real values.
sed '2s/-11\./****/' "$run/fc.asc" > "$scratch/table.asc"
grep -q '\*\*\*\*' "$scratch/table.asc" || fail "the table lacks its asterisks"
bash "$plot" "$scratch/table.asc" "$run/fc.xml" "$scratch/out.png" 2> "$scratch/err" ||
  fail "usable table: exit status $?: $(cat "$scratch/err")"
[ "$(head -c 4 "$scratch/out.png" 2>/dev/null | od -An -c | tr -d ' ')" = "211PNG" ] ||
  fail "usable table: $scratch/out.png is not a PNG picture"

# Fault guarded: gnuplot ends with status 0 when its writes fail, so a picture
# cut short by a full disk counted as drawn. A file size limit stands in for
# the disk (big enough for the data gnuplot reads, too small for the picture).
(trap '' XFSZ; ulimit -f 32; exec bash "$plot" "$scratch/table.asc" "$run/fc.xml" "$scratch/out.png") 2> "$scratch/err"
[ $? -eq 1 ] && grep -q "no complete picture" "$scratch/err" && [ "$(wc -c < "$scratch/out.png")" -gt 32768 ] ||
  fail "a picture cut short: $(cat "$scratch/err")"

# Each unusable input ends with status 1 and a message naming the problem.
head -1 "$run/fc.asc" > "$scratch/no-rows.asc"
{ head -1 "$run/fc.asc"; tail -1 "$run/fc.asc"; } > "$scratch/all-fill.asc"
echo '<html></html>' > "$scratch/page.xml"
refused_picture() {  # WHAT TABLE METADATA EXPECTED_MESSAGE
  refused "$1" 1 "$4" bash "$plot" "$2" "$3" "$scratch/refused.png"
}
refused_picture "only fill values" "$scratch/all-fill.asc" "$run/fc.xml" "nothing to draw"
refused_picture "no rows" "$scratch/no-rows.asc" "$run/fc.xml" "no forecast rows"
refused_picture "not a metadata file" "$scratch/table.asc" "$scratch/page.xml" "no <Fill_Value>"
refused_picture "missing metadata file" "$scratch/table.asc" "$scratch/missing.xml" "missing.xml"
refused_picture "missing table" "$scratch/missing.asc" "$run/fc.xml" "missing.asc"
refused "wrong argument count" 64 "Usage" bash "$plot" "$scratch/table.asc"

finish plot-forecast "picture drawn; unusable input refused"
