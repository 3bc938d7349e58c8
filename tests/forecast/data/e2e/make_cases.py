#!/usr/bin/env python3
# Builds the input files of the end-to-end cases and the hand-worked outputs.
#
# real2020/   the four input files of a run on 2020-03-21 after 17 UT: February
#             and March 2020 up to 17 UT of the 21st, cut from the recorded ACE
#             lists, provisional Dst months and Kp nowcast year (give the
#             recorded-data folder as argument to rebuild them).
# synthetic/  one made-up day, 2021-01-01 hours 0-5, whose Dst forecast with lead
#             time 1 and model y(b+1) = -1 + 0.5 Dst(b-1) (syn.res) is worked out
#             below, independently of the program, into the expected table and
#             scores of cases/synthetic_hand_computed.
#
# The other cases' configurations, models and covariances (workdir/) are
# written by hand; the expected files of the real-month cases come from the
# program itself (their case.ini says so in its opening comment).
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MAG_HEADER = (
    "#                 Modified Seconds\n"
    "# UT Date   Time  Julian   of the   ----------------  GSM Coordinates ---------------\n"
    "# YR MO DA  HHMM    Day      Day    S     Bx      By      Bz      Bt     Lat.   Long.\n"
    "#" + "-" * 84 + "\n")
SWEPAM_HEADER = (
    "#                Modified Seconds   -------------  Solar Wind  -----------\n"
    "# UT Date   Time  Julian  of the          Proton      Bulk         Ion\n"
    "# YR MO DA  HHMM    Day     Day     S    Density     Speed     Temperature\n"
    "#" + "-" * 73 + "\n")
SYN_DST = [-10, -20, -30, 9999, -50, -60] + [-70] * 18
FILL = 9999.0


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as f:
        f.write(text)


def ace_records(path, last=(99, 99)):
    lines = [l for l in open(path) if l.startswith("20")]
    return "".join(l.replace(":", " ") for l in lines if (int(l[8:10]), int(l[12:14])) <= last)


def real2020(shared):
    out = os.path.join(HERE, "real2020")
    for kind, header in (("mag", MAG_HEADER), ("swepam", SWEPAM_HEADER)):
        ace = os.path.join(shared, "ace", "monthly", "2020%s_ace_" + kind + "_1h.txt")
        # The joined ACE texts end with their last character doubled.
        text = ace_records(ace % "02") + ace_records(ace % "03", (21, 17))
        write(os.path.join(out, "ace-%s-rt.asc" % kind), header + text + "\n")
    dst = ""
    for month in ("2002", "2003"):
        text = open(os.path.join(shared, "dst", "provisional", "dst%s.for.request" % month)).read()
        dst += text[:text.index("[") - 1]
    write(os.path.join(out, "dst-rt.asc"), dst)
    kp = [l for l in open(os.path.join(shared, "kp", "gfz_wdc", "Kp_now2020.wdc"))
          if l.startswith("20 2") or (l.startswith("20 3") and int(l[4:6]) <= 21)]
    write(os.path.join(out, "kp-rt.asc"), "".join(kp))


def synthetic_inputs():
    out = os.path.join(HERE, "synthetic")
    mag = swe = ""
    for h in range(6):
        date = "2021 01 01  %02d00   59215   %5d    0" % (h, 3600 * h)
        mag += date + "     1.0    -2.0     3.0     4.0    50.0   100.0\n"
        swe += date + "        5.0      400.0     1.00e+05\n"
    write(os.path.join(out, "ace-mag-rt.asc"), MAG_HEADER + mag + "\n")
    write(os.path.join(out, "ace-swepam-rt.asc"), SWEPAM_HEADER + swe + "\n")
    write(os.path.join(out, "kp-rt.asc"),
          "21 1 1254222 0 0 0 7 7131010 47  0  0  0  3  3  5  4  4  20.00\n")
    write(os.path.join(out, "dst-rt.asc"),
          "DST2101*01RRX020   0" + "".join("%4d" % v for v in SYN_DST) + "  -9\n")


def f6(x, decimals):
    """Fw.d with w = 6: half away from zero, '-' kept on a negative zero."""
    r = math.floor(abs(x) * 10 ** decimals + 0.5)
    s = ("-" if x < 0 else "") + ("%d.%0*d" % (r // 10 ** decimals, decimals, r % 10 ** decimals)
                                  if decimals else "%d." % r)
    return "%6s" % s if len(s) <= 6 else "******"


def synthetic_expected():
    u = {t: SYN_DST[t - 1] if t <= 6 else FILL for t in range(1, 25)}
    y = {t: 0.0 for t in range(1, 25)}
    for b in range(2, 24):  # base rows MAXLAG + 1 = 2 .. NREC = 6, then the fill value
        y[b + 1] = FILL if b > 6 or u[b - 1] == FILL else -1.0 + 0.5 * u[b - 1]
    rows = "".join(" %6d %6d 2021  1  1   1 %2d      %s        %s\n" % (
        t, 25 - t, t - 1, f6(u[t], 0), f6(y[t], 0)) for t in range(3, 25))
    c = os.path.join(HERE, "cases", "synthetic_hand_computed")
    write(os.path.join(c, "expected", "fc.asc"),
          "    HOY   HTND YYYY MM DD DOY HH    Dst [nT] FC+01H   [nT]\n" + rows)

    sample = range(3, 8)  # rows LT + MAXLAG + 1 .. NREC + 1
    O, P, F = [u[t] for t in sample], [u[t - 1] for t in sample], [y[t] for t in sample]
    ok = lambda *v: FILL not in v
    mean = lambda xs: sum(x for x in xs if ok(x)) / len([x for x in xs if ok(x)])
    mo, mp, mf = mean(O), mean(P), mean(F)
    ss = lambda xs, m: sum((x - m) ** 2 for x in xs if ok(x))
    mse = lambda xs: sum((x - o) ** 2 for x, o in zip(xs, O) if ok(x, o)) / len(
        [1 for x, o in zip(xs, O) if ok(x, o)])
    cov = lambda xs, m: sum((o - mo) * (x - m) for x, o in zip(xs, O) if ok(x, o))
    v_o = ss(O, mo) / len([o for o in O if ok(o)])
    scores = [math.sqrt(mse(F)), math.sqrt(mse(P)), 1 - mse(F) / v_o, 1 - mse(P) / v_o,
              cov(F, mf) / math.sqrt(ss(O, mo) * ss(F, mf)),
              cov(P, mp) / math.sqrt(ss(O, mo) * ss(P, mp)), 1 - mse(F) / mse(P)]
    # The seven scores of the metadata, in order ([scores] in the case's case.ini).
    write(os.path.join(c, "scores"), "".join(f6(s, 3) + "\n" for s in scores))


if __name__ == "__main__":
    if len(sys.argv) > 1:
        real2020(sys.argv[1])
    synthetic_inputs()
    synthetic_expected()
