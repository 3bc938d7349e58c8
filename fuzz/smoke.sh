#!/usr/bin/env bash
# The CTest smoke of one fuzz target: replays every kept reproducer of the
# target, then fuzzes it for a few seconds from its seed corpus. What the
# fuzzer adds goes to a scratch corpus in the build tree, never into the
# source tree; scripts/fuzz.sh is what merges finds into the corpus.
set -euo pipefail

if [ "$#" -ne 5 ]; then
  echo "usage: smoke.sh BINARY TARGET FUZZ_SOURCE_DIR WORK_DIR SECONDS" >&2
  exit 2
fi
binary=$1 target=$2 fuzz_dir=$3 work=$4 seconds=$5

# The targets change into a scratch directory, so every path is absolute.
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
# The targets write their inputs to files; in memory that is much faster.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
limits=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/")

shopt -s nullglob
regressions=("$fuzz_dir/regressions/$target"/*)
if [ "${#regressions[@]}" -gt 0 ]; then
  echo "replaying ${#regressions[@]} reproducer(s) of $target"
  "$binary" "${limits[@]}" "${regressions[@]}"
fi

"$binary" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -dict="$fuzz_dir/dict/$target.dict" "$work/corpus" "$fuzz_dir/corpus/$target"
