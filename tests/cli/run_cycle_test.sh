#!/usr/bin/env bash
# run_cycle_test.sh RUN_CYCLE: the cycle script's lock and hand-over rules,
# with stand-in programs that only record that they ran.
set -euo pipefail
run_cycle="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/bin" "$tmp/work"
# The stand-in preprocessor writes a configuration only when told to.
cat > "$tmp/bin/nrtprep-dst" <<'STUB'
#!/usr/bin/env bash
echo prep >> ran.log
if [ -e write-config ]; then echo cfg > velk_nrt.cfg; fi
STUB
printf '#!/usr/bin/env bash\necho forecast >> ran.log\n' > "$tmp/bin/velk_nrt"
chmod +x "$tmp/bin/"*
fail() { echo "FAIL: $*" >&2; exit 1; }
cycle() { (cd "$tmp/work" && rm -f ran.log) && status=0 && bash "$run_cycle" --bindir "$tmp/bin" dst "$tmp/work" 2>/dev/null || status=$?; }

touch "$tmp/work/write-config"
cycle
[ "$status" -eq 0 ] && [ "$(tr '\n' ' ' < "$tmp/work/ran.log")" = "prep forecast " ] || fail "fresh configuration: status $status"

# Fault guarded: a failed preprocessor run left the previous cycle's
# configuration, and the forecaster ran again on that cycle's inputs.
rm "$tmp/work/write-config"
touch -d '2 hours ago' "$tmp/work/velk_nrt.cfg"
cycle
[ "$status" -eq 1 ] && [ "$(tr '\n' ' ' < "$tmp/work/ran.log")" = "prep " ] || fail "stale configuration: status $status"

# Fault guarded: two cycles overlapping in one working directory, sharing its
# fixed working-file names.
flock "$tmp/work/.cycle.lock" sleep 5 &
holder=$!
sleep 0.5
cycle
kill "$holder" 2>/dev/null || true
[ "$status" -eq 75 ] && [ ! -e "$tmp/work/ran.log" ] || fail "overlapping cycle: status $status"
echo "run-cycle: lock and hand-over rules hold"
