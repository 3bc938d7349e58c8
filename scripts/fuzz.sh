#!/usr/bin/env bash
# Long fuzzing campaigns over the targets of fuzz/, one target at a time, each
# merging what it found into its corpus.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: fuzz.sh [--minutes M] [TARGET...]
Builds the fuzz preset (build-fuzz/), then fuzzes each TARGET (default: every
target of fuzz/) for M minutes (default 10) in turn, from its corpus
(fuzz/corpus/TARGET) with its dictionary. New inputs that add coverage are
merged into the corpus with libFuzzer's -merge=1; the seed-* files stay and
the rest is minimised to the inputs that add code edges to them, so the
corpus stays small; --minutes 0 only minimises the corpora. A crash, leak,
time-out or out-of-memory input is kept in build-fuzz/findings/TARGET/ (move
it to fuzz/regressions/TARGET/ once fixed, so that the CTest smoke replays
it).
Prints one line per target: seconds, executions, corpus files, findings.
Exit status: 0 when no target found anything; 1 when one did; 2 bad usage;
otherwise that of the failing build step.
USAGE
}

minutes=10
targets=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    --minutes)
      [[ "${2:-}" =~ ^[0-9]+$ ]] || { usage >&2 && exit 64; }
      minutes=$2
      shift 2
      ;;
    -h | --help) usage && exit 0 ;;
    -*) usage >&2 && exit 64 ;;
    *)
      targets+=("$1")
      shift
      ;;
  esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${#targets[@]}" -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi
for target in "${targets[@]}"; do
  if [ ! -f "fuzz/${target}_fuzz.cpp" ]; then
    echo "fuzz.sh: no fuzz target '$target' (fuzz/${target}_fuzz.cpp)" >&2
    exit 64
  fi
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null

build="$root/build-fuzz"
# The targets write their inputs to files; in memory that is several times
# faster than on disk.
scratch_tmp=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_tmp=/dev/shm; fi
# merge_into_corpus BINARY CORPUS WORK NEW: the corpus becomes its seed-*
# files plus the fewest of its other inputs and of NEW's that reach code edges
# the seeds do not (smallest inputs first). Edges alone, not hit counts, keep
# the corpus to about a hundred inputs a target.
merge_into_corpus() {
  local binary=$1 corpus=$2 work=$3 new=$4
  mkdir -p "$work/merged" "$work/others"
  cp "$corpus"/seed-* "$work/merged/"
  find "$corpus" -type f ! -name 'seed-*' -exec cp {} "$work/others/" \;
  if "$binary" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=2048 "$work/merged" \
    "$work/others" "$new" >"$work/merge.log" 2>&1; then
    find "$corpus" -type f ! -name 'seed-*' -delete
    find "$work/merged" -type f ! -name 'seed-*' -exec cp {} "$corpus/" \;
  else
    echo "fuzz.sh: merging the corpus of $(basename "$corpus") failed; it is left as it was" >&2
  fi
}

found=0
printf '%-15s %8s %12s %8s %s\n' target seconds executions corpus findings
for target in "${targets[@]}"; do
  binary="$build/fuzz/${target}_fuzz"
  corpus="$root/fuzz/corpus/$target"
  findings="$build/findings/$target"
  work=$(mktemp -d "${TMPDIR:-/tmp}/nrt-fuzz-$target.XXXXXX")
  mkdir -p "$findings" "$work/new"
  touch "$work/started"

  # The targets change into a scratch directory, so every path is absolute.
  start=$(date +%s)
  status=0
  : >"$work/log"
  if [ "$minutes" -gt 0 ]; then
    TMPDIR=$scratch_tmp "$binary" -max_total_time=$((minutes * 60)) -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
      -dict="$root/fuzz/dict/$target.dict" "$work/new" "$corpus" >"$work/log" 2>&1 || status=$?
  fi
  seconds=$(($(date +%s) - start))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  merge_into_corpus "$binary" "$corpus" "$work" "$work/new"


  finds=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' -o -name 'slow-unit-*' \) -newer "$work/started" | wc -l)
  if [ "$status" -ne 0 ] || [ "$finds" -ne 0 ]; then
    found=1
    cp "$work/log" "$findings/log"
  fi
  printf '%-15s %8s %12s %8s %s\n' "$target" "$seconds" "${executions:-?}" \
    "$(find "$corpus" -type f | wc -l)" "$finds"
  rm -rf "$work"
done
exit "$found"
