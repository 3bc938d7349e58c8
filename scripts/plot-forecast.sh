#!/usr/bin/env bash
# Draws one velk_nrt run as a PNG picture: the observed index and the forecast
# of every lead step over the rows of the forecast table, dated from the
# table's YYYY MM DD HH columns, with each model's scores from the metadata
# file in the legend. Values equal to the index's fill value (and fields
# written as asterisks) are left out, so gaps show as gaps, not as spikes.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: plot-forecast.sh [-t TITLE] FORECAST_TABLE METADATA_XML OUTPUT_PNG
  FORECAST_TABLE  the FNDAT file (header line, then HOY HTND YYYY MM DD DOY HH
                  observation forecast...)
  METADATA_XML    the FNMET file of the same run (fill value, name, scores)
  OUTPUT_PNG      the picture to write (replaced if it exists)
Exit status: 0 written, 1 unusable input or gnuplot failed, 64 wrong arguments.
USAGE
}
fail() {
  echo "plot-forecast: $*" >&2
  exit 1
}

title=""
if [ "${1:-}" = "--help" ]; then
  usage
  exit 0
fi
if [ "${1:-}" = "-t" ]; then
  [ $# -ge 2 ] || { usage >&2; exit 64; }
  title="$2"
  shift 2
fi
if [ $# -ne 3 ]; then
  usage >&2
  exit 64
fi
table="$1" metadata="$2" picture="$3"
[ -r "$table" ] || fail "cannot read the forecast table $table"
[ -r "$metadata" ] || fail "cannot read the metadata file $metadata"
command -v gnuplot >/dev/null || fail "gnuplot is not installed (apt-get install gnuplot-nox)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The metadata is our own line-per-element XML, so a line-based reading is
# enough: the target's name, units and fill value, the time span, and for
# every model its lead step and seven scores in the order they are written.
awk '
  function inner(line) { sub(/^[^>]*>/, "", line); sub(/<.*$/, "", line); gsub(/^ +| +$/, "", line); return line }
  /<Name>/ && !in_model { print "name", inner($0) }
  /<Units>/ { print "units", inner($0) }
  /<Fill_Value>/ { print "fill", inner($0) }
  /<startTime>/ { print "start", inner($0) }
  /<stopTime>/ { print "stop", inner($0) }
  /<Model>/ { in_model = 1; scores = "" }
  /<Lead_Time>/ { lead = inner($0) }
  /<Value>|<Persistence_Value>/ { scores = scores " " inner($0) }
  /<\/Model>/ { in_model = 0; print "model", lead, scores }
' "$metadata" > "$work/meta"

meta_value() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print; exit }' "$work/meta"; }
name="$(meta_value name)"
units="$(meta_value units)"
fill="$(meta_value fill)"
stop="$(meta_value stop)"
[ -n "$fill" ] || fail "$metadata holds no <Fill_Value>; is it a velk_nrt metadata file?"

# One line per table row: the hour as YYYY-MM-DDTHH, then the observation and
# each forecast, with NaN where the value is missing.
awk -v fill="$fill" -v out="$work/data" '
  function clean(v) { return (v ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([EeDd][-+]?[0-9]+)?$/ && v + 0 != fill + 0) ? v : "NaN" }
  NR == 1 { for (i = 1; i <= NF; i++) if ($i ~ /^FC\+[0-9]+H$/) labels[++nlabels] = $i; next }
  NF >= 8 && $3 ~ /^[0-9]+$/ {
    line = sprintf("%04d-%02d-%02dT%02d", $3, $4, $5, $7)
    for (i = 8; i <= NF; i++) line = line " " clean($i)
    print line > out
    if (NF - 8 > nfc) nfc = NF - 8
    rows++
  }
  END {
    print "rows", rows + 0
    print "forecasts", nfc + 0
    for (i = 1; i <= nfc; i++) print "label", i, (i in labels ? labels[i] : "FC" i)
  }
' "$table" > "$work/shape"

rows="$(awk '$1 == "rows" { print $2 }' "$work/shape")"
forecasts="$(awk '$1 == "forecasts" { print $2 }' "$work/shape")"
[ "$rows" -gt 0 ] || fail "$table holds no forecast rows"
if ! awk '{ for (i = 2; i <= NF; i++) if ($i != "NaN") found = 1 } END { exit !found }' "$work/data"; then
  fail "every value in $table is the fill value $fill; nothing to draw"
fi

# gnuplot treats a NaN read through an expression as undefined and breaks the
# line there; enhanced text is off so names such as "*10" print as they are.
quote() { printf '"%s"' "$(printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g')"; }
{
  echo 'set terminal png noenhanced size 1280,720 font ",11"'
  echo "set output $(quote "$work/picture.png")"
  echo 'set xdata time'
  echo 'set timefmt "%Y-%m-%dT%H"'
  echo 'set format x "%d %b\n%H UT"'
  echo 'set autoscale xfix'
  echo 'set offsets 0, 0, graph 0.05, 0'
  # About a dozen date labels whatever the span, on whole days when it is long.
  first_hour="$(head -1 "$work/data" | cut -d' ' -f1)"
  last_hour="$(tail -1 "$work/data" | cut -d' ' -f1)"
  span_h=$((($(date -u -d "${last_hour/T/ }:00" +%s) - $(date -u -d "${first_hour/T/ }:00" +%s)) / 3600))
  step_h=$(((span_h + 11) / 12))
  if [ "$step_h" -gt 24 ]; then step_h=$(((step_h + 23) / 24 * 24)); fi
  if [ "$step_h" -lt 1 ]; then step_h=1; fi
  echo "set xtics $((step_h * 3600))"
  echo 'set grid xtics ytics lc rgb "#d0d0d0"'
  echo 'set key outside below left Left reverse samplen 2 spacing 1.1'
  echo "set ylabel $(quote "$name [$units]")"
  [ -n "$title" ] || title="$name forecast of velk_nrt, ${first_hour/T/ } UT to ${last_hour/T/ } UT"
  echo "set title $(quote "$title")"
  if [ -n "$stop" ]; then
    last="${stop:0:13}"
    echo "set arrow from $(quote "$last"), graph 0 to $(quote "$last"), graph 1 nohead dt 2 lc rgb '#808080'"
    echo "set label $(quote "end of the data read ") at $(quote "$last"), graph 0.97 right tc rgb '#606060'"
  fi
  printf 'plot "%s" using 1:($2) with lines lw 2 lc rgb "black" title %s' \
    "$work/data" "$(quote "observed $name (fill value $fill left out)")"
  colours=("#d62728" "#1f77b4" "#2ca02c" "#ff7f0e" "#9467bd" "#8c564b" "#e377c2" "#17becf" "#bcbd22" "#7f7f7f" "#393b79" "#637939")
  # Lead steps can forecast the same values: open symbols of growing size
  # keep each one visible where they coincide.
  symbols=("pt 7 ps 0.6" "pt 6 ps 0.9" "pt 4 ps 1.1" "pt 8 ps 1.3" "pt 12 ps 1.5" "pt 10 ps 1.7")
  for ((i = 1; i <= forecasts; i++)); do
    label="$(awk -v i="$i" '$1 == "label" && $2 == i { print $3 }' "$work/shape")"
    read -r e_f e_p pe_f pe_p r_f r_p ss < <(awk -v i="$i" '$1 == "model" && ++n == i { $1 = ""; $2 = ""; print }' "$work/meta") || true
    legend="$label"
    if [ -n "${ss:-}" ]; then
      legend="$label   RMSE $e_f (persistence $e_p)   PE $pe_f ($pe_p)   R $r_f ($r_p)   skill $ss"
    fi
    printf ', \\\n  "%s" using 1:($%d) with linespoints lw 1 %s lc rgb "%s" title %s' \
      "$work/data" "$((i + 2))" "${symbols[$(((i - 1) % ${#symbols[@]}))]}" \
      "${colours[$(((i - 1) % ${#colours[@]}))]}" "$(quote "$legend")"
    e_f="" ss=""
  done
  echo
} > "$work/plot.gp"

if ! gnuplot "$work/plot.gp" 2> "$work/gnuplot.err"; then
  cat "$work/gnuplot.err" >&2
  fail "gnuplot could not draw $picture"
fi
# gnuplot ends with status 0 even when its writes failed (a full disk), so a
# picture counts only when it ends with the PNG end chunk, and it replaces the
# old one only once it is copied whole.
[ "$(tail -c 8 "$work/picture.png" 2> /dev/null | head -c 4)" = IEND ] ||
  fail "gnuplot wrote no complete picture for $picture"
copy="$(dirname "$picture")/.$(basename "$picture").$$"
# A link left under the copy's name would make cp write through it.
if ! rm -f -- "$copy" || ! cp "$work/picture.png" "$copy" || ! mv -f "$copy" "$picture"; then
  rm -f "$copy"
  fail "cannot write $picture"
fi
