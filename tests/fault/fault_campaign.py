#!/usr/bin/python3
"""Fail the I/O calls of the preprocessor and the forecaster, one run at a time, and check that no data is lost.

  fault_campaign.py --prog VARIANT=PATH... --velk PATH --policy LIB --fiu LIB --faketime-lib LIB
                    --data TESTS_DATA_DIR [--case CASE_DIR]... [--runs N] [--seed S] [--permille P]

Each scenario is an end-to-end case folder (tests/e2e/cases) whose cycle gets
all four sources. Its working directory first holds what a clean cycle an
hour earlier left (configuration, report, inputs, forecast), so that every
file a run replaces has an old version. A campaign counts the I/O calls of a
clean run of each program, then fails the Nth call for N spread evenly over
all of them (every call when --runs allows), then fails calls at random with
a seeded probability. After every faulted run:

- the exit status is a documented one, and the report and the diagnostics
  tell the truth: a run that reports no failure made every file new, and a
  run that did not make its configuration or forecast says why;
- the configuration, the input files, the forecast table and the metadata
  are each the old file whole or the new one whole (the metadata of a run
  that ended early may hold the models scored so far);
- nothing is left behind except what the README admits: a temporary file
  whose removal itself failed, and a working file whose failed removal the
  report records;
- a clean cycle afterwards leaves the directory exactly as a cycle without
  faults does.

Prints one line per problem and the figures; exit status 0 when no run lost
data, 1 otherwise, 2 when the campaign itself cannot run.
"""
import argparse
import collections
import datetime
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import xml.parsers.expat

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "loopback"))
import run_case  # noqa: E402  (the case folders' reader)
import servers  # noqa: E402

MODELS = os.path.join(HERE, "..", "..", "examples", "models")
WORKING_FILES = {"Dst_present.txt", "Dst_last.txt", "Kp_present.txt", "KP_last.txt",
                 "MAG_present.txt", "MAG_last.txt", "SWEPAM_present.txt", "SWEPAM_last.txt"}
# The report and the side file of failure causes the preprocessor writes beside it.
REPORT_FILES = ("errorfile.xml", "errorfile.causes")
TEMPORARY = re.compile(r"(^|/)\.(nrtprep|velk_nrt)-[^/]*$")
CONFIG = "velk_nrt.cfg"
RUN_SECONDS = 120


class CampaignError(Exception):
    """The campaign cannot run: a clean cycle fails, a tool is missing."""


def restore(state, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name, content in state.items():
        path = os.path.join(work, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)


def report_steps(content):
    """[(StepName, [(ErrorName, Value)])] of a report, or None when it does not parse."""
    steps, current, field = [], None, []

    def start(name, _attrs):
        field.clear()
        if name == "Step":
            steps.append(["", []])

    def text(data):
        field.append(data)

    def end(name):
        nonlocal current
        value = "".join(field).strip()
        if name == "StepName":
            steps[-1][0] = value
        elif name == "ErrorName":
            current = value
        elif name == "Value":
            steps[-1][1].append((current, value))

    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler, parser.CharacterDataHandler, parser.EndElementHandler = start, text, end
    try:
        parser.Parse(content, True)
    except xml.parsers.expat.ExpatError:
        return None
    return steps


def failed_steps(steps):
    """Failed records, leaving out the one every run without an order file holds."""
    return [(name, error) for name, pairs in steps for error, value in pairs
            if value != "0" and (name, error) != ("OrderFileInDir", "InputFile")]


def unexplained_failures(steps):
    """Failed records that a run which wrote its configuration must not hold.

    These go with a good run: a working file whose removal failed, a report
    that went to the working directory instead, an order file that did not
    open (the run is then one without it), and the check of an existing ACE
    input file that sent the run to download the list afresh (the records
    just before that list's download).
    """
    unexplained, pending = [], []
    for name, pairs in steps:
        if "Download" in name:
            if not name.startswith("Ace"):
                unexplained += pending
            pending = []
        failed = [(name, error) for error, value in pairs if value != "0"]
        if "Download" in name:
            unexplained += failed
        elif name == "FileWrite" and all("errorfile.xml'" in error for _, error in failed):
            pass  # the report went to the working directory instead, and says so
        elif name != "FileRemove":
            # Without a usable order file the run is the default one.
            pending += [f for f in failed if f not in (("OrderFileInDir", "InputFile"),
                                                       ("OrderFileExist", "InputFileExist"))]
    return unexplained + pending


class Scenario:
    def __init__(self, case_dir, args, upstream_root):
        self.ini = run_case.read_case(case_dir)
        self.name = os.path.basename(case_dir)
        self.case_dir = case_dir
        self.variant = self.ini.get("case", "variant")
        self.prog = args.prog[self.variant]
        self.clock = self.ini.get("case", "clock")
        self.argv = self.ini.get("case", "args", fallback="").split()
        self.args = args
        roots = {"data": os.path.abspath(args.data), "case": case_dir,
                 "common": os.path.join(HERE, "..", "e2e", "common"), "up": upstream_root}
        run_case.build_upstream(self.ini, case_dir, upstream_root, roots)

    def fresh_workdir(self, work):
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        run_case.copy_tree(os.path.join(self.case_dir, "workdir"), work)
        for d in self.ini.get("case", "mkdirs", fallback="").split():
            os.makedirs(os.path.join(work, d), exist_ok=True)
        for name in os.listdir(MODELS):
            if name.endswith((".res", ".cov", ".gap")):
                shutil.copyfile(os.path.join(MODELS, name), os.path.join(work, name))


class Runner:
    """Runs a program under the fault policy, the libfiu preload and a pinned clock."""

    def __init__(self, args, ports, scratch):
        self.args = args
        self.log = os.path.join(scratch, "faults.log")
        self.env = {"PATH": "/usr/bin:/bin", "TZ": "UTC", "FAKETIME_DONT_FAKE_MONOTONIC": "1",
                    "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0",
                    "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "")}
        self.env.update({"NRT_TEST_%s_HOST" % name.upper(): "%s:%d" % (servers.LOOPBACK, port)
                         for name, port in ports.items()})

    def run(self, argv, work, clock, fault=None):
        """Returns (exit status, stdout, stderr, [(call, point)] failed, calls counted)."""
        if os.path.exists(self.log):
            os.remove(self.log)
        env = dict(self.env)
        # The clock library is preloaded with its variables instead of through
        # the faketime wrapper, whose shared semaphores can clash between runs.
        env.update({"FAKETIME": clock, "NRT_FAULT_LOG": self.log,
                    "LD_PRELOAD": " ".join(self.args.preload_first + [self.args.policy, self.args.fiu,
                                                                       self.args.faketime_lib])})
        env.update(fault or {})
        try:
            result = subprocess.run(argv, cwd=work, env=env, capture_output=True, timeout=RUN_SECONDS)
        except subprocess.TimeoutExpired:
            return None, b"", b"did not end within %d s" % RUN_SECONDS, [], 0
        faults, calls = [], 0
        if os.path.exists(self.log):
            for line in open(self.log):
                words = line.split()
                if words[:1] == ["fault"]:
                    faults.append((int(words[1]), words[2]))
                elif words[:1] == ["calls"]:
                    calls = int(words[1])
        return result.returncode, result.stdout, result.stderr, faults, calls


def whole(name, before, after, *news):
    """Problems when the file `name` is neither its old version nor a new one."""
    if after.get(name) in [before.get(name)] + [new.get(name) for new in news]:
        return []
    return ["%s is neither the old file nor the new one (%d bytes)" % (name, len(after.get(name) or b""))]


def leftovers(before, after, new, faults, steps, status=None):
    """Problems for files that are neither old nor new (`new`: the names a run
    may make) and not admitted as leftovers."""
    problems = []
    unlink_faulted = any(point.endswith(("unlink", "remove")) for _, point in faults)
    recorded = {error for name, error in failed_steps(steps or []) if name == "FileRemove"}
    for name in sorted(set(after) - set(before) - set(new)):
        base = os.path.basename(name)
        if TEMPORARY.search(name) and unlink_faulted:
            continue
        # A run whose order file could not be read, or whose report could not
        # go where the order file sends it, reports in the working directory.
        if name in REPORT_FILES and steps is not None:
            continue
        if base in WORKING_FILES and ("'%s'remove" % name in recorded or status == 3 and unlink_faulted):
            continue  # recorded, or a run that could write no report at all
        problems.append("left behind: %s" % name)
    return problems


def causes_problems(before, after):
    """Problems when a new side file of causes names a record that is not a
    failed record of the report beside it: the two must tell of one run."""
    problems = []
    for name in sorted(n for n in after if os.path.basename(n) == "errorfile.causes"):
        if after[name] == before.get(name):
            continue
        report = after.get(os.path.join(os.path.dirname(name), "errorfile.xml"))
        failed = {error for _, error in failed_steps(report_steps(report) or [])} if report else set()
        for line in after[name].decode("latin-1").splitlines():
            record, tab, cause = line.partition("\t")
            if not tab or not cause or record not in failed:
                problems.append("%s: '%s' is no failed record of the report beside it" % (name, line))
    return problems


def wrote_faulted(faults):
    """Whether a write failed, which may have been the diagnostic's own."""
    return any(point.endswith(("write", "fwrite", "fflush")) for _, point in faults)


def check_prep(status, stderr, before, after, new, faults, report, fallback):
    problems = []
    if status not in (0, 1, 3):
        return ["exit status %s is not one the preprocessor documents" % status]
    reports = [name for name in set(new) | set(after) if os.path.basename(name) == "errorfile.xml"]
    written = [name for name in reports if after.get(name) != before.get(name)]
    if status == 3:
        if written:
            problems.append("exit status 3 although a report was written")
        if not stderr.strip() and not wrote_faulted(faults):
            problems.append("exit status 3 without a line on standard error")
        steps = []
    else:
        if not written:
            return problems + ["exit status %d without a new report" % status]
        steps = report_steps(after[report if report in written else written[0]])
        if steps is None:
            return problems + ["exit status %d with a report that is not well-formed" % status]
    failed = failed_steps(steps)
    # An order file that does not open makes the run one without it; after a
    # status 3 no report tells which of the two it was.
    news = [fallback] if ("OrderFileExist", "InputFileExist") in failed else [new]
    if status == 3:
        news = [new, fallback]
    for name in sorted(set(before).union(*news)):
        if os.path.basename(name) not in REPORT_FILES:
            problems += whole(name, before, after, *news)
    problems += causes_problems(before, after)
    made = next((candidate for candidate in news if after.get(CONFIG) == candidate.get(CONFIG)), None)
    if made is not None:
        # The configuration names the inputs: they must all be there, whole and new.
        problems += ["%s names %s, which is not the new file" % (CONFIG, name)
                     for name in sorted(made)
                     if os.path.basename(name) not in REPORT_FILES and after.get(name) != made.get(name)]
        if unexplained_failures(steps):
            problems.append("%s written although the report says %s failed" % (CONFIG, unexplained_failures(steps)))
    elif status != 3 and not failed and before.get(CONFIG) != new.get(CONFIG):
        problems.append("no new %s, yet the report records no failure" % CONFIG)
    if status == 1 and ("OrderFileReading", "OderFileRead") not in failed:
        problems.append("exit status 1 without a failed OrderFileReading record")
    problems += leftovers(before, after, set().union(*news), faults, steps, status)
    return problems


def early_end_metadata(content, new):
    """A metadata file of a run that ended early: the new file's head, up to its models."""
    head = new.split(b"<List_of_Models>")[0]
    return content.startswith(head)


def check_velk(status, stdout, stderr, before, after, new, faults, outputs):
    table, metadata = outputs
    if status not in (0, 2):
        return ["exit status %s is not one the forecaster documents" % status]
    problems = []
    if status == 0:
        if stdout.strip():
            problems.append("an I/O failure reported as a data problem: %r" % stdout.decode("latin-1").strip())
        problems += ["exit status 0 but %s is not the new file" % name
                     for name in outputs if after.get(name) != new.get(name)]
    else:
        if not stderr.startswith(b"velk_nrt: ") and not wrote_faulted(faults):
            problems.append("exit status 2 without a diagnostic")
        if after.get(metadata) not in (before.get(metadata), new.get(metadata)) and not early_end_metadata(
                after.get(metadata, b""), new[metadata]):
            problems.append("%s is neither old, new nor the head of an early end" % metadata)
        table_new = after.get(table) == new.get(table) != before.get(table)
        metadata_new = after.get(metadata) == new.get(metadata) != before.get(metadata)
        if table_new and not metadata_new:
            problems.append("new forecast table beside an older metadata file")
        if metadata_new and after.get(table) != new.get(table) and b"replaced" not in stderr:
            problems.append("new metadata beside the older table, and the diagnostic does not say so")
    for name in sorted(set(before) | set(new)):
        if name not in outputs:
            problems += whole(name, before, after, new)
    problems += whole(table, before, after, new)
    problems += leftovers(before, after, new, faults, None)
    return problems


def config_value(config, key):
    match = re.search(rb"^\s*%s='([^']*)'" % key.encode(), config, re.M)
    return match.group(1).decode() if match else None


def spread(count, runs):
    """`runs` call numbers spread evenly over 1..count (all of them when runs >= count)."""
    if runs >= count:
        return list(range(1, count + 1))
    return sorted({1 + (i * count) // runs for i in range(runs)})


def campaign(args, scratch):
    figures = collections.Counter()
    problems = []
    for number, case_dir in enumerate(args.case):
        # Each case has its own upstream files: two cases may serve one name differently.
        upstream = os.path.join(scratch, "upstream-%d" % number)
        scenario = Scenario(os.path.abspath(case_dir), args, upstream)
        running = servers.start_upstream(upstream, which=("dst", "kp", "ace"), overrides={}, log=None)
        try:
            runner = Runner(args, {server.name: server.port for server in running}, scratch)
            problems += run_scenario(scenario, runner, os.path.join(scratch, "work"), args, figures)
        finally:
            servers.stop_upstream(running)
    return problems, figures


def hour_earlier(clock):
    moment = datetime.datetime.strptime(clock, "%Y-%m-%d %H:%M:%S") - datetime.timedelta(hours=1)
    return moment.strftime("%Y-%m-%d %H:%M:%S")


def mark_as_earlier(work):
    """Makes the files a cycle rewrites tell their old version from the new one.

    A cycle an hour later may write the same bytes under the same names (an
    order file's fixed names). Only files that no program reads back are
    marked: the report, the configuration, the Dst and Kp inputs and the
    forecast.
    """
    config = open(os.path.join(work, CONFIG), "rb").read()
    names = [config_value(config, key) for key in ("FNDST", "FNKP", "FNDAT", "FNMET")]
    names += [CONFIG] + [name for name in run_case.snapshot(work) if os.path.basename(name) == "errorfile.xml"]
    for name in names:
        with open(os.path.join(work, name), "ab") as f:
            f.write(b"\n(earlier cycle)\n")


def run_scenario(scenario, runner, work, args, figures):
    prep_argv = [scenario.prog] + scenario.argv
    velk_argv = [args.velk]

    def clean(argv, clock, what):
        status, stdout, stderr, _, calls = runner.run(argv, work, clock)
        reports = [content for name, content in run_case.snapshot(work).items()
                   if os.path.basename(name) == "errorfile.xml"]
        failed = unexplained_failures(report_steps(reports[0]) or []) if reports else ["no report"]
        if status != 0 or stdout.strip() or failed:
            raise CampaignError("%s: clean %s run failed (%s): %s%s%s" % (
                scenario.name, what, status, stdout.decode("latin-1"), stderr.decode("latin-1"), failed))
        return calls

    # The old generation: a clean cycle an hour earlier.
    scenario.fresh_workdir(work)
    clean(prep_argv, hour_earlier(scenario.clock), "preprocessor")
    clean(velk_argv, hour_earlier(scenario.clock), "forecaster")
    mark_as_earlier(work)
    old = run_case.snapshot(work)
    prep_calls = clean(prep_argv, scenario.clock, "preprocessor")
    after_prep = run_case.snapshot(work)
    velk_calls = clean(velk_argv, scenario.clock, "forecaster")
    after_velk = run_case.snapshot(work)
    # What the preprocessor does when its order file does not open.
    restore(old, work)
    clean([scenario.prog], scenario.clock, "preprocessor without the order file")
    fallback = run_case.snapshot(work)
    config = after_prep[CONFIG]
    outputs = (config_value(config, "FNDAT"), config_value(config, "FNMET"))
    report = next(name for name in sorted(after_prep) if os.path.basename(name) == "errorfile.xml")
    print("%s: %d I/O calls in a clean preprocessor run, %d in a clean forecaster run" % (
        scenario.name, prep_calls, velk_calls))

    rng = random.Random("%s-%s" % (args.seed, scenario.name))
    problems = []

    def plans(calls):
        systematic = spread(calls, args.runs // 2)
        chosen = [{"NRT_FAULT_NTH": str(n)} for n in systematic]
        chosen += [{"NRT_FAULT_SEED": str(rng.randrange(1 << 30)), "NRT_FAULT_PERMILLE": str(args.permille)}
                   for _ in range(args.runs - len(systematic))]
        return chosen

    for program, argv, before, new, calls in (("prep", prep_argv, old, after_prep, prep_calls),
                                              ("velk", velk_argv, after_prep, after_velk, velk_calls)):
        for fault in plans(calls):
            restore(before, work)
            status, stdout, stderr, faults, _ = runner.run(argv, work, scenario.clock, fault)
            after = run_case.snapshot(work)
            if status is None:
                found = ["did not end in time"]
            elif program == "prep":
                found = check_prep(status, stderr, before, after, new, faults, report, fallback)
            else:
                found = check_velk(status, stdout, stderr, before, after, new, faults, outputs)
            found += recovery(runner, work, scenario.clock, argv, prep_argv, new, fallback)
            figures["%s runs" % program] += 1
            figures["%s faults injected" % program] += len(faults)
            figures["%s exit %s" % (program, status)] += 1
            for _, point in faults:
                figures["%s fault %s" % (program, point)] += 1
            if found:
                figures["%s runs with problems" % program] += 1
                what = " ".join("%s=%s" % item for item in sorted(fault.items()))
                problems += ["%s %s %s [%s; faults %s]: %s" % (scenario.name, program, what, status, faults, p)
                             for p in found]
    return problems


def recovery(runner, work, clock, argv, prep_argv, new, fallback):
    """Problems when a clean cycle after a faulted run does not leave the directory as `new`."""
    runner.run(argv, work, clock)
    if argv != prep_argv and any(TEMPORARY.search(name) for name in run_case.snapshot(work)):
        # The forecaster's temporary files are removed by the next preprocessor run.
        runner.run(prep_argv, work, clock)
        runner.run(argv, work, clock)
    recovered = run_case.snapshot(work)
    # The faulted run may have reported in the working directory, or run
    # without its order file; the clean run leaves those files.
    differ = sorted(n for n in set(recovered) | set(new) if recovered.get(n) != new.get(n)
                    and not (n not in new and (os.path.basename(n) in REPORT_FILES
                                               or recovered[n] == fallback.get(n))))
    return ["a clean run afterwards does not recover: %s" % ", ".join(differ)] if differ else []


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0], fromfile_prefix_chars="@")
    parser.add_argument("--prog", action="append", default=[], help="VARIANT=PATH of a loopback build")
    parser.add_argument("--velk", required=True, help="the velk_nrt program")
    parser.add_argument("--policy", required=True, help="the fault policy library (fault_policy.so)")
    parser.add_argument("--fiu", required=True, help="libfiu's POSIX preload library")
    parser.add_argument("--faketime-lib", required=True, help="libfaketime.so.1")
    parser.add_argument("--preload-first", action="append", default=[],
                        help="a library to preload ahead of the others (a sanitizer runtime)")
    parser.add_argument("--data", required=True, help="the project's tests/data directory")
    parser.add_argument("--case", action="append", default=[], help="an end-to-end case folder")
    parser.add_argument("--runs", type=int, default=40, help="faulted runs per program and case")
    parser.add_argument("--seed", default="1", help="seed of the random faults")
    parser.add_argument("--permille", type=int, default=20, help="chance of each call failing, per mille")
    parser.add_argument("--keep", action="store_true", help="keep the scratch directory")
    args = parser.parse_args()
    args.prog = dict(p.split("=", 1) for p in args.prog)
    if not args.case:
        parser.error("at least one --case")
    scratch = tempfile.mkdtemp(prefix="nrt-fault-")
    try:
        problems, figures = campaign(args, scratch)
    except (CampaignError, run_case.CaseError, KeyError, OSError) as e:
        print("CAMPAIGN ERROR: %s" % e)
        return 2
    finally:
        if not args.keep:
            shutil.rmtree(scratch, ignore_errors=True)
        else:
            print("scratch directory: %s" % scratch)
    for line in problems:
        print("PROBLEM: %s" % line)
    for key in sorted(figures):
        print("%-40s %d" % (key, figures[key]))
    runs = figures["prep runs"] + figures["velk runs"]
    bad = figures["prep runs with problems"] + figures["velk runs with problems"]
    print("fault injection: %d passed, %d failed" % (runs - bad, bad))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
