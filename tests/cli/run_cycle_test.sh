#!/usr/bin/env bash
# run_cycle_test.sh RUN_CYCLE VELK_STATUS SOURCE_DIR: the cycle script's
# outcomes, status, lock, hand-over, models and retention rules, with
# stand-in programs told by files in the working directory what to do.
set -euo pipefail
run_cycle="$1" velk_status="$2" source_dir="$3"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/bin" "$tmp/work" "$tmp/models"
export FIXTURES="$source_dir/tests"
ln -s "$velk_status" "$tmp/bin/velk_status"
# The stand-in preprocessor: prep-mode says ok (report, four inputs, a
# configuration), sources (a failed ACE download: report and two inputs, no
# configuration), stale (report only), pair (a refused month pair), garbled or
# cut (a report that does not parse) or an exit status.
cat > "$tmp/bin/nrtprep-dst" <<'STUB'
#!/usr/bin/env bash
echo "$TZ" > seen-tz
mode="$(cat prep-mode)" stamp="$(date -u +%Y_%j_%H_%M)"
report="$FIXTURES/e2e/cases/dst_default_running_month/expected/errorfile.xml"
case "$mode" in
  exit*) cp "$report" errorfile.xml; exit "${mode#exit}" ;;
  # (A byte that is not UTF-8 in the report, as an ISO-8859-1 path may hold.)
  sources) tr '\n' '~' < "$report" | sed 's/\(AceMagFileDownload<\/StepName>~<ErrorName>[^<]*<\/ErrorName>~<Value>\)0/\11/' |
    tr '~' '\n' | sed 's/202304_ace_mag/202304_ace_\xe9mag/' > errorfile.xml
    touch "dst-rt-$stamp.asc" "kp-rt-$stamp.asc"; exit 0 ;;
  stale) cp "$report" errorfile.xml; exit 0 ;;
  # Kp months served the wrong way round: refused, with nothing else failing.
  pair) cp "$FIXTURES/e2e/cases/kp_pair_in_wrong_order/expected/errorfile.xml" errorfile.xml; exit 0 ;;
  garbled) echo "<Zuv_errorfile" > errorfile.xml; exit 0 ;;
  # A whole report followed by a comment cut inside a character.
  cut) cp "$report" errorfile.xml; printf '<!-- \xf0' >> errorfile.xml; exit 0 ;;
  # A full cycle whose order file names an input directory without ACE files.
  existing) report="$FIXTURES/e2e/cases/ap_order_full_cycle/expected/out/errorfile.xml" ;;
esac
cp "$report" errorfile.xml
for input in dst kp ace-mag ace-swepam; do touch "$input-rt-$stamp.asc"; done
printf "FNMET='dst-fc-%s.xml'\nFNDAT='dst-fc-%s.asc'\n/\n" "$stamp" "$stamp" > velk_nrt.cfg
STUB
# The stand-in forecaster: fc-mode says ok, refuse (a message line, partial
# outputs) or abort (a diagnostic, status 2).
cat > "$tmp/bin/velk_nrt" <<'STUB'
#!/usr/bin/env bash
table="$(sed -n "s/^FNDAT='\(.*\)'$/\1/p" velk_nrt.cfg)" metadata="$(sed -n "s/^FNMET='\(.*\)'$/\1/p" velk_nrt.cfg)"
expected="$FIXTURES/forecast/data/e2e/cases/real2020_dst/expected"
case "$(cat fc-mode)" in
  ok) cp "$expected/fc.asc" "$table"; cp "$expected/fc.xml" "$metadata" ;;
  refuse) head -n 3 "$expected/fc.asc" > "$table"; echo " DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH" ;;
  abort) echo "velk_nrt: cannot open model file 1101.res" >&2; exit 2 ;;
esac
STUB
chmod +x "$tmp/bin/"*
echo "model one" > "$tmp/models/1101.res"
echo "covariance one" > "$tmp/models/1101.cov"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# cycle [OPTIONS...]: one cycle in work/ from $tmp with a relative --bindir,
# under a local time zone; sets status, out, err.
cycle() {
  status=0
  (cd "$tmp" && TZ=Europe/Berlin bash "$run_cycle" --bindir bin --models models "$@" dst work \
    > out 2> err) || status=$?
  out="$(cat "$tmp/out")" err="$(cat "$tmp/err")"
}
# status_field KEY: a value of work/status.json, read by a JSON parser.
status_field() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' "$tmp/work/status.json" "$1"; }

# --- outcomes: the exit status, the log line and status.json agree -------------
# Faults guarded: a cycle that made no forecast exiting 0; the expected
# OrderFileInDir of a run without an order file listed as a failure; a report
# byte that is not UTF-8 ending velk_status in an exception; the read of an
# existing ACE file counted to the source before it; a refused month pair
# leaving every source "ok" because no report step had failed.
# prep-mode fc-mode status outcome          words the log line must hold
while read -r prep fc want outcome words; do
  echo "$prep" > "$tmp/work/prep-mode"
  echo "$fc" > "$tmp/work/fc-mode"
  rm -f "$tmp/work/status.json"
  cycle
  row="prep $prep, forecaster $fc"
  [ "$status" -eq "$want" ] || fail "$row: exit status $status, expected $want ($err)"
  [ "$(wc -l <<< "$out")" -eq 1 ] || fail "$row: not one log line: $out"
  [[ "$out" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z\ dst\ $outcome\ exit=$want\  ]] || fail "$row: log line '$out'"
  for word in ${words//,/ }; do [[ "$out" == *"$word"* ]] || fail "$row: log line lacks '$word': $out"; done
  [[ "$out" != *OrderFileInDir* ]] || fail "$row: the expected OrderFileInDir is listed: $out"
  [ "$(status_field outcome)" = "$outcome" ] && [ "$(status_field exit_status)" = "$want" ] ||
    fail "$row: status.json says $(status_field outcome) $(status_field exit_status)"
  [ "$(cat "$tmp/work/seen-tz")" = UTC ] || fail "$row: the programs ran with TZ=$(cat "$tmp/work/seen-tz")"
  # Faults guarded: a report that does not parse showed every source as "ok";
  # one cut inside a character was read past its end and taken as whole.
  [ "$prep" != garbled ] && [ "$prep" != cut ] || [ "$(status_field sources)" = None ] || fail "$row: sources $(status_field sources)"
done <<'ROWS'
ok      ok     0  forecast           failed=-,FC+01H@2020-03-21T21:00Z=-15.,FC+04H@
existing ok    0  forecast           failed=FileRead(ace_mag),FileRead(ace_swepam)
sources ok     10 sources-failed     AceMagFileDownload(ace_mag),newest=-
stale   ok     10 sources-failed     failed=-
pair    ok     10 sources-failed     FileMonths(kp)
garbled ok     10 sources-failed     failed=-
cut     ok     10 sources-failed     failed=-
exit1   ok     11 order-file-invalid exit=11
exit3   ok     12 no-report          exit=12
exit7   ok     13 preprocessor-failed exit=13
ok      refuse 20 forecaster-refused newest=-
ok      abort  21 forecaster-failed  newest=-
ROWS

# The page and the status of a forecast, read by parsers.
echo ok > "$tmp/work/prep-mode"
echo ok > "$tmp/work/fc-mode"
cycle
python3 - "$tmp/work" <<'CHECK' || fail "status.json or index.html of a forecast"
import html.parser, json, os, sys
work = sys.argv[1]
status = json.load(open(os.path.join(work, "status.json")))
assert status["outcome"] == "forecast" and status["variant"] == "dst", status
assert os.path.isfile(os.path.join(work, status["forecast_table"])), status["forecast_table"]
assert [f["lead"] for f in status["newest_forecasts"]] == ["FC+01H", "FC+02H", "FC+03H", "FC+04H"]
assert status["newest_forecasts"][0] == {"lead": "FC+01H", "valid_time": "2020-03-21T21:00Z", "value": "-15."}
assert status["scores"][0]["Skill score"] == {"value": "-5.439"}
assert all(s["ok"] for s in status["sources"].values()), status["sources"]
class Cells(html.parser.HTMLParser):
    cells, tables = [], 0
    def handle_starttag(self, tag, attrs):
        self.tables += tag == "table"
    def handle_data(self, data):
        self.cells.append(data.strip())
page = Cells()
page.feed(open(os.path.join(work, "index.html")).read())
assert page.tables == 3 and "2020-03-21T21:00Z" in page.cells and "-5.439" in page.cells, page.cells
CHECK

# --- models: a fresh working directory gets them; a changed one is replaced --
[ "$(cat "$tmp/work/1101.res")" = "model one" ] || fail "the models were not copied into the working directory"
echo "model two" > "$tmp/models/1101.res"
# Fault guarded: a link planted under the copy's name had the model written through it.
echo "not a model" > "$tmp/victim" && ln -s "$tmp/victim" "$tmp/work/.1101.res.new"
cycle
[ "$(cat "$tmp/work/1101.res")" = "model two" ] || fail "a changed model was not replaced"
[ "$(cat "$tmp/victim")" = "not a model" ] || fail "the model copy was written through a link"

# --- retention: only the cycle's own dated files older than N days go ---------
old="$(date -u -d '40 days ago' +%Y_%j_%H_%M)" recent="$(date -u -d '3 days ago' +%Y_%j_%H_%M)"
# (%j counts from 1, the stamps from 0: this stamp is nine days old.)
nine="$(date -u -d '10 days ago' +%Y_%j_%H_%M)"
survivors=("dst-rt-$recent.asc" "dst-fc-$recent.asc" "dst-fc-$recent.png" "dst-fc-$nine.xml" "notes-$old.asc"
  "dst-fc-$old.asc.bak" "my-dst-fc-$old.asc" "order.xml" "velk_nrt.cfg" "errorfile.xml" "1101.res")
removed=("dst-rt-$old.asc" "ace-swepam-rt-$old.asc" "dst-fc-$old.asc" "dst-fc-$old.xml" "kp-fc-$old.png")
(cd "$tmp/work" && touch "${survivors[@]}" "${removed[@]}")
# Fault guarded: a leading zero made the days octal (010 kept 8 days, 08 none).
cycle --keep-days 010
for f in "${survivors[@]}"; do [ -e "$tmp/work/$f" ] || fail "retention removed $f"; done
for f in "${removed[@]}"; do [ ! -e "$tmp/work/$f" ] || fail "retention kept $f"; done
# A failed cycle's inputs go at once; an earlier cycle's stay.
echo sources > "$tmp/work/prep-mode"
cycle --keep-days 0
[ "$status" -eq 10 ] && [ -z "$(find "$tmp/work" -name '*-rt-*' -newer "$tmp/work/seen-tz")" ] &&
  [ -e "$tmp/work/dst-rt-$recent.asc" ] || fail "a failed cycle's input files were not removed, or others were"

# --- usage: every bad command line ends with 64 and the usage ------------------
# Fault guarded: "--bindir" without a value ended in "unbound variable".
for args in "--bindir" "--bindir bin" "--keep-days x dst work" "--models nowhere dst work" "xx work" "dst"; do
  status=0
  # shellcheck disable=SC2086  # the table's entries are word lists
  (cd "$tmp" && bash "$run_cycle" $args > out 2> err) || status=$?
  [ "$status" -eq 64 ] && grep -q '^Usage: run-cycle.sh' "$tmp/err" && ! grep -q unbound "$tmp/err" ||
    fail "'$args': status $status, $(cat "$tmp/err")"
done

# --- lock: two cycles never overlap in one working directory --------------------
echo ok > "$tmp/work/prep-mode"
rm -f "$tmp/work/seen-tz"
flock "$tmp/work/.cycle.lock" sleep 5 &
holder=$!
sleep 0.5
cycle
kill "$holder" 2>/dev/null || true
[ "$status" -eq 75 ] && [ ! -e "$tmp/work/seen-tz" ] && [[ "$out" == *" dst busy exit=75" ]] ||
  fail "overlapping cycle: status $status, $out"
# Fault guarded: a working directory the cycle cannot write in (here the lock
# cannot be opened) ended with status 1 and no log line.
mv "$tmp/work/.cycle.lock" "$tmp/lock" && mkdir "$tmp/work/.cycle.lock"
cycle
rmdir "$tmp/work/.cycle.lock" && mv "$tmp/lock" "$tmp/work/.cycle.lock"
[ "$status" -eq 74 ] && [ ! -e "$tmp/work/seen-tz" ] && [[ "$out" == *" dst unwritable exit=74 "* ]] ||
  fail "unwritable working directory: status $status, $out"

[ "$failures" -eq 0 ] || exit 1
echo "run-cycle: outcomes, status, models, retention, usage and lock hold"
