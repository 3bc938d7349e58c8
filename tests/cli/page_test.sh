#!/usr/bin/env bash
# page_test.sh RUN_CYCLE VELK_STATUS SOURCE_DIR CHROMIUM: the status page of a
# good, a stale, a failed and a storm cycle as an operator sees it in a browser, at
# 1280x800 and at a phone's 400 px: the outcome, the freshness, the last good
# forecast and the reason of a failure above the fold, and nothing wider than
# the window. The cycles run with stand-in programs under a pinned clock.
set -euo pipefail
run_cycle="$1" velk_status="$2" source_dir="$3" chromium="$4"
# shellcheck source=tests/cli/stand_ins.sh
source "$(dirname "$0")/stand_ins.sh"
cycle_scratch "$velk_status" "$source_dir"
mkdir -p "$tmp/pages"

# look PAGE WIDTH: loads the page in a frame of WIDTH x 800 px and prints what a
# script found there, as JSON: whether anything overflows the width, and the
# top, text and class of each element an operator must see.
look() {
  cp "$1" "$tmp/pages/shown.html"
  cat > "$tmp/pages/frame.html" <<FRAME
<!DOCTYPE html><html><body style="margin:0">
<iframe id="f" src="shown.html" style="width:${2}px;height:800px;border:0;display:block"></iframe>
<script>
document.getElementById("f").addEventListener("load", function () {
  var d = this.contentDocument, w = this.contentWindow, seen = {};
  ["outcome", "alert", "stale", "failures", "freshness", "last-good", "last-good-time", "scores"].forEach(function (id) {
    var e = d.getElementById(id);
    if (e) seen[id] = {top: e.getBoundingClientRect().top, text: e.innerText, cls: e.className};
  });
  var probe = document.createElement("pre");
  probe.id = "probe";
  probe.textContent = JSON.stringify({overflow: d.documentElement.scrollWidth > w.innerWidth,
                                      height: w.innerHeight, seen: seen});
  document.body.appendChild(probe);
});
</script></body></html>
FRAME
  rm -rf "$tmp/profile"
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$tmp/profile" \
    --allow-file-access-from-files --hide-scrollbars --window-size=1400,1000 \
    --dump-dom "file://$tmp/pages/frame.html" 2> "$tmp/chromium.err" |
    python3 -c 'import html, re, sys; m = re.search(r"<pre id=\"probe\">(.*?)</pre>", sys.stdin.read(), re.S); print(html.unescape(m.group(1)) if m else "{}")'
}

# check NAME PAGE PYTHON: runs the Python condition on `seen` (by id) for the page
# at both widths; at 1280 px every element named must also start above the fold.
check() {
  for width in 1280 400; do
    look "$2" "$width" > "$tmp/seen.json"
    python3 - "$tmp/seen.json" "$width" "$3" <<'CHECK' || fail "$1 page at $width px: $(head -c 600 "$tmp/seen.json")"
import json, sys
probe, width, condition = json.load(open(sys.argv[1])), int(sys.argv[2]), sys.argv[3]
seen = probe["seen"]
assert not probe["overflow"], "something is wider than the window"
text = {k: " ".join(v["text"].split()) for k, v in seen.items()}
if width == 1280:
    for must in ("outcome", "freshness", "last-good-time") + (("failures",) if "failures" in seen else ()):
        assert seen[must]["top"] < probe["height"], must + " is below the fold"
assert eval("(" + condition + ")", {"seen": seen, "text": text, "probe": probe}), condition
CHECK
  done
}

# Faults guarded: an outcome without colour; no viewport (a phone shows a
# shrunk desktop page); no age of the inputs and forecasts; scores without
# their sample size; RMSE labelled as a mean square error.
cycle_at "2020-03-21 18:20:00" ok ok
cp "$tmp/work/index.html" "$tmp/pages/good.html"
check good "$tmp/pages/good.html" '"good" in seen["outcome"]["cls"] and text["outcome"] == "forecast"
  and "stale" not in seen and "failures" not in seen
  and "Input ACE MAG 2020-03-21T17:00Z 1.3 h old" in text["freshness"]
  and "Forecast FC+01H 2020-03-21T21:00Z in 2.7 h" in text["freshness"]
  and "(this cycle)" in text["last-good-time"] and "2020-03-21T18:20:00Z" in text["last-good-time"]
  and "Lead N RMSE PE r Skill 1 h 437 7.127 (2.809)" in text["scores"]'
grep -q 'src="data:image/png;base64,' "$tmp/pages/good.html" || fail "the good page holds no picture"
! grep -Eq '(src|href)="(https?:)?//' "$tmp/pages/good.html" || fail "the page loads something from elsewhere"

# Fault guarded: newest rows that stopped advancing went unnoticed while every
# cycle still said "forecast".
for hour in 19 20 21; do cycle_at "2020-03-21 $hour:20:00" ok ok; done
cp "$tmp/work/index.html" "$tmp/pages/stale.html"
check stale "$tmp/pages/stale.html" 'text["outcome"] == "forecast" and "stale" in seen
  and "ACE MAG, ACE SWEPAM, Dst, Kp, FC+01H, FC+02H, FC+03H, FC+04H (unchanged since 2020-03-21T18:20:00Z)" in text["stale"]
  and seen["stale"]["top"] < probe["height"]'

# Faults guarded: a failed cycle's page went blank (no forecast, no scores);
# failures listed only as raw report codes.
cycle_at "2020-03-21 22:20:00" sources ok
cp "$tmp/work/index.html" "$tmp/pages/failed.html"
check failed "$tmp/pages/failed.html" '"warn" in seen["outcome"]["cls"] and text["outcome"] == "sources-failed"
  and "ACE MAG: downloading the current month from ftp://" in text["failures"]
  and "AceMagFileDownload File" in text["failures"]
  and "2020-03-21T21:20:00Z" in text["last-good-time"] and "not this cycle" in text["last-good-time"]
  and "FC+01H 2020-03-21T21:00Z -15" in text["last-good"] and "437" in text["scores"]'
grep -q 'src="data:image/png;base64,' "$tmp/pages/failed.html" || fail "the failed cycle's page lost the last good picture"

# Fault guarded: a forecast storm that the page did not show.
cycle_at "2020-03-21 23:20:00" ok storm=-120
cp "$tmp/work/index.html" "$tmp/pages/storm.html"
check storm "$tmp/pages/storm.html" 'text["outcome"] == "forecast" and seen["alert"]["top"] < probe["height"]
  and "Storm forecast: Dst <= -100 nT" in text["alert"]
  and "FC+01H: -120 for 2020-03-21T18:00Z (Dst <= -100 nT); 4 hours at a storm level" in text["alert"]'

finish page "good, stale, failed and storm cycles show what an operator must see, at 1280 and 400 px"
