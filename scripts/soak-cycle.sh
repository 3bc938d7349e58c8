#!/usr/bin/env bash
# Hourly soak of the installed cycle on recorded months, with the clock pinned.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: soak-cycle.sh --build-dir DIR [--from "YYYY-MM-DD HH:MM"] [--hours N] [--keep-days N] [--out DIR]
  --build-dir DIR  a configured and built tree with the tests (the loopback
                   preprocessor builds stand in for the installed ones)
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
by faketime. Each hour the ACE lists hold the records published
by then, so the first hour of March finds March's lists with their header
only. Injected: an ACE outage on 2020-02-28 from 10:20 to 12:20 and a SWEPAM
list with one record missing on 2020-02-29 at 15:20 (the forecaster refuses).
Every cycle's exit status, log line and status.json are checked against what
happened; at the end, the dated files older than the retention must be gone
and every other file kept. Prints the figures; exit status 0 when all held,
1 when a check failed, 2 when the soak cannot run, 64 on bad usage.
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
build="" from="2020-02-27 00:20" hours=121 keep_days=2 out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir | --from | --hours | --keep-days | --out)
      [ $# -ge 2 ] && [ -n "$2" ] || usage_error "$1 needs a value"
      case "$1" in
        --build-dir) build="$2" ;;
        --from) from="$2" ;;
        --hours) hours="$2" ;;
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

# --- the upstream services ----------------------------------------------------
data="$root/tests/data"
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

outage_from="$(date -u -d "2020-02-28 10:20" +%s)" outage_to="$(date -u -d "2020-02-28 12:20" +%s)"
refusal="$(date -u -d "2020-02-29 15:20" +%s)"
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
  want=0 outcome=forecast
  if [ "$now" -ge "$outage_from" ] && [ "$now" -le "$outage_to" ]; then
    rm -f "$up/ace/pub/lists/ace2/"*
    want=10 outcome=sources-failed
  elif [ "$now" -eq "$refusal" ]; then
    list="$up/ace/pub/lists/ace2/$(date -u -d "@$now" +%Y%m)_ace_swepam_1h.txt"
    sed -i "$(grep -n '^[0-9]' "$list" | tail -n 6 | head -n 1 | cut -d: -f1)d" "$list"
    want=20 outcome=forecaster-refused
  fi
  status=0
  # A local zone that the cycle must not use; a sanitizer build must accept
  # faketime's library loaded ahead of its own.
  TZ=Europe/Berlin FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" sh "$root/scripts/faketime-fresh.sh" -f "$(date -u -d "@$now" '+%Y-%m-%d %H:%M:%S')" \
    bash "$share/run-cycle.sh" --bindir "$bin" --keep-days "$keep_days" dst "$work" \
    > "$out/line" 2> "$out/err" || status=$?
  line="$(cat "$out/line")"
  cat "$out/line" >> "$out/cycles.log"
  outcomes[$outcome]=$((${outcomes[$outcome]:-0} + 1))
  [ "$status" -eq "$want" ] || fail "$when" "exit status $status, expected $want: $(head -c 400 "$out/err")"
  [ "$(wc -l < "$out/line")" -eq 1 ] || fail "$when" "not one log line: $line"
  [[ "$line" == "$when dst $outcome exit=$want "* ]] || fail "$when" "log line '$line'"
  "$python" - "$work" "$when" "$outcome" "$want" "$stamp" "$line" <<'CHECK' || fail "$when" "status.json"
import json, os, sys
work, when, outcome, want, stamp, line = sys.argv[1:]
s = json.load(open(os.path.join(work, "status.json")))
assert (s["cycle_time"], s["outcome"], s["exit_status"]) == (when, outcome, int(want)), s
report = open(os.path.join(work, "errorfile.xml")).read()
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
    assert not s["sources"]["ace_mag"]["ok"] and s["sources"]["dst"]["ok"], s["sources"]
    assert "AceMagFileDownload(ace_mag)" in line, line
if outcome == "forecaster-refused":
    assert s["message"] == "DATE/TIME IN MAG AND SWEPAM DATA DO NOT MATCH", s["message"]
CHECK
done
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
  if [ "$now" -ge "$outage_from" ] && [ "$now" -le "$outage_to" ] || [ "$now" -eq "$refusal" ]; then continue; fi
  expected_kept=$((expected_kept + 1))
done
kept_tables="$(find "$work" -maxdepth 1 -name 'dst-fc-*.asc' | wc -l)"
[ "$kept_tables" -ge "$expected_kept" ] || fail retention "$kept_tables forecast tables kept, expected $expected_kept"

echo "soak: $hours hourly cycles from $from UT in $(printf '%.1f' "$elapsed") s ($(awk -v e="$elapsed" -v h="$hours" 'BEGIN { printf "%.2f", e / (h > 0 ? h : 1) }') s per cycle)"
for o in "${!outcomes[@]}"; do echo "  $o: ${outcomes[$o]}"; done
echo "  working directory at the end: $(find "$work" -maxdepth 1 -type f | wc -l) files, $(du -sk "$work" | cut -f1) KiB, $dated dated files (retention $keep_days days)"
[ "$failures" -eq 0 ] || { echo "soak: $failures checks failed"; exit 1; }
echo "soak: every exit status, log line and status.json told the truth; retention removed only old dated files"
