#!/usr/bin/env bash
# Hourly soak of the installed cycle on recorded months, with the clock pinned.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: soak-cycle.sh --build-dir DIR [--storm] [--from "YYYY-MM-DD HH:MM"] [--hours N]
                     [--keep-days N] [--out DIR]
  --build-dir DIR  a configured and built tree with the tests (the loopback
                   preprocessor builds stand in for the installed ones)
  --storm          the storm soak: from "2017-08-31 00:20" for 200 hours, over
                   the end of August 2017 into the storm of 7-8 September, with
                   the outage on 2017-09-02 from 06:20 to 10:20 and the refusal
                   on 2017-09-05 at 15:20 (--from and --hours still apply)
  --from TIME      the first cycle, UTC (default "2020-02-27 00:20"); the
                   recorded months also carry cycles from "2023-01-01 00:20"
                   to 2023-01-15 (the first hours of a year)
  --hours N        number of hourly cycles (default 121: five days, over the end
                   of February 2020)
  --keep-days N    the retention handed to run-cycle.sh (default 2)
  --out DIR        keep everything there, with the log lines in cycles.log
                   (default: a temporary directory, removed)

Installs the build tree to a fresh prefix, starts loopback stand-ins of the
upstream services holding the recorded months, and runs the installed
run-cycle.sh once per hour in a fresh working directory with the clock pinned
by faketime. Each hour the ACE lists and the running Dst month hold the
records published by then, so the first hour of March finds March's lists
with their header only. Injected: an outage on 2020-02-28 from 10:20 to 12:20
(every host refuses connections), a SWEPAM list with one record missing on
2020-02-29 at 15:20 (the forecaster refuses), an order file that is not XML
at the 7th cycle, and the leftovers of a killed cycle before every 24th.
Every cycle's exit status, log line and status.json are checked against what
happened, storm alerts are recorded (one per level reached in a storm), and
each forecast cycle's live verification is scored again by the scoring
command's code (tests/cli/verification_agreement.py); at the end, the dated
files older than the retention must be gone and every other file kept.
Prints the figures; exit status 0 when all held, 1 when a check failed, 2
when the soak cannot run, 64 on bad usage.
USAGE
}
die() {
  echo "soak-cycle: $*" >&2
  exit 2
}
usage_error() {
  echo "soak-cycle: $*" >&2
  usage >&2
  exit 64
}

root="$(cd "$(dirname "$0")/.." && pwd)"
build="" from="2020-02-27 00:20" hours=121 keep_days=2 out="" storm=false from_given="" hours_given=""
while [ $# -gt 0 ]; do
  case "$1" in
    --storm) storm=true; shift; continue ;;
    --build-dir | --from | --hours | --keep-days | --out)
      [ $# -ge 2 ] && [ -n "$2" ] || usage_error "$1 needs a value"
      case "$1" in
        --build-dir) build="$2" ;;
        --from) from_given="$2" ;;
        --hours) hours_given="$2" ;;
        --keep-days) keep_days="$2" ;;
        --out) out="$2" ;;
      esac
      shift 2
      ;;
    -h | --help) usage; exit 0 ;;
    *) usage_error "unknown argument '$1'" ;;
  esac
done
[ -n "$build" ] || usage_error "--build-dir is required"
# The scenario: when the outage (every host refuses), the refusal and the
# order file that is not XML happen.
outage_from="2020-02-28 10:20" outage_to="2020-02-28 12:20" refusal="2020-02-29 15:20"
if $storm; then
  from="2017-08-31 00:20" hours=200
  outage_from="2017-09-02 06:20" outage_to="2017-09-02 10:20" refusal="2017-09-05 15:20"
fi
from="${from_given:-$from}" hours="${hours_given:-$hours}"
[[ "$hours" =~ ^[0-9]+$ && "$keep_days" =~ ^[1-9][0-9]*$ ]] || die "--hours and --keep-days need whole numbers"
build="$(cd "$build" && pwd)"
start_s="$(date -u -d "$from" +%s)" || die "bad --from '$from'"
for tool in faketime flock cmake; do command -v "$tool" > /dev/null || die "$tool is missing"; done
source "$root/tools/loopback/loopback.sh"
python="$(loopback_python)" || die "no python3 with pyftpdlib"
remove_out=false
if [ -n "$out" ]; then
  rm -rf "$out" && mkdir -p "$out" && out="$(cd "$out" && pwd)"
else
  out="$(mktemp -d)" remove_out=true
fi
trap 'loopback_stop; if $remove_out; then rm -rf "$out"; fi' EXIT

# --- the installation -------------------------------------------------------
cmake --install "$build" --prefix "$out/prefix" > "$out/install.log"
share="$out/prefix/share/velk"
# The installed programs, but the preprocessor that talks to loopback servers.
bin="$out/bin"
mkdir -p "$bin"
ln -s "$out/prefix/bin/velk_nrt" "$out/prefix/bin/velk_status" "$bin/"
ln -s "$build/tests/e2e/nrtprep-dst-loopback" "$bin/nrtprep-dst"
# The installation carries the scheduling files; the units must verify.
for file in crontab.example velk-cycle@.service velk-cycle@.timer; do
  [ -f "$share/scheduling/$file" ] || die "cmake --install did not install scheduling/$file"
done
if command -v systemd-analyze > /dev/null; then
  unit="$out/velk-cycle@dst"
  sed "s#/usr/local/#$out/prefix/#g" "$share/scheduling/velk-cycle@.service" > "$unit.service"
  cp "$share/scheduling/velk-cycle@.timer" "$unit.timer"
  systemd-analyze verify "$unit.service" "$unit.timer" > "$out/verify.log" 2>&1 && [ ! -s "$out/verify.log" ] ||
    die "systemd-analyze verify: $(cat "$out/verify.log")"
fi

# --- the storm soak's months: July 2017 (the month before the first cycle's)
# from the fitting data, the rest as the tests hold them ----------------------
storm_data=""
if $storm; then
  storm_data="$out/data"
  mkdir -p "$storm_data/ace" "$storm_data/dst" "$storm_data/kp"
  for dir in ace dst kp; do ln -s "$root/tests/data/$dir/"* "$storm_data/$dir/"; done
  recorded="$root/fit/data/recorded"
  for list in mag swepam; do gunzip -c "$recorded/ace/201707_ace_${list}_1h.txt.gz" > "$storm_data/ace/201707_ace_${list}_1h.txt"; done
  gunzip -c "$recorded/dst/dst1707.for.request.gz" > "$storm_data/dst/dst1707.for.request"
  gunzip -c "$recorded/kp/ngdc_2017.gz" > "$out/2017"
  "$python" "$root/tests/data/kp/make_quicklook.py" ngdc "$out/2017" 2017 07 > "$storm_data/kp/ql1707.wdc"
fi

# --- the upstream services ----------------------------------------------------
data="${storm_data:-$root/tests/data}"
up="$out/upstream"
# publish EPOCH: the upstream files as they stood at that moment, with every
# recorded Dst month, so that --from may also start in January 2023 (the first
# hours of a year, on the recorded 2022-12 and 2023-01).
publish() {
  local now="$1" current previous cut
  current="$(date -u -d "@$now" +%Y%m)"
  previous="$(date -u -d "$(date -u -d "@$now" +%Y-%m-01) - 1 day" +%Y%m)"
  # An hour's record is published once the hour is over.
  cut="$(date -u -d "@$((now - 3600))" +%Y%m%d%H%M)"
  "$python" "$root/tools/loopback/upstream.py" "$up" --data "$data" --months "$previous" "$current" \
    --ace-until "$cut" --every-dst-month || die "cannot lay out the upstream services in $up"
}
publish "$start_s"
loopback_start "$up" "$out/servers.log" $((hours * 10 + 120)) || die "the servers did not start: $(cat "$out/servers.log")"

# --- the working directory: fresh, plus files no cycle may remove ------------
work="$out/work"
mkdir -p "$work"
keep=(notes.txt order.xml "dst-fc-2019_001_00_20.asc.bak" "my-dst-rt-2019_001_00_20.asc" "dst-fc-2019_001_00_20.txt")
(cd "$work" && touch "${keep[@]}")

outage_from="$(date -u -d "$outage_from" +%s)" outage_to="$(date -u -d "$outage_to" +%s)"
refusal="$(date -u -d "$refusal" +%s)"
invalid_order=$((start_s + 6 * 3600))
echo '<order><Output><File_Name>' > "$out/not-xml.xml"
# A port nothing listens on, for the hosts of the outage.
closed_port="$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
# The running Dst month as the service publishes it: the hours to come read 9999.
dst_as_of() { # EPOCH
  local month file
  month="$(date -u -d "@$1" +%Y%m)"
  file="$data/dst/dst${month:2:4}.for.request"
  [ -f "$file" ] || return 0
  "$python" "$data/dst/make_running_month.py" "$file" "$(date -u -d "@$1" '+%Y-%m-%d %H:%M')" \
    > "$up/dst/dst_realtime/$month/dst${month:2:4}.for.request"
}
alerts="$out/alerts.jsonl"
: > "$alerts"
declare -A alerts_expected=()
alerted=0 expected_alerts="" agreed=0 disagreed=0 planted=0
failures=0
fail() {
  echo "FAIL $1: $2"
  failures=$((failures + 1))
}
declare -A outcomes=()
began="$(date +%s.%N)"
for ((i = 0; i < hours; i++)); do
  now=$((start_s + i * 3600))
  when="$(date -u -d "@$now" +%Y-%m-%dT%H:%M:%SZ)"
  # The preprocessor's stamps count the day of the year from 0.
  stamp="$(date -u -d "@$now" +%Y)_$(printf '%03d' $((10#$(date -u -d "@$now" +%j) - 1)))_$(date -u -d "@$now" +%H_%M)"
  publish "$now"
  dst_as_of "$now"
  want=0 outcome=forecast hosts=() order=()
  if [ "$now" -ge "$outage_from" ] && [ "$now" -le "$outage_to" ]; then
    hosts=("NRT_TEST_DST_HOST=127.0.0.1:$closed_port" "NRT_TEST_KP_HOST=127.0.0.1:$closed_port"
      "NRT_TEST_ACE_HOST=127.0.0.1:$closed_port")
    want=10 outcome=sources-failed
  elif [ "$now" -eq "$invalid_order" ]; then
    order=("$out/not-xml.xml")
    want=11 outcome=order-file-invalid
  elif [ "$now" -eq "$refusal" ]; then
    list="$up/ace/pub/lists/ace2/$(date -u -d "@$now" +%Y%m)_ace_swepam_1h.txt"
    sed -i "$(grep -n '^[0-9]' "$list" | tail -n 6 | head -n 1 | cut -d: -f1)d" "$list"
    want=20 outcome=forecaster-refused
  fi
  # What a killed cycle and a killed forecaster leave behind.
  if [ $((i % 24)) -eq 23 ]; then
    touch "$work/.cycle-start.Ab12Cd" "$work/.velk_nrt-999999-Qw12Er"
    mkdir -p "$work/.cycle-out.Xy34Zw"
    planted=$((planted + 1))
  fi
  status=0
  # A local zone that the cycle must not use; a sanitizer build must accept
  # faketime's library loaded ahead of its own.
  env "${hosts[@]}" TZ=Europe/Berlin FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" sh "$root/scripts/faketime-fresh.sh" -f "$(date -u -d "@$now" '+%Y-%m-%d %H:%M:%S')" \
    bash "$share/run-cycle.sh" --bindir "$bin" --keep-days "$keep_days" \
    --on-alert "cat >> '$alerts'; echo >> '$alerts'" dst "$work" "${order[@]}" \
    > "$out/line" 2> "$out/err" || status=$?
  line="$(cat "$out/line")"
  cat "$out/line" >> "$out/cycles.log"
  outcomes[$outcome]=$((${outcomes[$outcome]:-0} + 1))
  [ "$status" -eq "$want" ] || fail "$when" "exit status $status, expected $want: $(head -c 400 "$out/err")"
  [ "$(wc -l < "$out/line")" -eq 1 ] || fail "$when" "not one log line: $line"
  [[ "$line" == "$when dst $outcome exit=$want "* ]] || fail "$when" "log line '$line'"
  "$python" - "$work" "$when" "$outcome" "$want" "$stamp" "$line" <<'CHECK' || fail "$when" "status.json"
import json, os, re, sys
work, when, outcome, want, stamp, line = sys.argv[1:]
s = json.load(open(os.path.join(work, "status.json")))
assert (s["cycle_time"], s["outcome"], s["exit_status"]) == (when, outcome, int(want)), s
report = open(os.path.join(work, "errorfile.xml")).read()
# Numbers are numbers and keys snake_case (the leads' own labels excepted).
def walk(value, path):
    if isinstance(value, dict):
        for key, item in value.items():
            assert re.fullmatch(r"[a-z0-9_]+", key) or path.endswith("forecasts") and key.startswith("FC+"), (path, key)
            walk(item, path + "." + key)
    elif isinstance(value, list):
        for item in value:
            walk(item, path)
    elif isinstance(value, str):
        assert not re.fullmatch(r"\s*[-+]?[0-9]*\.?[0-9]+\.?\s*", value) or path.endswith(("message", "error")), (path, value)
walk(s, "")
# Nothing a killed cycle or forecaster left stays for the next.
assert not [f for f in os.listdir(work) if re.fullmatch(r"\.cycle-(start|out)\.\w{6}|\.velk_nrt-\d+-\w{6}", f)], os.listdir(work)
if outcome == "forecast":
    assert s["forecast_table"] == "dst-fc-%s.asc" % stamp, s["forecast_table"]
    assert os.path.isfile(os.path.join(work, s["forecast_table"])) and s["failed_steps"] == [], s
    newest = [f for f in s["newest_forecasts"] if f["valid_time"]]
    assert len(newest) == 4 and all("%s@%s=%s" % (f["lead"], f["valid_time"], f["value"]) in line for f in newest), line
    first_hour = when.endswith("-01T00:20:00Z")
    assert ("AceMagFilePreviousMonthOnly" in report) == first_hour, "first hour of the month: %s" % first_hour
else:
    assert s["forecast_table"] == "" and s["newest_forecasts"] == [], s
    assert not [f for f in os.listdir(work) if "-rt-%s" % stamp in f], "a failed cycle's inputs were left"
if outcome == "sources-failed":
    # Every host refused.
    assert not any(source["ok"] for source in s["sources"].values()), s["sources"]
    assert "DSTFileDownload(dst)" in line and "AceMagFileDownload(ace_mag)" in line, line
    # The preprocessor names the cause of every failed download, and the
    # status carries it through to the failure's sentence.
    causes = [step["cause"] for step in s["failed_steps"] if step["step"].endswith("Download")]
    assert causes and all(c == "connection refused" for c in causes), causes
if outcome == "order-file-invalid":
    assert s["sources"] is None, s["sources"]
if outcome == "forecaster-refused":
    assert s["message"] == "DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH", s["message"]
    assert line.endswith(" message=" + s["message"]), line
CHECK
  # Storm alerts: a forecast's level alerts when it rises above the level
  # alerted in the storm going on; one that reaches no level ends the storm.
  if [ "$outcome" = forecast ]; then
    level="$("$python" -c 'import json, sys; a = json.load(open(sys.argv[1]))["alerts"]; print(a["level"] if a else 0)' "$work/status.json")"
    if [ "$level" -eq 0 ]; then
      alerted=0
    elif [ "$level" -gt "$alerted" ]; then
      alerted="$level" expected_alerts="$expected_alerts $level"
      alerts_expected[$level]=$((${alerts_expected[$level]:-0} + 1))
    fi
    # Live verification against the scoring command over the same rows.
    if "$python" "$root/tests/cli/verification_agreement.py" "$work" "$root/scripts/table-scores.py" \
      > "$out/agreement" 2>&1; then
      agreed=$((agreed + 1))
    else
      disagreed=$((disagreed + 1))
      fail "$when" "live verification disagrees with the scoring command: $(grep -v '^ *[0-9]* h FC+[0-9]*H n=[0-9]* live[^D]*$' "$out/agreement" | head -c 800)"
    fi
  fi
done
got_alerts="$("$python" -c 'import json, sys; print(" ".join(str(json.loads(l)["level"]) for l in open(sys.argv[1]) if l.strip()))' "$alerts")"
[ "$got_alerts" = "${expected_alerts# }" ] || fail alerts "levels alerted '$got_alerts', expected '${expected_alerts# }'"
# awk, not bc: bc is not on every fresh machine.
elapsed="$(awk -v a="$began" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')"
loopback_stop

# --- retention: dated files older than the retention are gone, the rest kept --
last_s=$((start_s + (hours - 1) * 3600))
cutoff_s=$((last_s - keep_days * 86400))
cutoff="$(date -u -d "@$cutoff_s" +%Y)$(printf '%03d' $((10#$(date -u -d "@$cutoff_s" +%j) - 1)))$(date -u -d "@$cutoff_s" +%H%M)"
for f in "${keep[@]}" 1101.res 1101.cov status.json index.html errorfile.xml velk_nrt.cfg; do
  [ -e "$work/$f" ] || fail retention "$f was removed"
done
dated=0
for f in "$work"/*-rt-* "$work"/*-fc-*; do
  name="$(basename "$f")"
  [[ "$name" =~ ^(dst|kp|ace-mag|ace-swepam)-rt-([0-9]{4})_([0-9]{3})_([0-9]{2})_([0-9]{2})\.asc$ ||
    "$name" =~ ^dst-fc-([0-9]{4})_([0-9]{3})_([0-9]{2})_([0-9]{2})\.(asc|xml|png)$ ]] || continue
  dated=$((dated + 1))
  s="$(sed -E 's/^.*-(rt|fc)-([0-9]{4})_([0-9]{3})_([0-9]{2})_([0-9]{2})\..*$/\2\3\4\5/' <<< "$name")"
  [[ ! "$s" < "$cutoff" ]] || fail retention "$name is older than $keep_days days and still there"
done
# Within the window every forecast cycle's table, metadata and inputs remain.
expected_kept=0
for ((i = 0; i < hours; i++)); do
  now=$((start_s + i * 3600))
  [ "$now" -ge $((last_s - keep_days * 86400)) ] || continue
  if [ "$now" -ge "$outage_from" ] && [ "$now" -le "$outage_to" ] || [ "$now" -eq "$refusal" ] ||
    [ "$now" -eq "$invalid_order" ]; then continue; fi
  expected_kept=$((expected_kept + 1))
done
kept_tables="$(find "$work" -maxdepth 1 -name 'dst-fc-*.asc' | wc -l)"
[ "$kept_tables" -ge "$expected_kept" ] || fail retention "$kept_tables forecast tables kept, expected $expected_kept"

echo "soak: $hours hourly cycles from $from UT in $(printf '%.1f' "$elapsed") s ($(awk -v e="$elapsed" -v h="$hours" 'BEGIN { printf "%.2f", e / (h > 0 ? h : 1) }') s per cycle)"
for o in "${!outcomes[@]}"; do echo "  $o: ${outcomes[$o]}"; done
echo "  storm alerts (level: count): $(for l in 1 2 3 4 5; do [ -z "${alerts_expected[$l]:-}" ] || printf '%s: %s  ' "$l" "${alerts_expected[$l]}"; done)(delivered: ${got_alerts:-none})"
echo "  live verification agreed with the scoring command in $agreed forecast cycles, disagreed in $disagreed"
[ ! -s "$out/agreement" ] || sed 's/^/    /' "$out/agreement"
echo "  killed cycles' leftovers planted $planted times, each gone at the next cycle"
echo "  working directory at the end: $(find "$work" -maxdepth 1 -type f | wc -l) files, $(du -sk "$work" | cut -f1) KiB, $dated dated files (retention $keep_days days)"
[ "$failures" -eq 0 ] || { echo "soak: $failures checks failed"; exit 1; }
echo "soak: every exit status, log line and status.json told the truth; retention removed only old dated files"
