#!/usr/bin/python3
"""Build a quick-look monthly Kp file (one 62-column record per day, no header).

The quick-look service publishes the month so far under a fixed name; we have no
recorded copy of it, so the test months are made from recorded data:

  make_quicklook.py wdc  YEARLY.wdc  YYYY MM [LAST_DAY]  > qlYYMM.wdc
      copies the month's records out of a yearly WDC Kp file (62-column records
      behind "#" header lines), optionally only up to LAST_DAY.

  make_quicklook.py omni omni2_YYYY.dat YYYY MM [LAST_DAY] > qlYYMM.wdc
      writes the month's days in the same 62-column layout from the hourly OMNI2
      records (Kp*10 in word 39, ap in word 50, taken at hours 0, 3, ..., 21).
      The Bartels rotation and day are computed; Cp and C9 cannot be derived
      from OMNI and are left blank.

  make_quicklook.py ngdc YYYY  YYYY MM [LAST_DAY] > qlYYMM.wdc
      copies the month's records out of a yearly Kp/ap file of the national
      geophysical data archive (named by the year only; 71-character records
      whose columns 1-62 are the WDC layout, followed by "---", F10.7 and a
      flag), keeping columns 1-62 and writing the date blank-padded
      ("17 9 9" for 2017-09-09) as the quick-look service does.
"""
import datetime
import sys


def copy_wdc(path, year, month, last_day):
    out = []
    with open(path, newline="") as f:
        for line in f:
            if line.startswith("#"):
                continue
            yy, mm, dd = int(line[0:2]), int(line[2:4]), int(line[4:6])
            if yy == year % 100 and mm == month and dd <= last_day:
                out.append(line)
    return "".join(out)


def cut_ngdc(path, year, month, last_day):
    out = []
    with open(path, newline="") as f:
        for number, line in enumerate(f, 1):
            record = line.rstrip("\n")
            if len(record) != 71 or not record[:6].isdigit():
                raise SystemExit("%s:%d: not a 71-character record with a YYMMDD date" % (path, number))
            yy, mm, dd = int(record[0:2]), int(record[2:4]), int(record[4:6])
            if yy == year % 100 and mm == month and dd <= last_day:
                out.append("%2d%2d%2d" % (yy, mm, dd) + record[6:62] + "\n")
    return "".join(out)


def thirds(code):
    whole, rest = divmod(code, 10)
    return {0: 3 * whole, 3: 3 * whole + 1, 7: 3 * whole + 2}[rest]


def code_of_thirds(t):
    whole, rest = divmod(t, 3)
    return [10 * whole, 10 * whole + 3, 10 * (whole + 1) - 3][rest]


def bartels(day):
    # Rotation 1 began on 8 February 1832; each rotation lasts 27 days.
    n = (day - datetime.date(1832, 2, 8)).days
    return n // 27 + 1, n % 27 + 1


def from_omni(path, year, month, last_day):
    kp, ap = {}, {}
    with open(path) as f:
        for line in f:
            w = line.split()
            day = datetime.date(int(w[0]), 1, 1) + datetime.timedelta(days=int(w[1]) - 1)
            hour = int(w[2])
            if day.month == month and day.day <= last_day and hour % 3 == 0:
                kp.setdefault(day, []).append(int(w[38]))
                ap.setdefault(day, []).append(int(w[49]))
    out = []
    for day in sorted(kp):
        rot, rday = bartels(day)
        ks, aps = kp[day], ap[day]
        ksum = code_of_thirds(sum(thirds(k) for k in ks))
        ap_mean = int(sum(aps) / 8.0 + 0.5)
        rec = "%2d%2d%2d%4d%2d" % (day.year % 100, day.month, day.day, rot, rday)
        rec += "".join("%2d" % k for k in ks) + "%3d" % ksum
        rec += "".join("%3d" % a for a in aps) + "%3d" % ap_mean + "    "
        assert len(rec) == 62, rec
        out.append(rec + "\n")
    return "".join(out)


def main():
    kind, path, year, month = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    last_day = int(sys.argv[5]) if len(sys.argv) > 5 else 31
    make = {"wdc": copy_wdc, "omni": from_omni, "ngdc": cut_ngdc}[kind]
    sys.stdout.write(make(path, year, month, last_day))


if __name__ == "__main__":
    main()
