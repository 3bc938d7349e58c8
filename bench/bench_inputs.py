"""Inputs of the benchmarks, all made from the recorded months in tests/data."""
import datetime
import os
import re

import upstream  # tools/loopback: the recorded months' file names

# The clock of the preprocessor cycle: 2023-04-21 08:30 UT, when the recorded
# April lists end part-way through the month; the months the cycle fetches.
CYCLE_CLOCK = "2023-04-21 08:30:00"
CYCLE_MONTHS = ("202303", "202304")

# Months recorded complete in all four sources, repeated to make long tables
# dated on from the first day of the first.
FULL_MONTHS = ("2212", "2303")
LONG_TABLE_START = datetime.date(2022, 12, 1)
MJD_ZERO = datetime.date(1858, 11, 17)


def _lines(path):
    with open(path, "rb") as f:
        return f.read().splitlines(keepends=True)


def _month_records(data_dir, yymm):
    """The records of one complete month: (mag, swepam, kp, dst) lists of lines."""
    month = "20" + yymm
    mag, swepam = ([l for l in _lines(upstream.recorded(data_dir, "ace", month, kind))
                    if not l.startswith((b"#", b":"))] for kind in upstream.ACE_LISTS)
    kp = _lines(upstream.recorded(data_dir, "kp", month))
    dst = [l for l in _lines(upstream.recorded(data_dir, "dst", month)) if l.startswith(b"DST")]
    days = len(kp)
    if len(mag) != 24 * days or len(swepam) != 24 * days or len(dst) != days:
        raise RuntimeError("month %s is not complete in all four sources" % yymm)
    return mag, swepam, kp, dst


def _redated(kind, record, day):
    """The record of one source with its date fields set to `day` (and an ACE
    record's modified Julian day)."""
    if kind in ("mag", "swepam"):  # "YYYY MM DD  HHMM   MJD ..."
        mjd = (day - MJD_ZERO).days
        return b"%04d %02d %02d" % (day.year, day.month, day.day) + record[10:19] + b"%5d" % mjd + record[24:]
    if kind == "kp":  # "YYMMDD" with blank-padded month and day
        return b"%02d%2d%2d" % (day.year % 100, day.month, day.day) + record[6:]
    # "DSTYYMM*DD" ... the century at columns 15-16
    return (b"DST%02d%02d*%02d" % (day.year % 100, day.month, day.day) + record[10:14]
            + b"%02d" % (day.year // 100) + record[16:])


def long_table_inputs(data_dir, headers, dest, days):
    """Writes mag.asc, swepam.asc, kp.asc and dst.asc of `days` days into dest.

    The complete recorded months follow each other over and over, their
    records dated day after day from LONG_TABLE_START: the reader wants every
    ACE record one hour after the one before and each Kp and Dst day on its
    MAG records' day, which the repeated months' own dates break at every
    repetition. The ACE files get the
    four-line column headers of the files headers["mag"] and headers["swepam"]
    (a preprocessor cycle's ACE input files).
    """
    months = [_month_records(data_dir, m) for m in FULL_MONTHS]
    out = {"mag": [], "swepam": [], "kp": [], "dst": []}
    left, i = days, 0
    while left > 0:
        mag, swepam, kp, dst = months[i % len(months)]
        take = min(left, len(kp))
        out["mag"] += mag[: 24 * take]
        out["swepam"] += swepam[: 24 * take]
        out["kp"] += kp[:take]
        out["dst"] += dst[:take]
        left -= take
        i += 1
    for kind, per_day in (("mag", 24), ("swepam", 24), ("kp", 1), ("dst", 1)):
        out[kind] = [_redated(kind, record, LONG_TABLE_START + datetime.timedelta(days=n // per_day))
                     for n, record in enumerate(out[kind])]
    os.makedirs(dest, exist_ok=True)
    for kind in ("mag", "swepam", "kp", "dst"):
        head = b""
        if kind in ("mag", "swepam"):
            head = b"".join(_lines(headers[kind])[:4])
        # Assembled input files end with their last character once more.
        text = head + b"".join(out[kind])
        with open(os.path.join(dest, kind + ".asc"), "wb") as f:
            f.write(text + text[-1:])
    return {k: os.path.join(dest, k + ".asc") for k in ("mag", "swepam", "kp", "dst")}


def config_with_files(cfg_text, files):
    """The configuration text with the named file-name lines replaced, e.g.
    files={"FNMAG": "/x/mag.asc"}."""
    for key, path in files.items():
        cfg_text, n = re.subn(r"(?m)^%s=.*$" % key, "%s='%s'" % (key, path), cfg_text)
        if n != 1:
            raise RuntimeError("the configuration has no single %s line" % key)
    return cfg_text


def config_value(cfg_text, key):
    match = re.search(r"(?m)^\s*%s=(.*)$" % key, cfg_text)
    if not match:
        raise RuntimeError("the configuration has no %s line" % key)
    return match.group(1).strip()


def inputs_in_use(cfg_text):
    """The input numbers whose UFLAG is 1."""
    flags = config_value(cfg_text, "UFLAG").split(",")
    return [i + 1 for i, flag in enumerate(flags) if flag.strip() == "1"]


def model_names(cfg_text):
    """The (model file, covariance file) names of every lead step, in order."""
    res = re.findall(r"'([^']*)'", config_value(cfg_text, "FNRES"))
    cov = re.findall(r"'([^']*)'", config_value(cfg_text, "FNCOV"))
    return [(r, c) for r, c in zip(res, cov) if r]
