#!/usr/bin/env python3
"""Scores models on the running month a cycle sees at a moment.

Usage: score-running-month.py [--models DIR] [--build DIR] DAY [DAY...]
  DAY        YYYY-MM-DD: a cycle at 08:30 UT that day, whose ACE lists end
             with the record of 07 UT (the lists are issued a few minutes
             after the hour they end with)
  --models   the .res/.cov/.gap files and fit-*.cfg.in (default examples/models);
             @Y@ in it stands for the DAY's year (models fitted without it)
  --build    the build tree holding omni2nrt and velk_nrt (default build)

Joins the month before DAY's and DAY's month (scripts/join-recorded-months.py),
cuts the ACE lists after 07 UT of DAY, and has velk_nrt forecast and score each
variant's production block as the cycle would. The indices are not cut: their
rows after 07 UT lie beyond the last ACE row, which the forecaster neither
reads nor scores. Prints one line per DAY: the skill of every model (ap, Kp,
Dst steps 1-4). Exit status: 0 scored, 1 a step failed, 2 wrong arguments.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VARIANTS = ("ap", "kp", "dst")


def fail(message, status=1):
    sys.stderr.write("score-running-month: %s\n" % message)
    sys.exit(status)


def previous_month(year, month):
    return (year - 1, 12) if month == 1 else (year, month - 1)


def cut_ace_lists(prefix, last_record):
    for kind in ("mag", "swepam"):
        path = "%s%s.asc" % (prefix, kind)
        with open(path) as f:
            lines = f.read().split("\n")[:-1]
        kept = lines[:4]
        for line in lines[4:]:
            kept.append(line)
            if line.startswith(last_record):
                break
        else:
            fail("%s holds no record of %s" % (path, last_record))
        with open(path, "w") as f:
            f.write("\n".join(kept) + "\n")


def skills(models, build, work, variant):
    run = os.path.join(work, variant)
    os.makedirs(run)
    for pattern in ("*.res", "*.cov", "*.gap"):
        for path in glob.glob(os.path.join(models, pattern)):
            shutil.copy(path, run)
    with open(os.path.join(models, "fit-%s.cfg.in" % variant)) as f:
        config = f.read().replace("history/@YEAR@-", "../h-").replace("fit-" + variant, variant + "-fc")
    with open(os.path.join(run, "velk_nrt.cfg"), "w") as f:
        f.write(config)
    done = subprocess.run([os.path.join(build, "forecast", "velk_nrt")], cwd=run,
                          capture_output=True, text=True)
    if done.returncode != 0 or done.stdout.strip():
        fail("velk_nrt gave no scores for %s: %s%s" % (variant, done.stdout, done.stderr))
    with open(os.path.join(run, variant + "-fc.xml")) as f:
        return re.findall(r"Skill score</Name>\s*<Value>\s*([-0-9.]+)", f.read())


def main(argv):
    models, build, days = os.path.join(ROOT, "examples", "models"), os.path.join(ROOT, "build"), []
    it = iter(argv)
    for a in it:
        if a in ("--models", "--build"):
            value = next(it, None) or fail("%s needs a value" % a, 2)
            models, build = (value, build) if a == "--models" else (models, value)
        elif a in ("-h", "--help"):
            print(__doc__)
            return 0
        elif re.fullmatch(r"\d{4}-\d{2}-\d{2}", a):
            days.append(tuple(int(p) for p in a.split("-")))
        else:
            fail("'%s' is not a day YYYY-MM-DD (try --help)" % a, 2)
    if not days:
        fail("give at least one DAY (try --help)", 2)
    for year, month, day in days:
        with tempfile.TemporaryDirectory() as work:
            first = previous_month(year, month)
            joined = subprocess.run(
                ["python3", os.path.join(ROOT, "scripts", "join-recorded-months.py"), "--omni2nrt",
                 os.path.join(build, "fit", "omni2nrt"), "%04d-%02d" % first,
                 "%04d-%02d" % (year, month), os.path.join(work, "h-")])
            if joined.returncode != 0:
                fail("the months of %04d-%02d-%02d cannot be joined" % (year, month, day))
            cut_ace_lists(os.path.join(work, "h-"), "%04d %02d %02d  0700" % (year, month, day))
            year_models = models.replace("@Y@", str(year))
            scores = [s for v in VARIANTS for s in skills(year_models, build, work, v)]
            print("%04d-%02d-%02d 08:30  %s" % (year, month, day, " ".join("%7s" % s for s in scores)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
