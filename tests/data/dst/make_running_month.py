#!/usr/bin/python3
"""Turn a complete monthly Dst file into the month as a real-time fetch would see it.

  make_running_month.py dstYYMM.for.request "YYYY-MM-DD HH:MM[:SS]" > dstYYMM.for.request

The real-time service publishes the running month with a line for every day;
the hours not yet observed read 9999. No real-time file was recorded for every
month we want to replay, so one is made from a complete (provisional or
real-time) file of the same month, as it would have looked when fetched at the
given moment:

- the days before the moment's day keep their records unchanged;
- on the moment's day the hours 00..HH keep their values (a file fetched at
  01:30 UT holds the values of hours 00 and 01, as the recorded real-time file
  of 2023-04 fetched at 2023-04-21 01:30 UT does) and the later hours read
  9999; the daily mean becomes the mean of the kept hours, rounded half away
  from zero (the service's rounding of its full-day means);
- the later days hold 9999 in every hour and in the mean;
- unobserved hours are written as 9999 with no separating blank, as in the
  recorded file ("   7  129999999999...");
- the trailer becomes "[Created at Ddd Mon D HH:MM:SS UTC YYYY]" for the moment.

Columns 1-20 (identification, version marker, base value) stay as the input
has them, so the file still says whose values it holds.
Exit status: 0 written, 1 unusable input or moment.
"""
import datetime
import sys

FILL = 9999
RECORD_LENGTH = 120


def fail(message):
    sys.stderr.write("make_running_month: %s\n" % message)
    sys.exit(1)


def parse_moment(text):
    for layout in ("%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M"):
        try:
            return datetime.datetime.strptime(text, layout)
        except ValueError:
            pass
    fail("moment '%s' is not YYYY-MM-DD HH:MM[:SS]" % text)


def mean_half_away(values):
    total, count = sum(values), len(values)
    whole = (abs(total) * 2 + count) // (2 * count)
    return whole if total >= 0 else -whole


def as_of(record, day, moment):
    hours = [int(record[20 + 4 * i:24 + 4 * i]) for i in range(24)]
    if day < moment.day:
        return record
    kept = hours[:moment.hour + 1] if day == moment.day else []
    fields = ["%d" % FILL if h == FILL else "%4d" % h for h in kept] + ["%d" % FILL] * (24 - len(kept))
    observed = [h for h in kept if h != FILL]
    mean = "%4d" % mean_half_away(observed) if observed else "%d" % FILL
    return record[:20] + "".join(fields) + mean


def main():
    if len(sys.argv) != 3:
        fail("usage: make_running_month.py dstYYMM.for.request 'YYYY-MM-DD HH:MM'")
    path, moment = sys.argv[1], parse_moment(sys.argv[2])
    with open(path, newline="") as f:
        lines = f.read().split("\n")
    records = [line for line in lines if line.startswith("DST")]
    if not records:
        fail("%s holds no DST records" % path)
    out = []
    for number, record in enumerate(records, 1):
        if len(record) != RECORD_LENGTH:
            fail("%s: record %d is %d characters, not %d" % (path, number, len(record), RECORD_LENGTH))
        year, month, day = 2000 + int(record[3:5]), int(record[5:7]), int(record[8:10])
        if (year, month) != (moment.year, moment.month):
            fail("%s: record %d is of %04d-%02d, the moment of %04d-%02d"
                 % (path, number, year, month, moment.year, moment.month))
        out.append(as_of(record, day, moment))
    created = moment.strftime("%a %b ") + str(moment.day) + moment.strftime(" %H:%M:%S UTC %Y")
    sys.stdout.write("\n".join(out) + "\n\n[Created at %s]\n" % created)


if __name__ == "__main__":
    main()
