#!/usr/bin/env python3
"""Joins recorded upstream months into the four input files a cycle reads.

Usage: join-recorded-months.py [--data DIR] [--omni2nrt PROGRAM] FROM TO PREFIX
  FROM, TO   first and last month, YYYY-MM
  PREFIX     writes PREFIXmag.asc, PREFIXswepam.asc, PREFIXkp.asc, PREFIXdst.asc
  --data     the recorded data (default: fit/data of this project)
  --omni2nrt the converter (default: build/fit/omni2nrt)

The ACE MAG and SWEPAM records are those of the real-time hourly lists
(DATA/recorded/ace), month after month, as the preprocessor joins the previous
and the running month: header lines dropped, the hours and their gaps as the
lists hold them. The day records of Dst (DATA/recorded/dst, one file a month)
and of Kp/ap (every yearly file in DATA/recorded/kp) are those recorded; a day
that none of them holds comes from the OMNI2 year (DATA/omni2_YYYY.dat.gz),
converted by omni2nrt. The lists must hold every hour of every month; a record
of another month in a list (a list may end with the next month's first hour)
is dropped.
Exit status: 0 files written, 1 data missing or inconsistent, 64 wrong arguments.
"""
import calendar
import glob
import gzip
import os
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from usage import EXIT_USAGE  # noqa: E402


def fail(message, status=1):
    sys.stderr.write("join-recorded-months: %s\n" % message)
    sys.exit(status)


def read_text(path):
    opener = gzip.open if path.endswith(".gz") else open
    try:
        with opener(path, "rt", encoding="ascii", newline="") as f:
            return f.read()
    except (OSError, EOFError, zlib.error, UnicodeDecodeError) as e:  # a damaged archive, a non-ASCII byte
        fail("cannot read %s: %s" % (path, e))


def replace_file(path, text):
    """Writes `path` whole or not at all: a reader never sees half a file, and
    a link standing at `path` is replaced, not written through."""
    directory = os.path.dirname(path) or "."
    try:
        fd, temporary = tempfile.mkstemp(dir=directory, prefix=".join-")
    except OSError as e:
        fail("cannot write %s: %s" % (path, e))
    try:
        umask = os.umask(0)
        os.umask(umask)
        os.fchmod(fd, 0o666 & ~umask)
        with os.fdopen(fd, "w", encoding="ascii", newline="") as f:
            f.write(text)
        os.replace(temporary, path)
    except OSError as e:
        os.unlink(temporary)
        fail("cannot write %s: %s" % (path, e))


def months(first, last):
    y, m = first
    while (y, m) <= last:
        yield y, m
        y, m = (y + 1, 1) if m == 12 else (y, m + 1)


def parse_month(text):
    try:
        y, m = (int(p) for p in text.split("-"))
        if len(text) == 7 and 1 <= m <= 12:
            return y, m
    except ValueError:
        pass
    fail("'%s' is not a month YYYY-MM" % text, EXIT_USAGE)


def ace_records(data, y, m, kind):
    path = os.path.join(data, "recorded", "ace", "%04d%02d_ace_%s_1h.txt.gz" % (y, m, kind))
    if not os.path.exists(path):
        fail("no recorded ACE %s list for %04d-%02d (%s)" % (kind, y, m, path))
    # Some lists end with the next month's first hour (both 2012-03 lists do),
    # which the next month's list holds again as its first: kept, the joined
    # table would repeat an hour.
    own_month = "%04d %02d " % (y, m)
    records = [line for line in read_text(path).split("\n")
               if line[:1].isdigit() and line.startswith(own_month)]
    hours = calendar.monthrange(y, m)[1] * 24
    if len(records) != hours:
        fail("%s holds %d records, not the %d hours of its month" % (path, len(records), hours))
    return records


def day_key(line):
    """(yy, mm, dd) of a Dst record (DSTyymm*dd) or a Kp record (yymmdd)."""
    try:
        if line.startswith("DST"):
            return int(line[3:5]), int(line[5:7]), int(line[8:10])
        return int(line[0:2]), int(line[2:4]), int(line[4:6])
    except ValueError:
        return None


def recorded_days(paths, width):
    days = {}
    for path in paths:
        for line in read_text(path).split("\n"):
            if len(line) >= width and not line.startswith("#"):
                key = day_key(line)
                if key is not None:
                    days.setdefault(key, line)
    return days


def main(argv):
    args, data, omni2nrt = [], os.path.join(ROOT, "fit", "data"), os.path.join(ROOT, "build", "fit", "omni2nrt")
    it = iter(argv)
    for a in it:
        if a == "--data":
            data = next(it, None) or fail("--data needs a directory", EXIT_USAGE)
        elif a == "--omni2nrt":
            omni2nrt = next(it, None) or fail("--omni2nrt needs a program", EXIT_USAGE)
        elif a in ("-h", "--help"):
            print(__doc__.split("\n\n")[1])
            return 0
        elif a.startswith("-"):
            fail("unknown option %s (try --help)" % a, EXIT_USAGE)
        else:
            args.append(a)
    if len(args) != 3:
        fail("give FROM TO PREFIX (try --help)", EXIT_USAGE)
    first, last, prefix = parse_month(args[0]), parse_month(args[1]), args[2]
    if first > last:
        fail("%s lies after %s" % (args[0], args[1]), EXIT_USAGE)
    span = list(months(first, last))

    # OMNI2 for the whole span: the daily records nothing else provides.
    with tempfile.TemporaryDirectory() as work:
        omni = []
        for year in sorted({y for y, _ in span}):
            path = os.path.join(data, "omni2_%04d.dat.gz" % year)
            if not os.path.exists(path):
                fail("no OMNI2 year %d (%s)" % (year, path))
            omni.append(read_text(path))
        end_day = calendar.monthrange(*last)[1]
        try:
            converted = subprocess.run(
                [omni2nrt, "--from", "%04d-%02d-01" % first, "--to", "%04d-%02d-%02d" % (last + (end_day,)),
                 os.path.join(work, "o-"), "-"], input="".join(omni), text=True)
        except OSError as e:
            fail("cannot run %s: %s" % (omni2nrt, e))
        if converted.returncode != 0:
            fail("omni2nrt could not convert the OMNI2 years of the span")
        out = {}
        for name in ("mag", "swepam", "kp", "dst"):
            out[name] = read_text(os.path.join(work, "o-%s.asc" % name)).split("\n")[:-1]

    for kind in ("mag", "swepam"):
        records = [r for y, m in span for r in ace_records(data, y, m, kind)]
        out[kind] = out[kind][:4] + records  # the column header, then the lists' hours
    for name, pattern, width in (("dst", "dst/*", 120), ("kp", "kp/*", 55)):
        recorded = recorded_days(sorted(glob.glob(os.path.join(data, "recorded", pattern))), width)
        out[name] = [recorded.get(day_key(line), line) for line in out[name]]

    for name, lines in out.items():
        replace_file("%s%s.asc" % (prefix, name), "\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
