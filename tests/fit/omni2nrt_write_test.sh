#!/usr/bin/env bash
# omni2nrt_write_test.sh OMNI2NRT SOURCE_DIR: omni2nrt puts its files in place
# whole or not at all, on one recorded OMNI2 day.
set -euo pipefail
omni2nrt="$1" source_dir="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# (head closes the pipe early: gzip ends by SIGPIPE.)
gzip -dc "$source_dir/fit/data/omni2_2016.dat.gz" | head -n 24 > "$tmp/day.dat" || true
cd "$tmp"
# shellcheck source=tests/common/script_checks.sh
source "$source_dir/tests/common/script_checks.sh"

# Fault guarded: the files were written into the existing ones, so a reader
# could meet one half written (here a second link to the old file changes).
echo old > h-mag.asc
ln h-mag.asc witness
"$omni2nrt" h- day.dat || fail "omni2nrt failed on a whole recorded day"
[ "$(cat witness)" = old ] || fail "h-mag.asc was written in place"
[ "$(wc -l < h-mag.asc)" -eq 28 ] || fail "h-mag.asc holds $(wc -l < h-mag.asc) lines, not the header and 24 hours"

# Fault guarded: past a file-size limit the signal killed omni2nrt in the
# middle of a write, leaving a cut file or its temporary file behind.
cp h-mag.asc before
status=0
(ulimit -f 1 && "$omni2nrt" h- day.dat) 2> err || status=$?
[ "$status" -eq 1 ] && grep -q "cannot write h-mag.asc" err || fail "under a file-size limit: status $status, $(cat err)"
cmp -s before h-mag.asc || fail "a failed write changed h-mag.asc"
[ -z "$(find . -name '.velk_nrt-*')" ] || fail "a temporary file stayed: $(find . -name '.velk_nrt-*')"

finish omni2nrt "files put in place whole or not at all"
