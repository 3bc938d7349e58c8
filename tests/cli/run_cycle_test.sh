#!/usr/bin/env bash
# run_cycle_test.sh RUN_CYCLE VELK_STATUS SOURCE_DIR: the cycle script's
# outcomes, status, lock, hand-over, models and retention rules, with
# stand-in programs told by files in the working directory what to do.
set -euo pipefail
run_cycle="$1" velk_status="$2" source_dir="$3"
# shellcheck source=tests/cli/stand_ins.sh
source "$(dirname "$0")/stand_ins.sh"
cycle_scratch "$velk_status" "$source_dir"
echo "covariance one" > "$tmp/models/1101.cov"
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
# leaving every source "ok" because no report step had failed; a velk_nrt.cfg
# that could not be written blamed on the source read last; a refusal of
# several lines logged by its first line only, or not logged at all.
# prep-mode fc-mode status outcome          words the log line must hold
while read -r prep fc want outcome words; do
  modes "$prep" "$fc"
  rm -f "$tmp/work/status.json"
  cycle
  row="prep $prep, forecaster $fc"
  [ "$status" -eq "$want" ] || fail "$row: exit status $status, expected $want ($err)"
  [ "$(wc -l <<< "$out")" -eq 1 ] || fail "$row: not one log line: $out"
  [[ "$out" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z\ dst\ $outcome\ exit=$want\  ]] || fail "$row: log line '$out'"
  # (A ~ in a word stands for a blank.)
  for word in ${words//,/ }; do [[ "$out" == *"${word//\~/ }"* ]] || fail "$row: log line lacks '${word//\~/ }': $out"; done
  # The configuration's write is no source's step.
  [ "$prep" != cfgwrite ] || [[ "$out" == *" failed=FileWrite newest=-"* ]] || fail "$row: log line '$out'"
  [[ "$out" != *OrderFileInDir* ]] || fail "$row: the expected OrderFileInDir is listed: $out"
  [ "$(status_field outcome)" = "$outcome" ] && [ "$(status_field exit_status)" = "$want" ] ||
    fail "$row: status.json says $(status_field outcome) $(status_field exit_status)"
  [ "$(cat "$tmp/work/seen-tz")" = UTC ] || fail "$row: the programs ran with TZ=$(cat "$tmp/work/seen-tz")"
  # Faults guarded: a report that does not parse, or one of an order file that
  # is not XML (the run stopped before any source), showed every source as
  # "ok"; one cut inside a character was read past its end and taken as whole.
  case "$prep" in garbled | cut | exit1) [ "$(status_field sources)" = None ] || fail "$row: sources $(status_field sources)" ;; esac
  [[ "$out" != *message=* ]] || [ "$(status_field message)" = "${out##* message=}" ] ||
    fail "$row: status.json message '$(status_field message)' is not the log line's"
  # Fault guarded: the forecaster's reason missing from the page.
  python3 -c 'import html, json, sys; m = json.load(open(sys.argv[1]))["message"]; assert html.escape(m, False) in open(sys.argv[2]).read()' \
    "$tmp/work/status.json" "$tmp/work/index.html" || fail "$row: the page lacks the message"
done <<'ROWS'
ok      ok     0  forecast           failed=-,FC+01H@2020-03-21T21:00Z=-15.0,FC+04H@
existing ok    0  forecast           failed=FileRead(ace_mag),FileRead(ace_swepam)
sources ok     10 sources-failed     AceMagFileDownload(ace_mag),newest=-
stale   ok     10 sources-failed     failed=-
pair    ok     10 sources-failed     FileMonths(kp)
garbled ok     10 sources-failed     failed=-
cfgwrite ok    10 sources-failed     failed=FileWrite
cut     ok     10 sources-failed     failed=-
exit1   ok     11 order-file-invalid exit=11
exit3   ok     12 no-report          exit=12
exit7   ok     13 preprocessor-failed exit=13
ok      refuse 20 forecaster-refused newest=-,message=DATE/TIME
ok      refuse3 20 forecaster-refused message=A~RUN-TIME~ERROR~F~5~WAS~ENCOUNTERED~WHILE~READING~THE~INPUT~FILE~|~ace-mag-rt.asc~|~AT~LINE~#~7
ok      abort  21 forecaster-failed  newest=-,message=velk_nrt:~cannot~open~model~file~1101.res
ROWS

# check_status WHAT [ARGS...]: runs the Python check on standard input with
# `work` (the working directory), `status` (its status.json) and the ARGS in
# sys.argv[2:] at hand; WHAT fails with it.
check_status() {
  python3 -c 'import json, os, sys
work = sys.argv[1]
status = json.load(open(os.path.join(work, "status.json")))
exec(sys.stdin.read())' "$tmp/work" "${@:2}" || fail "$1"
}

# --- the report where the preprocessor wrote it, with its causes --------------
# Faults guarded: the report of an order file's output directory not read
# (no sources, no failed steps); a report or causes file of an earlier cycle
# read as this one's; a cause given to a record that did not fail, or a cause
# line that is not two fields taken; a causes file read past its bounds; a
# failure told without its cause.
mkdir -p "$tmp/work/out"
echo '<order><Output><File_Name>out/</File_Name></Output></order>' > "$tmp/order-out.xml"
echo '<order><Output><File_Name>missing/</File_Name></Output></order>' > "$tmp/order-missing.xml"
# prep-mode order file          report read         cause of the ACE MAG download
while read -r prep order report cause; do
  modes "$prep" ok
  status=0
  # shellcheck disable=SC2086  # "-" stands for no order file
  (cd "$tmp" && bash "$run_cycle" --bindir bin --models models dst work ${order/#-/} > out 2> err) || status=$?
  check_status "prep $prep, order file $order: $(cat "$tmp/out") $(head -c 3000 "$tmp/work/status.json")" \
    "$report" "${cause//\~/ }" <<'CHECK'
report, cause = sys.argv[2:]
assert status["outcome"] == "sources-failed" and status["report"] == report, status["report"]
assert status["sources"] is not None and not status["sources"]["ace_mag"]["ok"], status["sources"]
steps = [s for s in status["failed_steps"] if s["step"] == "AceMagFileDownload"]
assert len(steps) == 1 and all(s["cause"] is None for s in status["failed_steps"] if s is not steps[0]), status["failed_steps"]
step = steps[0]
assert step["cause"] == (None if cause == "-" else cause), step
assert step["text"].startswith("ACE MAG: downloading the current month from ftp://"), step["text"]
assert step["text"].endswith("failed." if cause == "-" else "failed: %s." % cause), step["text"]
assert step["text"].split(" from ")[1] in open(os.path.join(work, "index.html")).read(), "the page lacks the sentence"
CHECK
done <<ROWS
caused   -                      errorfile.xml      connection~refused
sources  -                      errorfile.xml      -
outdir   $tmp/order-out.xml     out/errorfile.xml  HTTP~404
sources  $tmp/order-out.xml     errorfile.xml      -
fallback $tmp/order-missing.xml errorfile.xml      connection~refused
flooded  -                      errorfile.xml      -
ROWS

# The page and the status of a forecast, read by parsers.
modes ok ok
cycle
check_status "status.json or index.html of a forecast" <<'CHECK'
import html.parser
assert status["outcome"] == "forecast" and status["variant"] == "dst", status
assert os.path.isfile(os.path.join(work, status["forecast_table"])), status["forecast_table"]
assert [f["lead"] for f in status["newest_forecasts"]] == ["FC+01H", "FC+02H", "FC+03H", "FC+04H"]
# Faults guarded: numbers written as strings ("-15.", "9999.0"); score keys
# with blanks and apostrophes; RMSE labelled as a mean square error; no
# sample size beside the scores.
# Fault guarded: the product's intervals of the newest forecast left out.
assert status["newest_forecasts"][0] == {"lead": "FC+01H", "valid_time": "2020-03-21T21:00Z", "value": -15.0, "sample_size": 437,
    "interval_68": [-17, -13], "interval_95": [-19, -11]}, status["newest_forecasts"][0]
assert status["index"] == {"name": "Dst", "units": "nT", "fill_value": 9999.0}, status["index"]
assert status["scores"][0] == {"lead_hours": 1, "sample_size": 437, "forecast_rows": 441, "rmse": {"value": 7.127, "persistence": 2.809},
    "prediction_efficiency": {"value": 0.125, "persistence": 0.864}, "correlation": {"value": 0.57, "persistence": 0.931},
    "skill_score": {"value": -5.439}}, status["scores"][0]
assert status["freshness"]["inputs"]["ace_mag"]["newest"] == "2020-03-21T17:00Z", status["freshness"]
assert status["freshness"]["inputs"]["dst"]["newest"] == "2020-03-31T23:00Z", status["freshness"]
assert status["freshness"]["inputs"]["kp"]["newest"] == "2020-03-21T21:00Z", status["freshness"]
assert status["last_good_forecast"]["cycle_time"] == status["cycle_time"], status["last_good_forecast"]
assert all(s["ok"] for s in status["sources"].values()), status["sources"]
class Cells(html.parser.HTMLParser):
    cells, tables = [], 0
    def handle_starttag(self, tag, attrs):
        self.tables += tag == "table"
    def handle_data(self, data):
        self.cells.append(data.strip())
page = Cells()
page.feed(open(os.path.join(work, "index.html")).read())
assert "2020-03-21T21:00Z" in page.cells and "-5.439" in page.cells and "437" in page.cells, page.cells
assert "-17..-13" in page.cells and "-19..-11" in page.cells, page.cells
assert [s["forecast_rows"] for s in status["scores"]] == [441, 441, 441, 441], status["scores"]
CHECK

# Fault guarded: a model without a single forecast row was shown with a root
# mean square error of 0.000, as if it were perfect.
modes ok none
cycle
check_status "status.json or index.html of a forecast without a forecast row" <<'CHECK'
score = status["scores"][0]
assert status["outcome"] == "forecast" and score["forecast_rows"] == 0, status
assert all(s["value"] is None for k, s in score.items() if isinstance(s, dict)), score
page = open(os.path.join(work, "index.html")).read()
assert "no forecast" in page and ">0.000<" not in page, page
CHECK

# --- storm alerts: once per level reached, again only when it rises ----------
# Faults guarded: a storm alerting every hour; a higher level not alerted; a
# failed cycle or a lower level ending the storm; an alert lost when the
# command failed or hung (and the hung command holding up the cycle).
record="cat >> '$tmp/alerts'; echo >> '$tmp/alerts'"
rm -f "$tmp/alerts"
# prep-mode fc-mode  command  alerts-so-far level-kept
while read -r prep fc command count kept; do
  modes "$prep" "$fc"
  case "$command" in
    record) cmd="$record" ;;
    fails) cmd="cat > /dev/null; exit 3" ;;
    hangs) cmd="sleep 60" ;;
  esac
  cycle --on-alert "$cmd" --alert-timeout 2
  row="prep $prep, forecaster $fc, command $command"
  [ "$(wc -l <<< "$out")" -eq 1 ] || fail "$row: not one log line: $out"
  got="$(grep -c . "$tmp/alerts" 2> /dev/null || true)"
  [ "${got:-0}" -eq "$count" ] || fail "$row: ${got:-0} alerts, expected $count"
  [ "$(cat "$tmp/work/.alert-level" 2> /dev/null || echo 0)" = "$kept" ] ||
    fail "$row: level kept $(cat "$tmp/work/.alert-level" 2> /dev/null)', expected $kept"
  case "$command" in fails | hangs) [[ "$err" == *"run-cycle: alert: "*"tried again"* ]] || fail "$row: no diagnostic: $err" ;; esac
done <<'ROWS'
ok      ok        record 0 0
ok      storm=-60 record 1 1
ok      storm=-60 record 1 1
ok      storm=-120 fails 1 1
ok      storm=-120 record 2 2
ok      storm=-60 record 2 2
sources ok        record 2 2
ok      ok        record 2 0
ok      storm=-60 hangs  2 0
ok      storm=-250 record 3 3
ROWS
python3 - "$tmp/alerts" "$tmp/work/status.json" <<'CHECK' || fail "the alerts' JSON"
import json, sys
alerts = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
assert [a["level"] for a in alerts] == [1, 2, 3], alerts
last = alerts[-1]
assert (last["label"], last["threshold"], last["index"], last["variant"]) == ("Dst <= -200 nT", -200, "Dst", "dst"), last
assert {"lead": "FC+04H", "valid_time": "2020-03-21T21:00Z", "value": -250.0, "level": 3, "label": "Dst <= -200 nT"} in last["forecasts"], last
status = json.load(open(sys.argv[2]))
assert status["alerts"]["level"] == 3 and status["last_good_forecast"]["alerts"] == status["alerts"], status["alerts"]
CHECK

# --- live verification: forecasts as issued, against later observations -------
# Faults guarded: a forecast counted once per cycle that repeats it; a
# forecast scored against the table that issued it instead of the later
# observation; persistence taken at the wrong lag; the figures lost after a
# failed cycle.
rm -f "$tmp/work/status.json" "$tmp/work/.forecast-ledger"
# prep-mode fc-mode UTC time
while read -r prep fc at; do
  cycle_at "2020-03-21 $at:00" "$prep" "$fc"
  # Fault guarded: live verification figures that the scoring command does not
  # give over the same rows.
  [ "$prep" != ok ] || python3 "$(dirname "$0")/verification_agreement.py" "$tmp/work" \
    "$source_dir/scripts/table-scores.py" > "$tmp/agreement" ||
    fail "live verification at $at disagrees with the scoring command: $(grep DISAGREES "$tmp/agreement" | head -c 1500)"
done <<'ROWS'
ok      ok           18:20
ok      ok           19:20
ok      observed=-15 22:20
sources ok           23:20
ROWS
check_status "live verification: $(head -c 1500 "$tmp/work/status.json")" <<'CHECK'
assert len(open(os.path.join(work, ".forecast-ledger")).readlines()) == 16, "4 leads x 4 hours issued once"
v = status["verification"]
assert v["cycle_time"] == "2020-03-21T22:20:00Z" and [w["hours"] for w in v["windows"]] == [24, 168, 720], v
day = {lead["lead"]: lead for lead in v["windows"][0]["leads"]}
# FC+01H -16 -16 -15 -15 against -15, persistence -11 -15 -15 -15;
# FC+04H -20 -18 -18 -18, persistence the observations at 14..17 h: -14 -15 -13 -11.
# Coverage (faults guarded: the intervals not kept with the forecast as
# issued; a bound not counted as inside): intervals of +-2 and +-4 around
# errors of 1 1 0 0 and 5 3 3 3.
assert day["FC+01H"] == {"lead": "FC+01H", "n": 4, "mae": 0.5, "rmse": 0.707, "skill": 0.875,
    "n_with_interval": 4, "coverage_68": 1.0, "coverage_95": 1.0}, day
assert day["FC+04H"] == {"lead": "FC+04H", "n": 4, "mae": 3.5, "rmse": 3.606, "skill": -1.476,
    "n_with_interval": 4, "coverage_68": 0.0, "coverage_95": 0.75}, day
page = open(os.path.join(work, "index.html")).read()
assert page.count("<rect ") == 12 and "Live verification" in page, "a bar per lead and window"
assert '>0.75 <span class="note">(4)</span>' in page, "the coverage missing from the page"
CHECK

# --- scheduling: the crontab example's starts make one cycle an hour, at minute
# 20 UTC, in every zone; --publish copies the page for a web server ---------------
# Fault guarded: cron ignores CRON_TZ, so the cycle ran at minute 20 local time
# (minute 50 UTC in India, 35 in Nepal).
starts="$(sed -n 's/^\([0-9,]*\) \* \* \* \* .*run-cycle.sh \(--utc-minute [0-9]*\) .*/\1 \2/p' \
  "$source_dir/examples/scheduling/crontab.example")"
[ -n "$starts" ] || fail "the crontab example has no start line with --utc-minute"
minutes="${starts%% *}" gate="${starts#* }"
modes ok ok
for zone in UTC Europe/Berlin Asia/Kolkata Asia/Kathmandu America/St_Johns Pacific/Chatham; do
  cycles=0
  for minute in ${minutes//,/ }; do
    # The UTC time at which cron starts the job at this local minute.
    at="$(date -u -d "TZ=\"$zone\" 2020-03-21 10:$(printf %02d "$minute"):00" '+%Y-%m-%d %H:%M:%S')"
    (cd "$tmp" && at_time "$at" env TZ="$zone" bash "$run_cycle" --bindir bin \
      --models models $gate --publish www dst work > out 2> err) || fail "$zone, local minute $minute: status $?"
    if [ -s "$tmp/out" ]; then
      cycles=$((cycles + 1))
      [[ "$(cat "$tmp/out")" == 2020-03-2?T??:20:00Z\ * ]] || fail "$zone: a cycle at $(cat "$tmp/out")"
    fi
  done
  [ "$cycles" -eq 1 ] || fail "$zone: $cycles cycles in an hour of the crontab's starts"
done
# Fault guarded: the page could only be served from the (private) working directory.
for file in index.html status.json; do
  cmp -s "$tmp/work/$file" "$tmp/www/$file" && [ "$(stat -c %a "$tmp/www/$file")" = 644 ] ||
    fail "--publish: www/$file is not the working directory's, readable by all"
done
[ -z "$(ls "$tmp/work/"*.png 2> /dev/null)" ] || [ -s "$tmp/www/forecast.png" ] || fail "--publish: no forecast.png"
[ -z "$(find "$tmp/www" -name '.*')" ] || fail "--publish left temporaries: $(ls -A "$tmp/www")"

# --- models: a fresh working directory gets them; a changed one is replaced --
[ "$(cat "$tmp/work/1101.res")" = "model one" ] || fail "the models were not copied into the working directory"
echo "model two" > "$tmp/models/1101.res"
# Fault guarded: a link planted under the copy's name had the model written through it.
echo "not a model" > "$tmp/victim" && ln -s "$tmp/victim" "$tmp/work/.1101.res.new"
cycle
[ "$(cat "$tmp/work/1101.res")" = "model two" ] || fail "a changed model was not replaced"
[ "$(cat "$tmp/victim")" = "not a model" ] || fail "the model copy was written through a link"

# --- leftovers: a killed cycle's marker and scratch directory go at the next --
# Fault guarded: a killed cycle left .cycle-start.* and .cycle-out.* for good.
(cd "$tmp/work" && touch .cycle-start.Ab12Cd .cycle-start.keep .cycle-outline && mkdir -p .cycle-out.Xy34Zw/sub &&
  touch .cycle-out.Xy34Zw/sub/file)
cycle
[ "$(cd "$tmp/work" && find . -maxdepth 1 -regextype posix-extended -regex '\./\.cycle-(start|out)\.[[:alnum:]]{6}' | wc -l)" -eq 0 ] ||
  fail "cycle temporaries were left: $(ls -A "$tmp/work")"
[ -e "$tmp/work/.cycle-start.keep" ] && [ -e "$tmp/work/.cycle-outline" ] || fail "a file that is no cycle temporary was removed"

# --- retention: only the cycle's own dated files older than N days go ---------
old="$(date -u -d '40 days ago' +%Y_%j_%H_%M)" recent="$(date -u -d '3 days ago' +%Y_%j_%H_%M)"
# (%j counts from 1, the stamps from 0: this stamp is nine days old.)
nine="$(date -u -d '10 days ago' +%Y_%j_%H_%M)"
# Fault guarded: files removed a day early. Half a day inside and outside the
# cutoff of 10 days, off any cutoff a day's error would give.
inside="$(date -u -d '10 days ago 12 hours ago' +%Y_%j_%H_%M)" outside="$(date -u -d '11 days ago 12 hours ago' +%Y_%j_%H_%M)"
survivors=("dst-rt-$recent.asc" "dst-fc-$recent.asc" "dst-fc-$recent.png" "dst-fc-$nine.xml" "notes-$old.asc"
  "dst-fc-$old.asc.bak" "my-dst-fc-$old.asc" "order.xml" "velk_nrt.cfg" "errorfile.xml" "1101.res" "dst-fc-$inside.asc")
removed=("dst-rt-$old.asc" "ace-swepam-rt-$old.asc" "dst-fc-$old.asc" "dst-fc-$old.xml" "kp-fc-$old.png" "dst-fc-$old.json" "dst-fc-$outside.asc")
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

# --- velk_status: its own command line and a status it cannot write ----------
# Faults guarded: an exit status beyond 255 accepted; a status.json that could
# not be written reported with status 0 and a log line, as if written.
mkdir -p "$tmp/status/status.json/taken"
# arguments                                       directory  status
while read -r args dir want; do
  status=0
  # shellcheck disable=SC2086  # the table's entries are word lists
  (cd "$tmp/$dir" && "$velk_status" --time T --variant dst --outcome forecast ${args//,/ } > "$tmp/out" 2> "$tmp/err") || status=$?
  [ "$status" -eq "$want" ] || fail "velk_status $args in $dir: status $status, expected $want"
  [ "$want" -eq 0 ] || [ ! -s "$tmp/out" ] || fail "velk_status $args in $dir printed a log line: $(cat "$tmp/out")"
done <<'ROWS'
--exit,255   work    0
--exit,256   work    64
--exit,-1    work    64
--exit,0     status  1
ROWS

# --- usage: every bad command line ends with 64 and the usage ------------------
# Fault guarded: "--bindir" without a value ended in "unbound variable".
for args in "--bindir" "--bindir bin" "--keep-days x dst work" "--models nowhere dst work" "xx work" "dst" \
  "--utc-minute 60 dst work" "--alert-timeout 0 dst work" "--stale-hours 0 dst work"; do
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

finish run-cycle "outcomes, status, models, retention, usage and lock hold"
