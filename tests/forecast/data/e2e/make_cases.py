#!/usr/bin/env python3
"""Builds the end-to-end inputs of velk_nrt.

real2020/   the four input files as a run on 2020-03-21 after 17 UT would have
            them: February 2020 and March 2020 up to 17 UT of the 21st, from the
            recorded ACE lists, provisional Dst months and the Kp nowcast year
            (run with the recorded-data folder as argument to rebuild).
synthetic/  one made-up day whose forecasts and scores are worked out below by
            hand, independently of the program.

Expected files of the real-month cases come from the program itself and were
checked by hand where noted in the case's README; those of the synthetic case
are written here.
"""
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


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as f:
        f.write(text)


def ace_records(path, last_day=None, last_hour=None):
    out = []
    for line in open(path):
        if not line.startswith("20"):
            continue
        day, hour = int(line[8:10]), int(line[12:14])
        if last_day is not None and (day, hour) > (last_day, last_hour):
            break
        out.append(line.replace(":", " "))
    return "".join(out)


def real2020(shared):
    ace = os.path.join(shared, "ace", "monthly")
    dst = os.path.join(shared, "dst", "provisional")
    out = os.path.join(HERE, "real2020")
    # The joined ACE texts end with their last character doubled.
    mag = ace_records(os.path.join(ace, "202002_ace_mag_1h.txt")) + ace_records(
        os.path.join(ace, "202003_ace_mag_1h.txt"), 21, 17)
    write(os.path.join(out, "ace-mag-rt.asc"), MAG_HEADER + mag + "\n")
    swe = ace_records(os.path.join(ace, "202002_ace_swepam_1h.txt")) + ace_records(
        os.path.join(ace, "202003_ace_swepam_1h.txt"), 21, 17)
    write(os.path.join(out, "ace-swepam-rt.asc"), SWEPAM_HEADER + swe + "\n")
    d = ""
    for month in ("2002", "2003"):
        text = open(os.path.join(dst, "dst%s.for.request" % month)).read()
        d += text[:text.index("[") - 1]
    write(os.path.join(out, "dst-rt.asc"), d)
    kp = [l for l in open(os.path.join(shared, "kp", "gfz_wdc", "Kp_now2020.wdc"))
          if l.startswith("20 2") or (l.startswith("20 3") and int(l[4:6]) <= 21)]
    write(os.path.join(out, "kp-rt.asc"), "".join(kp))


def config(ky, lt, uflag, lmax, dt, uf, fnres, fncov, groups, fnmet="fc.xml", fndat="fc.asc",
           fmdat=None):
    def names(first):
        return ",".join(["'%s'" % n for n in first] + ["''"] * (12 - len(first)))
    fmdat = fmdat or ("(2(1X,I6),1X,I4,2(1X,I2),1X,I3,1X,I2,1X,5X,F6.0,%d(1X,7X,F6.0))" % groups)
    return ("=" * 71 + "\nTEST CONFIGURATION\n" + "=" * 71 + "\n&VELK_FOR\n"
            "      KY=%d\n      LT=%d\n   UFLAG=%s\n    LMAX=%s\n      DT=%s\n      UF=%s\n"
            "      UN='Bt','Btheta','Bphi','Bx','By','Bz','T','n','V','Kp','Dst','ap'\n"
            "      UU=6*'nT','K','p/cc','km/s','*10',2*'nT'\n"
            "   FNRES=%s\n   FNCOV=%s\n   FMDAT='%s'\n"
            "  FMDATH='(4X,\"HOY\",3X,\"HTND\",1X,\"YYYY\",1X,\"MM\",1X,\"DD\",1X,\"DOY\",1X,\"HH\","
            "1X,A11,%d(1X,\"FC+\",I2.2,\"H\",A7))'\n"
            "FNDST='dst-rt.asc'\nFNKP='kp-rt.asc'\nFNMAG='ace-mag-rt.asc'\n"
            "FNSWEPAM='ace-swepam-rt.asc'\nFNMET='%s'\nFNDAT='%s'\n/\n") % (
                ky, lt, uflag, lmax, dt, uf, names(fnres), names(fncov), fmdat, groups, fnmet,
                fndat)


PRODUCTION_UF = "6*-999.9,-1.E5,2*-9999.9,99.,9999.,0.,4*9."
PRODUCTION_LMAX = "9*24,3*648,4*0"
PRODUCTION_DT = "9*1,3,1,3,4*1"


def d12(x):
    """D12.6 as the fitter writes it (0.ddddddD+ee)."""
    if x == 0:
        return "0.000000D+00"
    e = math.floor(math.log10(abs(x))) + 1
    m = round(abs(x) / 10 ** e, 6)
    if m >= 1:
        m, e = m / 10, e + 1
    s = ("%.6f" % m)[1:] if x < 0 else "%.6f" % m
    return ("-" if x < 0 else "") + s + "D%+03d" % e


def model(terms):
    """terms: (coefficient, [(input, lag, power), ...])"""
    lines = []
    for c, factors in terms:
        line = " " * 5 + "%12s" % d12(c) + " " * 42 + str(len(factors))
        line += "".join(" %2d %3d %1d" % f for f in factors)
        lines.append(line)
    return "\n".join(lines) + "\n"


def cov(rows):
    return "".join("".join("%13s" % (" " + d12(v)) for v in row) + "\n" for row in rows)


def real_cases():
    cases = os.path.join(HERE, "cases")
    ap_terms = [(2.5, []), (0.8, [(12, 0, 1)]), (-0.004, [(9, 0, 1), (6, 0, 1)]),
                (0.00001, [(9, 0, 2)]), (1.2, [(13, 0, 1)]), (-0.7, [(16, 0, 1)]),
                (0.05, [(12, 648, 1)])]
    ap_cov = [[0.5 / (1 + abs(i - j)) for j in range(7)] for i in range(7)]
    c = os.path.join(cases, "real2020_ap")
    write(os.path.join(c, "shared"), "real2020\n")
    write(os.path.join(c, "velk_nrt.cfg"), config(12, 3, "1,1,1,1,1,1,1,1,1,0,0,1,1,1,1,1",
                                                  PRODUCTION_LMAX, PRODUCTION_DT, PRODUCTION_UF,
                                                  ["1203.res"], ["1203.cov"], 1))
    write(os.path.join(c, "1203.res"), model(ap_terms))
    write(os.path.join(c, "1203.cov"), cov(ap_cov))

    # Kp: y(b+3) = Kp(b) exactly, so every forecast in the table equals the
    # observation of the row before it (checked in the case's README).
    c = os.path.join(cases, "real2020_kp_identity")
    write(os.path.join(c, "shared"), "real2020\n")
    write(os.path.join(c, "velk_nrt.cfg"), config(10, 3, "1,1,1,1,1,1,1,1,1,1,0,0,1,1,1,1",
                                                  PRODUCTION_LMAX, PRODUCTION_DT, PRODUCTION_UF,
                                                  ["1003.res"], ["1003.cov"], 1))
    write(os.path.join(c, "1003.res"), model([(1.0, [(10, 0, 1)])]))
    write(os.path.join(c, "1003.cov"), cov([[0.25]]))

    c = os.path.join(cases, "real2020_dst")
    write(os.path.join(c, "shared"), "real2020\n")
    names = ["110%d" % i for i in range(1, 5)]
    write(os.path.join(c, "velk_nrt.cfg"), config(
        11, 4, "1,1,1,1,1,1,1,1,1,0,1,0,1,1,1,1", PRODUCTION_LMAX, PRODUCTION_DT, PRODUCTION_UF,
        [n + ".res" for n in names], [n + ".cov" for n in names], 4))
    for i, n in enumerate(names, 1):
        terms = [(-3.0 - i, []), (0.95 - 0.05 * i, [(11, 0, 1)]),
                 (0.002 * i, [(9, 0, 1), (6, 0, 1)]), (-0.0004, [(5, 1, 1), (9, 2, 1), (0, 0, 0)]),
                 (1.0e-4, [(11, 24, 1), (11, 648, 1)]), (2.0, [(14, 0, 1)])]
        write(os.path.join(c, n + ".res"), model(terms))
        write(os.path.join(c, n + ".cov"), cov([[(i + 1.0) / (1 + j + k) for k in range(6)]
                                               for j in range(6)]))


# ---------------------------------------------------------------------------
# The synthetic day: 2021-01-01, six hourly records (hours 0-5), target Dst
# with lead time 1, MAXLAG 1. Model y(b+1) = -1 + 0.5 Dst(b-1).

SYN_DST = [-10, -20, -30, 9999, -50, -60] + [-70] * 18


def synthetic_inputs():
    out = os.path.join(HERE, "synthetic")
    mag = swe = ""
    for h in range(6):
        mag += "2021 01 01  %02d00   59215   %5d    0     1.0    -2.0     3.0     4.0    50.0   100.0\n" % (
            h, 3600 * h)
        swe += "2021 01 01  %02d00   59215   %5d    0        5.0      400.0     1.00e+05\n" % (
            h, 3600 * h)
    write(os.path.join(out, "ace-mag-rt.asc"), MAG_HEADER + mag + "\n")
    write(os.path.join(out, "ace-swepam-rt.asc"), SWEPAM_HEADER + swe + "\n")
    write(os.path.join(out, "kp-rt.asc"),
          "21 1 1254222 0 0 0 7 7131010 47  0  0  0  3  3  5  4  4  20.00\n")
    write(os.path.join(out, "dst-rt.asc"),
          "DST2101*01RRX020   0" + "".join("%4d" % v for v in SYN_DST) + "  -9\n")


def synthetic_config(lt=1, model_names=("syn.res",), cov_names=("syn.cov",), fmdat=None):
    return config(11, lt, "0,0,0,0,0,0,0,0,0,0,1,0,0,0,0,0", "10*0,1,5*0", "16*1",
                  PRODUCTION_UF, list(model_names), list(cov_names), 1, fmdat=fmdat)


SYN_MODEL = [(-1.0, []), (0.5, [(11, 1, 1)])]
SYN_COV = [[1.0, 7.0], [0.5, 0.04]]


def f6_0(x):
    r = math.floor(abs(x) + 0.5)
    return "%6s" % (("-" if x < 0 else "") + "%d." % r)


def f6_3(x):
    r = math.floor(abs(x) * 1000 + 0.5)
    s = ("-" if x < 0 and r else ("-" if x < 0 else "")) + "%d.%03d" % (r // 1000, r % 1000)
    return "%6s" % s if len(s) <= 6 else "******"


def synthetic_expected():
    fill = 9999.0
    u = {t: SYN_DST[t - 1] if t <= 6 else fill for t in range(1, 25)}
    y = {t: 0.0 for t in range(1, 25)}
    for b in range(2, 7):
        x = u[b - 1]
        y[b + 1] = fill if x == fill else -1.0 + 0.5 * x
    for b in range(7, 24):
        y[b + 1] = fill
    header = ("    HOY   HTND YYYY MM DD DOY HH    Dst [nT] FC+01H   [nT]\n")
    rows = "".join(" %6d %6d %4d %2d %2d %3d %2d      %s        %s\n" % (
        t, 24 - t + 1, 2021, 1, 1, 1, t - 1, f6_0(u[t]), f6_0(y[t])) for t in range(3, 25))

    sample = range(3, 8)
    ok = lambda v: v != fill
    O = [u[t] for t in sample]
    P = [u[t - 1] for t in sample]
    F = [y[t] for t in sample]
    vo = [o for o in O if ok(o)]
    mo = sum(vo) / len(vo)
    vp = [p for p in P if ok(p)]
    mp = sum(vp) / len(vp)
    vf = [f for f in F if ok(f)]
    mf = sum(vf) / len(vf)
    mse_p = sum((p - o) ** 2 for p, o in zip(P, O) if ok(p) and ok(o)) / 2
    mse_f = sum((f - o) ** 2 for f, o in zip(F, O) if ok(f) and ok(o)) / 2
    ss_o = sum((o - mo) ** 2 for o in vo)
    ss_p = sum((p - mp) ** 2 for p in vp)
    ss_f = sum((f - mf) ** 2 for f in vf)
    c_p = sum((o - mo) * (p - mp) for p, o in zip(P, O) if ok(p) and ok(o))
    c_f = sum((o - mo) * (f - mf) for f, o in zip(F, O) if ok(f) and ok(o))
    v_o = ss_o / len(vo)
    scores = [math.sqrt(mse_f), math.sqrt(mse_p), 1 - mse_f / v_o, 1 - mse_p / v_o,
              c_f / math.sqrt(ss_o) / math.sqrt(ss_f), c_p / math.sqrt(ss_o) / math.sqrt(ss_p),
              1 - mse_f / mse_p]
    return header + rows, [f6_3(s) for s in scores]


def synthetic_cases():
    cases = os.path.join(HERE, "cases")
    c = os.path.join(cases, "synthetic_hand_computed")
    write(os.path.join(c, "shared"), "synthetic\n")
    write(os.path.join(c, "velk_nrt.cfg"), synthetic_config())
    write(os.path.join(c, "syn.res"), model(SYN_MODEL))
    write(os.path.join(c, "syn.cov"), cov(SYN_COV))
    table, scores = synthetic_expected()
    write(os.path.join(c, "expected", "fc.asc"), table)
    write(os.path.join(c, "expected", "scores"), "\n".join(scores) + "\n")

    def variant(name, files, cfg=None):
        c = os.path.join(cases, name)
        write(os.path.join(c, "shared"), "synthetic\n")
        write(os.path.join(c, "velk_nrt.cfg"), cfg or synthetic_config())
        for fname, text in files.items():
            write(os.path.join(c, fname), text)

    good = {"syn.res": model(SYN_MODEL), "syn.cov": cov(SYN_COV)}
    variant("synthetic_model_missing", {"syn.cov": cov(SYN_COV)})
    variant("synthetic_model_unreadable",
            {"syn.res": model(SYN_MODEL).replace("0.500000D+00", "0.500000X+00"),
             "syn.cov": cov(SYN_COV)})
    variant("synthetic_lag_out_of_range",
            {"syn.res": model([(-1.0, []), (0.5, [(11, 2, 1)])]), "syn.cov": cov(SYN_COV)})
    variant("synthetic_input_out_of_range",
            {"syn.res": model([(-1.0, []), (0.5, [(17, 0, 1)])]), "syn.cov": cov(SYN_COV)})
    variant("synthetic_covariance_short", {"syn.res": model(SYN_MODEL),
                                           "syn.cov": cov(SYN_COV[:1])})
    variant("synthetic_covariance_unreadable",
            {"syn.res": model(SYN_MODEL), "syn.cov": cov(SYN_COV).replace("0.400000D-01",
                                                                           "0.4000o0D-01")})
    variant("synthetic_lead_time_zero", good, synthetic_config(lt=0))
    variant("synthetic_bad_row_format", good,
            synthetic_config(fmdat="(2(1X,I6),1X,F4.0)"))


if __name__ == "__main__":
    if len(sys.argv) > 1:
        real2020(sys.argv[1])
        real_cases()
    synthetic_inputs()
    synthetic_cases()
