#!/usr/bin/env bash
# One forecasting cycle in one working directory: the preprocessor, then the
# forecaster when the preprocessor handed over a fresh configuration, then the
# cycle's status (status.json, index.html, one log line on standard output)
# and the pruning of old files.
#
# Both programs use fixed file names in the working directory, so two cycles
# must never overlap there: a lock file makes a second cycle give up at once
# (exit 75) instead of interleaving with the first.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: run-cycle.sh [--bindir DIR] [--models DIR] [--keep-days N] [--stale-hours H]
                    [--on-alert CMD [--alert-timeout S]] [--publish DIR] [--utc-minute M]
                    VARIANT WORKDIR [ORDER_FILE]
  VARIANT        ap, dst or kp (selects nrtprep-VARIANT)
  WORKDIR        the cycle's working directory (velk_nrt.cfg, input files, outputs)
  ORDER_FILE     optional order file handed to the preprocessor
  --bindir DIR   where nrtprep-VARIANT, velk_nrt and velk_status are (default: PATH)
  --models DIR   model and covariance files, copied into WORKDIR when missing or
                 different (default: the installed share/velk/models)
  --keep-days N  remove the cycle's own dated files older than N days (default 30;
                 0 keeps them all)
  --stale-hours H  the status calls an input or forecast stale when its newest
                 row has not advanced for H hours (default 3)
  --on-alert CMD  run CMD (with sh -c) when the forecasts first reach a storm
                 level or reach a higher one, the alert as JSON on its standard
                 input; its output goes to standard error. A CMD that fails is
                 run again at the next cycle.
  --alert-timeout S  stop CMD after S seconds (default 60)
  --publish DIR  copy index.html, status.json and this cycle's picture (as
                 forecast.png) into DIR (made when missing), each replaced
                 atomically and readable by all, for a web server
  --utc-minute M run only when the UTC time is within minutes M..M+14 of the
                 hour, else exit 0 at once, doing nothing: cron starts jobs in
                 local time, so a crontab runs this at minutes 5,20,35,50 and
                 the cycle still runs once an hour at minute M UTC
Exit status: 0 a forecast table was written in this cycle; 10 a source failed
(no fresh configuration); 11 the order file is not well-formed XML; 12 the
preprocessor could write no report; 13 the preprocessor ended otherwise; 20 the
forecaster refused (a message line); 21 the forecaster ended abnormally;
64 bad usage; 74 the status could not be written (or nothing could be written in
WORKDIR); 75 another cycle is running.
USAGE
}
bad_usage() {
  echo "run-cycle: $*" >&2
  usage >&2
  exit 64
}

here="$(cd "$(dirname "$0")" && pwd)"
bindir="" models="" models_given=false keep_days=30 stale_hours=3 on_alert="" alert_timeout=60
publish="" utc_minute=""
while [ $# -gt 0 ]; do
  case "$1" in
    --bindir | --models | --keep-days | --stale-hours | --on-alert | --alert-timeout | --publish | --utc-minute)
      [ $# -ge 2 ] && [ -n "$2" ] || bad_usage "$1 needs a value"
      case "$1" in
        --bindir) bindir="$2" ;;
        --models) models="$2" models_given=true ;;
        --keep-days) keep_days="$2" ;;
        --stale-hours) stale_hours="$2" ;;
        --on-alert) on_alert="$2" ;;
        --alert-timeout) alert_timeout="$2" ;;
        --publish) publish="$2" ;;
        --utc-minute) utc_minute="$2" ;;
      esac
      shift 2
      ;;
    -h | --help)
      usage
      exit 0
      ;;
    --) shift; break ;;
    -*) bad_usage "unknown option '$1'" ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] && [ $# -le 3 ] || bad_usage "VARIANT and WORKDIR are needed"
variant="$1" workdir="$2" order="${3:-}"
case "$variant" in ap | dst | kp) ;; *) bad_usage "unknown variant '$variant'" ;; esac
[[ "$keep_days" =~ ^[0-9]+$ ]] && [ "${#keep_days}" -le 5 ] || bad_usage "--keep-days needs a whole number of days, not '$keep_days'"
keep_days=$((10#$keep_days)) # a leading zero would make shell arithmetic read it as octal
[[ "$stale_hours" =~ ^[0-9]{1,4}$ ]] && [ $((10#$stale_hours)) -ge 1 ] && [ $((10#$stale_hours)) -le 8760 ] ||
  bad_usage "--stale-hours needs whole hours 1..8760, not '$stale_hours'"
stale_hours=$((10#$stale_hours))
[[ "$alert_timeout" =~ ^[0-9]{1,4}$ ]] && [ $((10#$alert_timeout)) -ge 1 ] ||
  bad_usage "--alert-timeout needs whole seconds 1..9999, not '$alert_timeout'"
alert_timeout=$((10#$alert_timeout))
if [ -n "$utc_minute" ]; then
  [[ "$utc_minute" =~ ^[0-9]{1,2}$ ]] && [ $((10#$utc_minute)) -le 59 ] ||
    bad_usage "--utc-minute needs a minute 0..59, not '$utc_minute'"
  # Every zone's offset from UTC is a whole number of quarter hours, so one of
  # the four starts an hour falls within the quarter hour from minute M UTC.
  # (The window wraps past the hour.)
  if [ $(((10#$(date -u +%M) - 10#$utc_minute + 60) % 60)) -ge 15 ]; then exit 0; fi
fi
[ -d "$workdir" ] || bad_usage "no working directory '$workdir'"
# Every path is made absolute before the script changes into WORKDIR.
if [ -n "$bindir" ]; then
  [ -d "$bindir" ] || bad_usage "no directory '$bindir' for --bindir"
  bindir="$(cd "$bindir" && pwd)/"
fi
if ! $models_given; then
  models="$here/models"                                  # installed: share/velk/models
  [ -d "$models" ] || models="$here/../examples/models"  # the source tree
fi
if [ -d "$models" ]; then
  models="$(cd "$models" && pwd)"
elif $models_given; then
  bad_usage "no directory '$models' for --models"
else
  models=""
fi
if [ -n "$publish" ]; then
  mkdir -p -- "$publish" 2> /dev/null || bad_usage "cannot make the directory '$publish' for --publish"
  publish="$(cd "$publish" && pwd)"
fi
if [ -n "$order" ]; then
  [ -d "$(dirname "$order")" ] || bad_usage "no directory for the order file '$order'"
  order="$(cd "$(dirname "$order")" && pwd)/$(basename "$order")"
fi

# Every time the service writes is UTC (the metadata's creation time, the
# file names' stamps), whatever the host's time zone.
export TZ=UTC
cd "$workdir"
cycle_time="$(date -u +%Y-%m-%dT%H:%M:%SZ)"
# A working directory the cycle cannot write in (read-only, full, another
# owner) still gets its log line and a documented status.
unwritable() {
  echo "$cycle_time $variant unwritable exit=74 (status.json not written)"
  echo "run-cycle: cannot write in $workdir (are it and its .cycle.lock writable by $(id -un 2> /dev/null || id -u)?)" >&2
  exit 74
}
{ exec 9>>.cycle.lock; } 2> /dev/null || unwritable
if ! flock -n 9; then
  echo "$cycle_time $variant busy exit=75"
  echo "run-cycle: another cycle is running in $workdir" >&2
  exit 75
fi

config_value() { sed -n "s/^$1='\(.*\)'\$/\1/p" velk_nrt.cfg | sed "s/''/'/g"; }

# The models come with the installation; a fresh working directory gets them,
# and an updated installation replaces them (atomically, through a copy).
if [ -n "$models" ]; then
  for model in "$models"/*.res "$models"/*.cov "$models"/*.gap; do
    [ -f "$model" ] || continue
    name="$(basename "$model")"
    if ! cmp -s "$model" "$name"; then
      # A link left under the copy's name would make cp write through it.
      rm -f -- ".$name.new" && cp "$model" ".$name.new" && mv -f ".$name.new" "$name"
    fi
  done
  # A gap file makes the forecaster use fallback models; one the installed
  # models no longer have would keep an old model set half alive.
  for model in "$models"/*.res; do
    [ -f "$model" ] || continue
    gap="$(basename "${model%.res}").gap"
    if [ ! -e "$models/$gap" ] && [ -f "$gap" ]; then rm -f -- "$gap"; fi
  done
fi

# A cycle that was killed left its marker and scratch directory behind. The
# lock is held, so no other cycle is using any of them: all are stale.
for stale in .cycle-start.?????? .cycle-out.??????; do
  if [ -e "$stale" ] || [ -L "$stale" ]; then rm -rf -- "$stale"; fi
done

# Files written in this cycle are newer than this marker; a velk_nrt.cfg
# older than it names the inputs of an earlier cycle.
marker="" scratch=""
trap 'rm -rf "$marker" "$scratch"' EXIT
marker="$(mktemp .cycle-start.XXXXXX 2> /dev/null)" || unwritable
scratch="$(mktemp -d .cycle-out.XXXXXX 2> /dev/null)" || unwritable
# File times advance in clock ticks of a few milliseconds: a file written in
# the same tick as the marker would not be newer than it, and a fresh
# configuration would read as an old one. Waiting out a tick makes every
# file of this cycle newer.
sleep 0.02
fresh() { [ -f "$1" ] && [ -n "$(find "$1" -newer "$marker" 2>/dev/null)" ]; }

outcome="" status=0 message="" table="" metadata="" picture=""
prep_status=0
"${bindir}nrtprep-$variant" ${order:+"$order"} || prep_status=$?
case "$prep_status" in
  0) ;;
  1) outcome=order-file-invalid status=11 ;;
  3) outcome=no-report status=12 ;;
  *) outcome=preprocessor-failed status=13 message="nrtprep-$variant ended with status $prep_status" ;;
esac
if [ -z "$outcome" ] && ! fresh velk_nrt.cfg; then
  outcome=sources-failed status=10
fi
if [ -z "$outcome" ]; then
  # velk_nrt's outcomes: silent with status 0 is a forecast; one message
  # line with status 0 an orderly refusal; any other status an abnormal end
  # (a diagnostic on standard error). Its outputs may exist in every case.
  forecast_status=0
  "${bindir}velk_nrt" > "$scratch/out" 2> "$scratch/err" || forecast_status=$?
  table="$(config_value FNDAT)" metadata="$(config_value FNMET)"
  # The whole message: a diagnostic may take several lines (the message, the
  # file, the line); velk_status makes one line of them.
  if [ "$forecast_status" -ne 0 ]; then
    outcome=forecaster-failed status=21 message="$(head -c 4096 "$scratch/err" | tr -d '\0')"
    cat "$scratch/err" >&2
  elif [ -s "$scratch/out" ]; then
    outcome=forecaster-refused status=20 message="$(head -c 4096 "$scratch/out" | tr -d '\0')"
  elif ! fresh "$table" || ! fresh "$metadata"; then
    outcome=forecaster-failed status=21 message="no fresh forecast table or metadata"
  else
    outcome=forecast
  fi
  [ "$outcome" = forecast ] || table="" metadata=""
fi
# The forecast product beside the table (its name with the extension json)
# holds the intervals.
product=""
if [ "$outcome" = forecast ]; then
  product="${table%.*}.json"
  [ "$product" != "$table" ] || product="$table.json"
  fresh "$product" || product=""
fi
# The newest row of each input shows whether the upstream data advanced; a
# failed cycle's inputs are removed below, so only a forecast's are read.
input_files=()
if [ "$outcome" = forecast ]; then
  input_files=(--ace-mag "$(config_value FNMAG)" --ace-swepam "$(config_value FNSWEPAM)"
    --dst "$(config_value FNDST)" --kp "$(config_value FNKP)")
fi

if [ "$outcome" = forecast ] && command -v gnuplot > /dev/null && [ -x "$here/plot-forecast.sh" ]; then
  picture="${table%.*}.png"
  bash "$here/plot-forecast.sh" -t "$variant forecast of $cycle_time" "$table" "$metadata" "$picture" \
    2> "$scratch/plot" || { picture=""; sed 's/^/run-cycle: picture: /' "$scratch/plot" >&2; }
fi

# The cycle's own dated files carry their stamp in the name (YYYY_DDD_HH_MM).
dated='^((dst|kp|ace-mag|ace-swepam)-rt|(ap|dst|kp)-fc)-([0-9]{4})_([0-9]{3})_([0-9]{2})_([0-9]{2})\.(asc|xml|png|json)$'
inputs='^(dst|kp|ace-mag|ace-swepam)-rt-[0-9]{4}_[0-9]{3}_[0-9]{2}_[0-9]{2}\.asc$'
# A failed cycle's input files feed no forecast.
if [ "$outcome" != forecast ]; then
  for file in *-rt-*.asc; do
    if [[ "$file" =~ $inputs ]] && fresh "$file"; then rm -f -- "$file"; fi
  done
fi
if [ "$keep_days" -gt 0 ]; then
  # The stamps count the day of the year from 0 (1 January is 000).
  cutoff_s=$(($(date -u +%s) - keep_days * 86400))
  cutoff="$(date -u -d "@$cutoff_s" +%Y)$(printf '%03d' $((10#$(date -u -d "@$cutoff_s" +%j) - 1)))$(date -u -d "@$cutoff_s" +%H%M)"
  for file in *-rt-* *-fc-*; do
    if [[ "$file" =~ $dated ]] && [ -f "$file" ]; then
      stamp="${BASH_REMATCH[4]}${BASH_REMATCH[5]}${BASH_REMATCH[6]}${BASH_REMATCH[7]}"
      if [[ "$stamp" < "$cutoff" ]]; then rm -f -- "$file"; fi
    fi
  done
fi

# The report goes to the order file's output directory, or to the working
# directory when there is none or it could not be written there: the one
# written in this cycle is this cycle's. (An order file the preprocessor could
# not parse names no directory.) Its causes stand beside it.
report="" causes=""
if [ -n "$order" ] && [ "$prep_status" -eq 0 ]; then
  while IFS= read -r candidate; do
    [ "${candidate#/}" != "$candidate" ] || candidate="./$candidate"  # not an option to find
    if fresh "$candidate"; then report="${candidate#./}" && break; fi
  done < <("${bindir}velk_status" --report-candidates "$order" 2> /dev/null || true)
fi
if [ -z "$report" ] && fresh errorfile.xml; then report=errorfile.xml; fi
if [ -n "$report" ]; then
  causes="${report%errorfile.xml}errorfile.causes"
  [ "${causes#/}" != "$causes" ] || causes="./$causes"
  fresh "$causes" && causes="${causes#./}" || causes=""
fi
if ! "${bindir}velk_status" --time "$cycle_time" --variant "$variant" --outcome "$outcome" \
  --exit "$status" ${order:+--order-file} --message "$message" --report "$report" --causes "$causes" \
  --table "$table" --metadata "$metadata" --product "$product" --picture "$picture" --stale-hours "$stale_hours" \
  --alert-file "$scratch/alert.json" "${input_files[@]}"; then
  echo "$cycle_time $variant $outcome exit=74 (status.json not written)"
  exit 74
fi

# The page for a web server, which cannot read the working directory (under
# systemd's DynamicUser it is private). Each file is replaced atomically so
# that a reader never sees half of one.
publish_as() { # FILE NAME
  local copy
  copy="$(mktemp "$publish/.$2.XXXXXX" 2> /dev/null)" &&
    { cp -- "$1" "$copy" && chmod 0644 "$copy" && mv -f -- "$copy" "$publish/$2"; } 2> /dev/null ||
    { rm -f -- "${copy:-}"; echo "run-cycle: publish: cannot write $publish/$2" >&2; }
}
if [ -n "$publish" ]; then
  # A copy that a killed cycle left half made.
  find "$publish" -maxdepth 1 -type f -regextype posix-extended \
    -regex '.*/\.(index\.html|status\.json|forecast\.png)\.[[:alnum:]]{6}' -mmin +60 -delete 2> /dev/null || true
  publish_as index.html index.html
  publish_as status.json status.json
  if [ -n "$picture" ] && [ -f "$picture" ]; then publish_as "$picture" forecast.png; fi
fi

# Storm alerts. .alert-level holds the highest level alerted in the storm
# going on, so that a storm alerts once per level instead of every hour; a
# forecast that reaches no level ends the storm. A failed cycle knows no level
# and changes nothing. The state advances only once CMD has succeeded, so an
# alert that could not be delivered is tried again at the next cycle.
if [ -n "$on_alert" ] && [ -s "$scratch/alert.json" ]; then
  level="$(sed -n 's/^{"level":\([0-9]\),.*/\1/p' "$scratch/alert.json")"
  alerted="$(cat .alert-level 2> /dev/null || true)"
  [[ "$alerted" =~ ^[0-9]$ ]] || alerted=0
  set_alerted() {
    { rm -f .alert-level.new && echo "$1" > .alert-level.new && mv -f .alert-level.new .alert-level; } 2> /dev/null ||
      echo "run-cycle: alert: cannot record level $1 in $workdir/.alert-level" >&2
  }
  if [ "$level" = 0 ]; then
    [ "$alerted" = 0 ] || set_alerted 0
  elif [ -n "$level" ] && [ "$level" -gt "$alerted" ]; then
    alert_status=0
    # (Without the lock's descriptor: a process CMD leaves behind must not
    # hold the working directory's lock.)
    timeout -k 5 "$alert_timeout" sh -c "$on_alert" < "$scratch/alert.json" >&2 9>&- || alert_status=$?
    if [ "$alert_status" -eq 0 ]; then
      set_alerted "$level"
    else
      echo "run-cycle: alert: '$on_alert' failed with status $alert_status (124: timed out); the alert is tried again at the next cycle" >&2
    fi
  fi
fi
exit "$status"
