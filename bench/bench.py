#!/usr/bin/python3
"""Benchmarks of the preprocessor cycle and of velk_nrt; prints the figures as tables.

  bench.py --root PROJECT_DIR --build BUILD_DIR [--baseline BUILD_DIR] [--quick]

Run through bench/run.sh, which builds the tools first. Needs Debian's python3
(pyftpdlib) and faketime. Nothing here asserts a time: it measures and prints.
"""
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tools", "loopback"))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))

import bench_inputs  # noqa: E402
import measure  # noqa: E402
import servers  # noqa: E402
import upstream  # noqa: E402
from usage import UsageParser  # noqa: E402

VARIANTS = ("ap", "dst", "kp")
# The loopback ports of the bench programs (bench/CMakeLists.txt).
SYNTHETIC_MAX_LAG = 2  # fitted models look a few hours back
ROOT = BUILD = BASELINE = None  # set by main


def table(title, header, rows):
    print("\n### %s\n" % title)
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---:" if i else "---" for i in range(len(header))) + "|")
    for row in rows:
        print("| " + " | ".join(str(c) for c in row) + " |")
    sys.stdout.flush()


def machine(build):
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem_kib = int(f.readline().split()[1])
    os_name = platform.platform()
    if os.path.exists("/etc/os-release"):
        with open("/etc/os-release") as f:
            os_name = re.search(r'PRETTY_NAME="([^"]*)"', f.read()).group(1)
    cache = open(os.path.join(build, "CMakeCache.txt")).read()
    cxx = re.search(r"(?m)^CMAKE_CXX_COMPILER:\w+=(.*)$", cache).group(1)
    build_type = re.search(r"(?m)^CMAKE_BUILD_TYPE:\w+=(.*)$", cache).group(1)
    version = subprocess.run([cxx, "--version"], capture_output=True, text=True).stdout
    table("Machine", ["item", "value"], [
        ("CPUs (nproc)", os.cpu_count()), ("CPU model", cpu),
        ("memory", "%.1f GiB" % (mem_kib / 2**20)), ("OS", os_name),
        ("kernel", platform.release()), ("compiler", version.splitlines()[0]),
        ("build type", build_type)])


def cycle_env(running=()):
    env = {"PATH": "/usr/bin:/bin", "TZ": "UTC", "FAKETIME_DONT_FAKE_MONOTONIC": "1"}
    env.update({"NRT_TEST_%s_HOST" % s.name.upper(): "%s:%d" % (servers.LOOPBACK, s.port)
                for s in running})
    return env


def bench_cycle(args, scratch):
    """The preprocessor: whole cycles against loopback servers, then the parts."""
    up = os.path.join(scratch, "upstream")
    upstream.lay_out(os.path.join(ROOT, "tests", "data"), up, *bench_inputs.CYCLE_MONTHS)
    faketime = ["/usr/bin/faketime", "-f", bench_inputs.CYCLE_CLOCK]
    cycles = {}
    # Ports the system picks, so that a bench never collides with a test run
    # or another bench.
    running = servers.start_upstream(up)
    try:
        start_ms = measure.run_repeated(faketime + ["/bin/true"], scratch, args.runs,
                                        cycle_env()).wall_ms
        for v in VARIANTS:
            work = os.path.join(scratch, "cycle-" + v)
            os.makedirs(work)
            prog = os.path.join(BUILD, "bench", "nrtprep-%s-bench" % v)
            figures = measure.run_repeated(faketime + [prog], work, args.runs, cycle_env(running))
            if not os.path.exists(os.path.join(work, "velk_nrt.cfg")):
                raise SystemExit("the %s cycle wrote no velk_nrt.cfg; see %s/errorfile.xml"
                                 % (v, work))
            cycles[v] = (figures.wall_ms - start_ms, figures.peak_mib)
        os.makedirs(os.path.join(scratch, "transfers"))
        transfers = measure.tool_figures(
            [tool("bench_prep_steps"), "transfers", str(args.runs)],
            os.path.join(scratch, "transfers"), cycle_env(running))["transfers"]

        disk_dir = os.path.join(scratch, "processing")
        os.makedirs(disk_dir)
        processing = [tool("bench_prep_steps"), "processing", str(args.runs)]
        disk = measure.tool_figures(processing, disk_dir, cycle_env(running))
        memory = None
        if os.path.isdir("/dev/shm"):
            memory_dir = tempfile.mkdtemp(prefix="nrt-bench-", dir="/dev/shm")
            try:
                memory = measure.tool_figures(processing, memory_dir, cycle_env(running))
            finally:
                shutil.rmtree(memory_dir, ignore_errors=True)
    finally:
        servers.stop_upstream(running)

    table("Preprocessor cycle, 2023-03 + 2023-04 (to 04-21 07 UT), loopback servers, median of %d"
          % args.runs,
          ["variant", "cycle wall ms", "peak RSS MiB", "cycle - processing ms"],
          [(v, "%.1f" % w, "%.1f" % p, "%.1f" % (w - disk["processing"]))
           for v, (w, p) in cycles.items()])
    rows = [("faketime start-up (subtracted from the cycle walls above)", "%.1f" % start_ms),
            ("8 downloads alone (probe + fetch each), loopback HTTP/FTP", "%.1f" % transfers),
            ("processing, work dir on disk (4 input files, report, config)",
             "%.1f" % disk["processing"]),
            ("  of which closing steps (report + configuration file)", "%.1f" % disk["finish"])]
    if memory:
        rows.append(("processing, work dir on tmpfs (no cost for fsync)",
                     "%.1f" % memory["processing"]))
    rows.append(("8 loopback downloads (subtracted to get processing)",
                 "%.1f" % disk["local_copies"]))
    table("Preprocessor cycle: transfers and processing apart, median of %d" % args.runs,
          ["part", "ms"], rows)
    return {v: os.path.join(scratch, "cycle-" + v) for v in VARIANTS}


def tool(name, build=None):
    return os.path.join(build or BUILD, "bench", name)


def velk_nrt(build=None):
    return os.path.join(build or BUILD, "forecast", "velk_nrt")


def builds():
    """(label, build directory) of the builds measured side by side: the
    baseline first when one was given."""
    return ([("before", BASELINE)] if BASELINE else []) + [("after" if BASELINE else "", BUILD)]


def measure_velk_nrt(run_dir, runs, count_instructions=False, args=()):
    """velk_nrt of each build in turn on the same directory: its figures, and
    its table's bytes, which must be the same for every build. With `args`
    (--version) it writes no table, only its answer."""
    figures, tables = [], []
    for _, build in builds():
        argv = [velk_nrt(build)] + list(args)
        f = measure.run_repeated(argv, run_dir, runs, quiet=not args)._asdict()
        if count_instructions:
            f["instructions"] = measure.instructions(argv, run_dir)
        figures.append(f)
        if not args:
            with open(os.path.join(run_dir, "fc.asc"), "rb") as table_file:
                tables.append(table_file.read())
    if any(t != tables[0] for t in tables):
        raise RuntimeError("the builds wrote different forecast tables in %s" % run_dir)
    return figures


def side_by_side(figures, key, fmt):
    """One figure of every build, "before / after" when there is a baseline."""
    return " / ".join(fmt % f[key] for f in figures)


def cycle_input_files(cycle_dir):
    cfg = open(os.path.join(cycle_dir, "velk_nrt.cfg")).read()
    names = {}
    for key in ("FNMAG", "FNSWEPAM", "FNKP", "FNDST"):
        names[key] = os.path.join(cycle_dir, bench_inputs.config_value(cfg, key).strip("'"))
    return cfg, names


def prepare_run_dir(run_dir, cfg, files, models, terms=None):
    """A velk_nrt working directory: the configuration with `files` put in, and
    either the fitted example models (terms None) or synthetic ones."""
    os.makedirs(run_dir, exist_ok=True)
    cfg = bench_inputs.config_with_files(cfg, dict(files, FNMET="fc.xml", FNDAT="fc.asc"))
    with open(os.path.join(run_dir, "velk_nrt.cfg"), "w") as f:
        f.write(cfg)
    inputs = ",".join(str(i) for i in bench_inputs.inputs_in_use(cfg))
    for i, (res, cov) in enumerate(bench_inputs.model_names(cfg), start=1):
        if terms is None:
            for name in (res, cov):
                shutil.copyfile(os.path.join(models, name), os.path.join(run_dir, name))
            continue
        prefix = os.path.join(run_dir, "synthetic-%d" % i)
        subprocess.run([tool("bench_make_model"), prefix, str(terms), inputs,
                        str(SYNTHETIC_MAX_LAG), str(1000 * terms + i)], check=True)
        os.replace(prefix + ".res", os.path.join(run_dir, res))
        os.replace(prefix + ".cov", os.path.join(run_dir, cov))


def stages(run_dir, repeats, build=None):
    return measure.tool_figures([tool("bench_forecast_stages", build), str(repeats)], run_dir)


def bench_production(args, scratch, cycle_dirs):
    examples = os.path.join(ROOT, "examples", "models")
    rows = []
    for v in VARIANTS:
        cfg, files = cycle_input_files(cycle_dirs[v])
        sets = [("fitted example", None)] if os.path.isdir(examples) else []
        sets.append(("synthetic", 100))
        for label, terms in sets:
            run_dir = os.path.join(scratch, "production-%s-%s" % (v, terms or "fitted"))
            prepare_run_dir(run_dir, cfg, files, examples, terms)
            figures = measure_velk_nrt(run_dir, args.runs, count_instructions=True)
            s = stages(run_dir, args.runs)
            rows.append((v, "%s, %d x %d terms" % (label, s["models"], s["terms"] / s["models"]),
                         int(s["rows"]), "%d / %d" % (s["evaluated_rows"] / s["models"],
                                                      s["base_rows"] / s["models"]),
                         side_by_side(figures, "wall_ms", "%.2f"),
                         side_by_side(figures, "cpu_ms", "%.2f"),
                         side_by_side([dict(i=f["instructions"] / 1e6) for f in figures], "i",
                                      "%.1f"),
                         side_by_side(figures, "peak_mib", "%.1f")))
    # What any run pays before it reads a byte: loading, linking, exit.
    figures = measure_velk_nrt(scratch, args.runs, count_instructions=True, args=["--version"])
    rows.append(("-", "start-up and exit alone (--version)", "-", "-",
                 side_by_side(figures, "wall_ms", "%.2f"), side_by_side(figures, "cpu_ms", "%.2f"),
                 side_by_side([dict(i=f["instructions"] / 1e6) for f in figures], "i", "%.1f"),
                 side_by_side(figures, "peak_mib", "%.1f")))
    versus = " (before / after)" if BASELINE else ""
    table("velk_nrt on the production sizes (two months from the cycle), median of %d%s"
          % (args.runs, versus),
          ["variant", "models", "table rows", "rows forecast / base rows", "wall ms", "CPU ms",
           "million instructions", "peak RSS MiB"], rows)


def bench_long_tables(args, scratch, cycle_dirs):
    cfg, cycle_files = cycle_input_files(cycle_dirs["dst"])
    headers = {"mag": cycle_files["FNMAG"], "swepam": cycle_files["FNSWEPAM"]}
    data = os.path.join(ROOT, "tests", "data")
    years_list = (1, 10) if args.quick else (1, 2.5, 5, 10)
    terms_list = (25, 100) if args.quick else (25, 50, 100)
    grid = []
    long_run = None
    for years in years_list:
        days = int(round(365 * years))
        inputs_dir = os.path.join(scratch, "long-inputs-%gy" % years)
        made = bench_inputs.long_table_inputs(data, headers, inputs_dir, days)
        files = {"FNMAG": made["mag"], "FNSWEPAM": made["swepam"], "FNKP": made["kp"],
                 "FNDST": made["dst"]}
        for terms in terms_list:
            run_dir = os.path.join(scratch, "long-%gy-%d" % (years, terms))
            prepare_run_dir(run_dir, cfg, files, None, terms)
            if (years, terms) == (10, 100):
                runs = args.runs
                figures = measure_velk_nrt(run_dir, runs)
                long_run = (figures, [stages(run_dir, runs, b) for _, b in builds()], runs)
                f, s = figures[-1], long_run[1][-1]
            else:
                runs = args.grid_runs
                f = measure.run_repeated([velk_nrt()], run_dir, runs)._asdict()
                s = stages(run_dir, runs)
            grid.append((years, terms, f["wall_ms"], f["peak_mib"], s))

    if long_run:
        figures, all_stages, runs = long_run
        s = all_stages[-1]
        labels = [label for label, _ in builds()]
        value = "value" if not BASELINE else "value (%s)" % " / ".join(labels)
        table("velk_nrt on a long table: 10 years of hourly rows, Dst configuration, "
              "4 models x 100 terms, median of %d" % runs,
              ["figure", value],
              [("table rows (NMAX)", int(s["rows"])), ("base rows per model", int(s["base_rows"] / 4)),
               ("rows forecast per model (no missing input)", int(s["evaluated_rows"] / 4)),
               ("velk_nrt wall ms", side_by_side(figures, "wall_ms", "%.1f")),
               ("velk_nrt CPU ms", side_by_side(figures, "cpu_ms", "%.1f")),
               ("velk_nrt peak RSS MiB", side_by_side(figures, "peak_mib", "%.1f"))])
        table("Where the long run's time goes (in one process, median of %d)" % runs,
              ["stage", "ms" if not BASELINE else "ms (%s)" % " / ".join(labels)],
              [(name, side_by_side(all_stages, name, "%.1f")) for name in (
                  "configuration", "read_inputs", "read_models", "evaluate", "score",
                  "format_table")] +
              [("(forecasts as velk_nrt makes them, without standard errors)",
                side_by_side(all_stages, "forecasts_only", "%.1f"))])

    rows = []
    for years, terms, wall, peak, s in grid:
        work = s["evaluated_rows"] * terms  # row x term products actually evaluated, all models
        rows.append((years, int(s["rows"]), terms, "%.1f" % wall, "%.1f" % peak,
                     "%.1f" % s["evaluate"], "%.2f" % (s["evaluate"] * 1e6 / work),
                     "%.3f" % (s["evaluate"] * 1e6 / (work * terms)),
                     "%.1f" % s["forecasts_only"],
                     "%.2f" % (s["forecasts_only"] * 1e6 / work)))
    table("Scaling in rows x terms (Dst configuration, 4 models; ns per row x term counts the rows "
          "forecast in all 4 models)",
          ["years", "rows", "terms", "velk_nrt ms", "peak MiB", "evaluate ms", "ns/(row*term)",
           "ns/(row*term^2)", "forecasts only ms", "ns/(row*term)"], rows)


def main():
    global ROOT, BUILD, BASELINE
    parser = UsageParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--runs", type=int, default=10, help="runs per median (default 10)")
    parser.add_argument("--grid-runs", type=int, default=3, help="runs per grid point (default 3)")
    parser.add_argument("--quick", action="store_true", help="a smaller grid")
    parser.add_argument("--keep", action="store_true", help="keep the scratch directory")
    parser.add_argument("--baseline", help="a Release build of an earlier version's bench tools, "
                        "measured beside this one")
    args = parser.parse_args()
    ROOT, BUILD = os.path.abspath(args.root), os.path.abspath(args.build)
    if args.baseline:
        BASELINE = os.path.abspath(args.baseline)
    scratch = os.path.join(BUILD, "bench-scratch")
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    try:
        machine(BUILD)
        cycle_dirs = bench_cycle(args, scratch)
        bench_production(args, scratch, cycle_dirs)
        bench_long_tables(args, scratch, cycle_dirs)
    except (measure.RunFailed, RuntimeError, subprocess.CalledProcessError) as e:
        print("\nbench failed: %s" % e, file=sys.stderr)
        print("(scratch kept in %s)" % scratch, file=sys.stderr)
        return 1
    if not args.keep:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
