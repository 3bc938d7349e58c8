#!/usr/bin/env bash
# The built-in example: one complete forecasting cycle of each variant on
# recorded upstream months, without leaving the machine.
#
# Two recorded months of tests/data (ACE MAG and SWEPAM hourly lists, Dst,
# quick-look Kp) are laid out as the services publish them and served by
# loopback HTTP and FTP servers. The preprocessor's loopback builds fetch them
# with the clock pinned to 08:30 UT of the moment's day, when the running
# month's ACE lists ended part-way through the month, and velk_nrt forecasts
# with the models in examples/models. Everything goes to out/example/VARIANT/.
#   2017-09-09  2017-08 and 2017-09, the morning after the storm of 7-8 September
#   2023-04-21  2023-03 and 2023-04, a quiet day four weeks after the storm of
#               23-24 March
# Exit status: 0 when every variant produced its forecast, 64 on bad usage,
# 1 otherwise.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
out="$root/out/example"
moment="2017-09-09"
server_lifetime_s=600
cycle_timeout_s=180

say() { printf '%s\n' "$*"; }
die() {
  printf 'example-cycle: %s\n' "$*" >&2
  exit 1
}
usage_error() {
  printf 'example-cycle: %s\n' "$*" >&2
  exit 64
}

variants=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir)
      [ $# -ge 2 ] && [ -n "$2" ] || usage_error "--build-dir needs a directory"
      build="$(mkdir -p "$2" && cd "$2" && pwd)"
      shift 2
      ;;
    --moment)
      [ $# -ge 2 ] && [ -n "$2" ] || usage_error "--moment needs a date (2017-09-09 or 2023-04-21)"
      moment="$2"
      shift 2
      ;;
    -h | --help)
      cat <<'USAGE'
Usage: example-cycle.sh [--build-dir DIR] [--moment DATE] [VARIANT...]
  VARIANT      ap, dst and/or kp (default: all three)
  --build-dir  build tree to configure and use (default: build/, preset "default")
  --moment     2017-09-09 (default) or 2023-04-21: the day replayed, at 08:30 UT
USAGE
      exit 0
      ;;
    ap | dst | kp)
      variants+=("$1")
      shift
      ;;
    *) usage_error "unknown argument '$1' (try --help)" ;;
  esac
done
[ ${#variants[@]} -gt 0 ] || variants=(ap dst kp)

# The replayed moments: the wall clock, and the months served as the previous
# and the running month (tests/data holds the running month as it stood then).
case "$moment" in
  2017-09-09) previous=201708 current=201709 ;;
  2023-04-21) previous=202303 current=202304 ;;
  *) die "no recorded data for the moment '$moment' (known: 2017-09-09, 2023-04-21)" ;;
esac
clock="$moment 08:30:00"

# --- tools ----------------------------------------------------------------
missing=()
for tool in cmake faketime gnuplot flock timeout; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] || die "missing ${missing[*]}; run: bash scripts/install-deps.sh"
# The FTP stand-in needs pyftpdlib, which Debian installs for its own python3;
# a python3 earlier on PATH (pyenv, conda) may lack it.
source "$root/tools/loopback/loopback.sh"
python="$(loopback_python)" || die "no python3 with pyftpdlib; run: bash scripts/install-deps.sh"
for model in 1203 1003 1101 1102 1103 1104; do
  if [ ! -r "$root/examples/models/$model.res" ] || [ ! -r "$root/examples/models/$model.cov" ]; then
    die "example model $model.res/.cov missing from examples/models"
  fi
done

# --- build ----------------------------------------------------------------
mkdir -p "$out"
say "== building the loopback preprocessors and velk_nrt in $build (log: $out/build.log)"
targets=(velk_nrt velk_status)
for v in "${variants[@]}"; do targets+=("nrtprep-$v-loopback"); done
{
  if [ ! -f "$build/CMakeCache.txt" ]; then
    if [ "$build" = "$root/build" ]; then
      cmake --preset default -S "$root"
    else
      cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
  fi
  cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
} > "$out/build.log" 2>&1 || {
  tail -n 30 "$out/build.log" >&2
  if grep -qE "unknown target|No rule to make target" "$out/build.log"; then
    say "The loopback builds are test targets: configure $build with -DNRT_BUILD_TESTS=ON." >&2
  fi
  die "the build failed (whole log: $out/build.log)"
}

# The cycle script runs nrtprep-VARIANT and velk_nrt from one directory, so
# the loopback builds appear there under the production names.
bindir="$out/bin"
rm -rf "$bindir"
mkdir -p "$bindir"
ln -s "$build/forecast/velk_nrt" "$build/status/velk_status" "$bindir/"
for v in "${variants[@]}"; do
  program="$build/tests/e2e/nrtprep-$v-loopback"
  [ -x "$program" ] || die "$program was not built (is NRT_BUILD_TESTS off in $build?)"
  ln -s "$program" "$bindir/nrtprep-$v"
done

# --- the upstream services, as they stood on the moment's day -------------
up="$out/upstream"
data="$root/tests/data"
rm -rf "$up"
"$python" "$root/tools/loopback/upstream.py" "$up" --data "$data" --months "$previous" "$current" ||
  die "cannot lay out the upstream services in $up"
# The span of the data read, from the first record of the previous month's
# list to the last record of the running month's.
ace_first="$(awk '/^[0-9]/ { print $1 "-" $2 "-" $3, substr($4, 1, 2); exit }' "$data/ace/${previous}_ace_mag_1h.txt")"
ace_last="$(awk '/^[0-9]/ { last = $1 "-" $2 "-" $3 " " substr($4, 1, 2) } END { print last }' "$data/ace/${current}_ace_mag_1h.txt")"

trap loopback_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

say "== starting the loopback servers (Dst and Kp by HTTP, ACE by FTP, on free loopback ports)"
# The loopback builds find the servers in the variables this exports.
if ! loopback_start "$up" "$out/servers.log" "$server_lifetime_s"; then
  cat "$out/servers.log" >&2
  die "the loopback servers did not start"
fi

# --- one cycle per variant ------------------------------------------------
declare -A index_names=([ap]="ap" [kp]="Kp" [dst]="Dst")
failed=()
for v in "${variants[@]}"; do
  work="$out/$v"
  rm -rf "$work"
  mkdir -p "$work"
  say "== $v: nrtprep-$v and velk_nrt in $work, clock pinned to $clock UT"
  status=0
  # Frozen wall clock for both programs; the monotonic clock stays real so
  # that libcurl's timeouts still run.
  # (A sanitizer build must accept faketime's library loaded ahead of its own.)
  timeout "$cycle_timeout_s" env TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    sh "$root/scripts/faketime-fresh.sh" -f "$clock" bash "$root/scripts/run-cycle.sh" --bindir "$bindir" \
    --models "$root/examples/models" "$v" "$work" > "$work/cycle.log" 2>&1 || status=$?
  table="$(sed -n "s/^FNDAT='\(.*\)'$/\1/p" "$work/velk_nrt.cfg" 2>/dev/null || true)"
  metadata="$(sed -n "s/^FNMET='\(.*\)'$/\1/p" "$work/velk_nrt.cfg" 2>/dev/null || true)"
  # The cycle's exit status is 0 only when a forecast table was written; its
  # log line names the outcome and the failed steps (see README, "Operating it").
  if [ "$status" -ne 0 ]; then
    [ "$status" -ne 124 ] || say "   the cycle did not end within $cycle_timeout_s s"
    sed 's/^/   /' "$work/cycle.log"
    say "   $v: FAILED (exit status $status)"
    failed+=("$v")
    continue
  fi
  if ! bash "$root/scripts/plot-forecast.sh" -t "${index_names[$v]} forecast of the example cycle (clock pinned to $clock UT)" \
    "$work/$table" "$work/$metadata" "$work/$v-forecast.png" 2> "$work/plot.log"; then
    sed 's/^/   /' "$work/plot.log"
    say "   $v: the picture could not be drawn"
    failed+=("$v")
  else
    rm -f "$work/plot.log"
  fi
done

loopback_stop
trap - EXIT

# --- what came out --------------------------------------------------------
# The last rows of a table that still carry a forecast (later rows hold
# only fill values), under the table's header.
last_forecast_rows() {  # TABLE FILL
  awk -v fill="$2" '
    NR == 1 { header = $0; next }
    { row[++n] = $0; for (i = 9; i <= NF; i++) if ($i + 0 != fill + 0) last = n }
    END {
      print header
      for (i = (last > 8 ? last - 7 : 1); i <= last; i++) print row[i]
      if (n > last) printf "   (%d later rows to the end of the table hold only the fill value %s)\n", n - last, fill
    }' "$1"
}
# The newest row of each lead that holds a forecast and how far it lies from
# the cycle's clock: how far ahead this cycle's forecasts really reach (a row
# of hour HH stands for HH:00).
newest_forecasts() {  # TABLE FILL CLOCK
  local clock_s label when value row_s
  clock_s="$(date -u -d "$3" +%s)"
  awk -v fill="$2" '
    NR == 1 { for (i = 1; i <= NF; i++) if ($i ~ /^FC\+/) label[++labels] = $i; next }
    { for (j = 1; j <= NF - 8; j++) if ($(8 + j) + 0 != fill + 0) {
        newest[j] = sprintf("%04d-%02d-%02dT%02d:00Z %s", $3, $4, $5, $7, $(8 + j)) }
      if (NF - 8 > leads) leads = NF - 8 }
    END { for (j = 1; j <= leads; j++)
            print (j in label ? label[j] : "lead" j), (j in newest ? newest[j] : "none") }' "$1" |
    while read -r label when value; do
      if [ "$when" = none ]; then
        printf '%s none: every row holds the fill value\n' "$label"
        continue
      fi
      row_s="$(date -u -d "${when%Z}" +%s)"
      awk -v l="$label" -v w="$when" -v v="$value" -v d="$((row_s - clock_s))" 'BEGIN {
        printf "%s newest %s %6s (%+.1f h %s the cycle)\n", l, w, v, d / 3600, (d >= 0 ? "after" : "before") }'
    done
}
scores() {  # METADATA
  awk '
    function inner(l) { sub(/^[^>]*>/, "", l); sub(/<.*$/, "", l); return l }
    BEGIN { printf "   %-8s %8s %8s %8s %8s %8s %8s %8s\n", "lead", "RMSE", "(pers.)", "PE", "(pers.)", "R", "(pers.)", "skill" }
    /<Lead_Time>/ { lead = inner($0) + 0; line = "" }
    /<Value>|<Persistence_Value>/ { line = line sprintf(" %8s", inner($0)) }
    /<\/Model>/ { printf "   %-8s%s\n", sprintf("FC+%02dH", lead), line }
  ' "$1"
}

say ""
say "== results (recorded data of $ace_first to $ace_last UT, clock $clock UT)"
for v in "${variants[@]}"; do
  work="$out/$v"
  case " ${failed[*]} " in *" $v "*) say "-- $v: failed, see $work/cycle.log and $work/errorfile.xml"; continue ;; esac
  table="$(sed -n "s/^FNDAT='\(.*\)'$/\1/p" "$work/velk_nrt.cfg")"
  metadata="$(sed -n "s/^FNMET='\(.*\)'$/\1/p" "$work/velk_nrt.cfg")"
  fill="$(sed -n 's:.*<Fill_Value> *\([^<]*\)</Fill_Value>.*:\1:p' "$work/$metadata")"
  say ""
  say "-- $v, in $work/"
  say "   forecast table  $table"
  say "   metadata        $metadata"
  say "   picture         $v-forecast.png"
  say "   report          errorfile.xml"
  say "   status          status.json, index.html"
  say "   cycle log line  $(head -n 1 "$work/cycle.log")"
  say "   last forecast rows:"
  last_forecast_rows "$work/$table" "$fill" | sed 's/^/   /'
  say "   newest forecast of each lead (clock $clock UT):"
  newest_forecasts "$work/$table" "$fill" "$clock" | sed 's/^/   /'
  say "   scores over the rows with data (persistence in brackets):"
  scores "$work/$metadata"
done
say ""
if [ ${#failed[@]} -gt 0 ]; then
  die "the example cycle failed for: ${failed[*]}"
fi
say "The loopback servers are stopped. The pictures:"
for v in "${variants[@]}"; do say "   $out/$v/$v-forecast.png"; done
