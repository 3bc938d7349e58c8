#!/usr/bin/python3
"""The upstream services' directory layout, laid out from recorded months.

  upstream.py ROOT --data DIR --months PREVIOUS CURRENT [--ace-until YYYYMMDDHHMM]
              [--every-dst-month]

Lays out ROOT/dst (the Dst host's root), ROOT/kp (the Kp host's root) and
ROOT/ace (the ACE lists' FTP root) as the services publish the months
PREVIOUS and CURRENT (YYYYMM), from the recorded files of DIR (tests/data:
dst/dstYYMM.for.request, kp/qlYYMM.wdc, ace/YYYYMM_ace_{mag,swepam}_1h.txt).
The three trees are emptied first, so that a second call shows the services
as they stand at another moment. --ace-until keeps only the ACE records dated
up to that minute (a list still being written); --every-dst-month serves every
recorded Dst month, not just the two.
Exit status: 0 when laid out, 1 when a recorded file is missing, 64 on bad usage.
"""
import glob
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from usage import UsageParser  # noqa: E402

SERVICES = ("dst", "kp", "ace")  # each one's root directory under the tree
ACE_LISTS = ("mag", "swepam")


def dst_path(month):
    """The Dst host's file of month YYYYMM."""
    return "dst/dst_realtime/%s/dst%s.for.request" % (month, month[2:])


# The quick-look Kp service keeps the running month and the one before under
# fixed names.
KP_CURRENT_PATH = "kp/kp_index/qlyymm.wdc"
KP_PREVIOUS_PATH = "kp/kp_index/pqlyymm.wdc"


def ace_path(month, kind):
    """The FTP file of one ACE hourly list (kind mag or swepam) of month YYYYMM."""
    return "ace/pub/lists/ace2/%s_ace_%s_1h.txt" % (month, kind)


def recorded(data_dir, source, month, kind=None):
    """The recorded file of one source's month in data_dir."""
    names = {"dst": "dst/dst%s.for.request" % month[2:], "kp": "kp/ql%s.wdc" % month[2:],
             "ace": "ace/%s_ace_%s_1h.txt" % (month, kind)}
    return os.path.join(data_dir, names[source])


def copy_ace_until(source, dest, until):
    """Copies an ACE list without the records dated after `until` (YYYYMMDDHHMM)."""
    with open(source, "rb") as f:
        lines = f.read().splitlines(keepends=True)
    kept = [line for line in lines
            if not line[:1].isdigit() or b"".join(line.split()[:4]).decode("ascii") <= until]
    with open(dest, "wb") as f:
        f.write(b"".join(kept))


def lay_out(data_dir, root, previous, current, ace_until=None, every_dst_month=False):
    """Writes the tree of the months `previous` and `current` (YYYYMM) under root."""
    for service in SERVICES:
        shutil.rmtree(os.path.join(root, service), ignore_errors=True)
        os.makedirs(os.path.join(root, service))
    files = {KP_CURRENT_PATH: recorded(data_dir, "kp", current),
             KP_PREVIOUS_PATH: recorded(data_dir, "kp", previous)}
    dst_months = [previous, current]
    if every_dst_month:
        dst_months = ["20" + os.path.basename(p)[3:7]
                      for p in sorted(glob.glob(os.path.join(data_dir, "dst", "dst[0-9][0-9][0-9][0-9].for.request")))]
    for month in dst_months:
        files[dst_path(month)] = recorded(data_dir, "dst", month)
    for month in (previous, current):
        for kind in ACE_LISTS:
            files[ace_path(month, kind)] = recorded(data_dir, "ace", month, kind)
    for target, source in files.items():
        dest = os.path.join(root, target)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        if target.startswith("ace/") and ace_until:
            copy_ace_until(source, dest, ace_until)
        else:
            shutil.copyfile(source, dest)


def main():
    parser = UsageParser(prog="upstream.py", description=__doc__.splitlines()[0])
    parser.add_argument("root", help="the tree to lay out (its dst/, kp/ and ace/ are replaced)")
    parser.add_argument("--data", required=True, help="the recorded months (tests/data)")
    parser.add_argument("--months", nargs=2, required=True, metavar=("PREVIOUS", "CURRENT"))
    parser.add_argument("--ace-until", metavar="YYYYMMDDHHMM")
    parser.add_argument("--every-dst-month", action="store_true")
    args = parser.parse_args()
    if not all(re.fullmatch(r"\d{6}", m) for m in args.months):
        parser.error("--months takes two months as YYYYMM")
    if args.ace_until is not None and not re.fullmatch(r"\d{12}", args.ace_until):
        parser.error("--ace-until takes a minute as YYYYMMDDHHMM")
    try:
        lay_out(args.data, args.root, *args.months, ace_until=args.ace_until,
                every_dst_month=args.every_dst_month)
    except OSError as e:
        print("upstream.py: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
