# Sourced by the cycle script's tests: their scratch directory, stand-in
# programs and the shared checks.

# shellcheck source=tests/common/script_checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/../common/script_checks.sh"

# at_time UTC_TIME COMMAND...: runs COMMAND with the clock pinned at that
# time. (A sanitizer build must accept faketime's library loaded ahead of its
# own.)
at_time() {
  local when="$1"
  shift
  FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" faketime -f "$when" "$@"
}

# modes PREP FC: what the stand-in preprocessor and forecaster do next.
modes() {
  echo "$1" > "$tmp/work/prep-mode"
  echo "$2" > "$tmp/work/fc-mode"
}

# cycle_at UTC_TIME PREP FC: one cycle of $run_cycle in work/ at that time,
# with those stand-in modes; the caller judges what it left.
cycle_at() {
  modes "$2" "$3"
  (cd "$tmp" && at_time "$1" bash "${run_cycle:?}" --bindir bin --models models dst work > out 2> err) || true
}

# cycle_scratch VELK_STATUS SOURCE_DIR: makes $tmp (removed on exit) with
# bin/ (the stand-ins and the real velk_status), work/ and models/ (one model).
cycle_scratch() {
  tmp="$(mktemp -d)"
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/work" "$tmp/models"
  export FIXTURES="$2/tests"
  make_stand_ins "$tmp/bin" "$1"
  echo "model one" > "$tmp/models/1101.res"
}

# make_stand_ins BIN VELK_STATUS: puts stand-in programs into BIN, told by
# files in the working directory what to do, and links the real velk_status
# beside them. FIXTURES must name tests/.
make_stand_ins() {
  local bin="$1"
  mkdir -p "$bin"
  ln -sf "$2" "$bin/velk_status"
  # The stand-in preprocessor: prep-mode says ok (report, four recorded inputs,
  # a configuration), sources (a failed ACE download: report and two inputs,
  # no configuration), caused, outdir, fallback (the same with its cause),
  # stale (report only), pair (a refused month pair),
  # garbled or cut (a report that does not parse) or an exit status.
  cat > "$bin/nrtprep-dst" <<'STUB'
#!/usr/bin/env bash
echo "$TZ" > seen-tz
mode="$(cat prep-mode)" stamp="$(date -u +%Y_%j_%H_%M)"
report="$FIXTURES/e2e/cases/dst_default_running_month/expected/errorfile.xml"
case "$mode" in
  # An order file that is not XML: the run stops before any source.
  exit1) cp "$FIXTURES/e2e/cases/order_file_not_xml/expected/errorfile.xml" errorfile.xml; exit 1 ;;
  exit*) cp "$report" errorfile.xml; exit "${mode#exit}" ;;
  # (A byte that is not UTF-8 in the report, as an ISO-8859-1 path may hold.)
  sources) tr '\n' '~' < "$report" | sed 's/\(AceMagFileDownload<\/StepName>~<ErrorName>[^<]*<\/ErrorName>~<Value>\)0/\11/' |
    tr '~' '\n' | sed 's/202304_ace_mag/202304_ace_\xe9mag/' > errorfile.xml
    touch "dst-rt-$stamp.asc" "kp-rt-$stamp.asc"; exit 0 ;;
  stale) cp "$report" errorfile.xml; exit 0 ;;
  # The failed ACE MAG download with its cause beside the report, where the
  # order file's output directory (its first File_Name) sends both: caused
  # has no order file; outdir names out/; fallback names a directory that
  # is missing, so both go to the working directory; flooded is caused with
  # the cause past the reader's 1000 lines.
  caused | outdir | fallback | flooded)
    dir="" cause="connection refused"
    case "$mode" in caused | flooded) ;; *) dir="$(sed -n 's:.*<File_Name>\(.*\)</File_Name>.*:\1:p' "$1" | head -n 1)" ;; esac
    if [ -d "${dir:-.}" ]; then cause="${dir:+HTTP 404}"; else dir=""; fi
    tr '\n' '~' < "$report" | sed 's/\(AceMagFileDownload<\/StepName>~<ErrorName>[^<]*<\/ErrorName>~<Value>\)0/\11/' |
      tr '~' '\n' > "${dir}errorfile.xml"
    # (Lines that are no record and cause are skipped; a record that did not
    # fail gets no cause.)
    { [ "$mode" != flooded ] || yes filler | head -n 1000
    printf '%s\n' "no tab here" "DSTFileDownload$(printf '\t')x$(printf '\t')y" \
      "File'ftp://127.0.0.1:18021/pub/lists/ace2/202304_ace_swepam_1h.txt'download$(printf '\t')timed out" \
      "File'ftp://127.0.0.1:18021/pub/lists/ace2/202304_ace_mag_1h.txt'download$(printf '\t')${cause:-connection refused}"
    } > "${dir}errorfile.causes"
    exit 0 ;;
  # Kp months served the wrong way round: refused, with nothing else failing.
  pair) cp "$FIXTURES/e2e/cases/kp_pair_in_wrong_order/expected/errorfile.xml" errorfile.xml; exit 0 ;;
  garbled) echo "<Zuv_errorfile" > errorfile.xml; exit 0 ;;
  # A whole report followed by a comment cut inside a character.
  cut) cp "$report" errorfile.xml; printf '<!-- \xf0' >> errorfile.xml; exit 0 ;;
  # Every source obtained, but velk_nrt.cfg could not be written.
  cfgwrite) sed "s#</Errors>#<Step>\n<StepName>FileWrite</StepName>\n<ErrorName>'velk_nrt.cfg'write</ErrorName>\n<Value>1</Value>\n</Step>\n</Errors>#" \
    "$report" > errorfile.xml; exit 0 ;;
  # A full cycle whose order file names an input directory without ACE files.
  existing) report="$FIXTURES/e2e/cases/ap_order_full_cycle/expected/out/errorfile.xml" ;;
esac
cp "$report" errorfile.xml
for input in dst kp ace-mag ace-swepam; do cp "$FIXTURES/forecast/data/e2e/real2020/$input-rt.asc" "$input-rt-$stamp.asc"; done
printf "FNDST='dst-rt-%s.asc'\nFNKP='kp-rt-%s.asc'\nFNMAG='ace-mag-rt-%s.asc'\nFNSWEPAM='ace-swepam-rt-%s.asc'\n" \
  "$stamp" "$stamp" "$stamp" "$stamp" > velk_nrt.cfg
printf "FNMET='dst-fc-%s.xml'\nFNDAT='dst-fc-%s.asc'\n/\n" "$stamp" "$stamp" >> velk_nrt.cfg
STUB
  # The stand-in forecaster: fc-mode says ok, none (a table without a single
  # forecast), storm=V (ok, with every forecast
  # after the last observation V), observed=V (see there), refuse (a message line, partial outputs),
  # refuse3 (a message of three lines, as a read error gives) or abort (a
  # diagnostic, status 2).
  cat > "$bin/velk_nrt" <<'STUB'
#!/usr/bin/env bash
table="$(sed -n "s/^FNDAT='\(.*\)'$/\1/p" velk_nrt.cfg)" metadata="$(sed -n "s/^FNMET='\(.*\)'$/\1/p" velk_nrt.cfg)"
expected="$FIXTURES/forecast/data/e2e/cases/real2020_dst/expected"
case "$(cat fc-mode)" in
  ok) cp "$expected/fc.asc" "$table"; cp "$expected/fc.xml" "$metadata" ;;
  # A table without a single forecast.
  none) expected="${expected%/real2020_dst/expected}/synthetic_no_forecast_row/expected"
    cp "$expected/fc.asc" "$table"; cp "$expected/fc.xml" "$metadata" ;;
  # The same forecasts, with the hours after the last observation observed as V.
  observed=*) awk -v v="$(sed 's/observed=//' fc-mode)" 'NR > 1 && $8 == "9999." && $9 != "9999." { $8 = v "." } 1' \
    "$expected/fc.asc" > "$table"; cp "$expected/fc.xml" "$metadata" ;;
  storm=*) awk -v v="$(sed 's/storm=//' fc-mode)" 'NR > 1 && $8 == "9999." { for (i = 9; i <= NF; ++i) if ($i != "9999.") $i = v "." } 1' \
    "$expected/fc.asc" > "$table"; cp "$expected/fc.xml" "$metadata" ;;
  refuse) head -n 3 "$expected/fc.asc" > "$table"; echo " DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH" ;;
  refuse3) printf ' A RUN-TIME ERROR F   5 WAS ENCOUNTERED WHILE READING THE INPUT FILE\n %-256s\n AT LINE #        7\n' ace-mag-rt.asc ;;
  abort) echo "velk_nrt: cannot open model file 1101.res" >&2; exit 2 ;;
esac
# The product beside a table of forecasts: intervals of +-2 (68 %) and +-4 (95 %).
case "$(cat fc-mode)" in ok | observed=* | storm=*) python3 - "$table" "${table%.*}.json" <<'PRODUCT' ;; esac
import json, sys
lines = [line.split() for line in open(sys.argv[1]) if line.strip()]
def value(text):
    return None if text.startswith("9999") else float(text)
rows = []
for f in lines[1:]:
    forecasts = [{"value": value(v), "model": 0} for v in f[8:]]
    for fc in forecasts:
        v = fc["value"]
        fc["interval_68"] = None if v is None else [v - 2, v + 2]
        fc["interval_95"] = None if v is None else [v - 4, v + 4]
    rows.append({"valid_time": "%s-%s-%sT%s:00:00Z" % (f[2], f[3].zfill(2), f[4].zfill(2), f[6].zfill(2)),
                 "observed": value(f[7]), "forecasts": forecasts})
leads = [{"lead_hours": i + 1, "models": ["110%d.res" % (i + 1)]} for i in range(len(lines[1]) - 8 if len(lines) > 1 else 0)]
json.dump({"index": "Dst", "units": "nT", "leads": leads, "rows": rows}, open(sys.argv[2], "w"))
PRODUCT
STUB
  chmod +x "$bin/nrtprep-dst" "$bin/velk_nrt"
}
