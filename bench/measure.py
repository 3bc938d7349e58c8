"""Timing, CPU time and peak memory of child processes, and the medians the tables show."""
import collections
import os
import re
import statistics
import subprocess
import tempfile
import time

# Median wall and CPU milliseconds over the runs, and the largest peak resident set in MiB.
Figures = collections.namedtuple("Figures", "wall_ms cpu_ms peak_mib")


class RunFailed(Exception):
    pass


def run_once(argv, cwd, env=None, timeout_s=120.0, quiet=True):
    """Runs argv once; returns (wall seconds, CPU seconds, kernel resource usage).
    Output counts as failure unless `quiet` is False."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        child = subprocess.Popen(argv, cwd=cwd, env=env, stdout=out, stderr=err)
        deadline = start + timeout_s
        while True:
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid:
                break
            if time.perf_counter() > deadline:
                child.kill()
                os.wait4(child.pid, 0)
                raise RunFailed("%s did not end within %.0f s" % (argv[0], timeout_s))
            time.sleep(0.0005)
        wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read(), err.read()
    if child.returncode != 0 or (quiet and (stdout.strip() or stderr.strip())):
        raise RunFailed("%s in %s: exit status %d\n%s%s" % (
            " ".join(argv), cwd, child.returncode, stdout.decode("latin-1")[:2000],
            stderr.decode("latin-1")[:2000]))
    return wall, usage.ru_utime + usage.ru_stime, usage


def peak_rss_kib(argv, cwd, env=None, quiet=True):
    """The program's own peak resident set in KiB, as /usr/bin/time reports it.

    A child forked by this interpreter would not do: the kernel carries the
    peak of the forked image (the interpreter's tens of MiB) over the exec into
    the child's own figure. /usr/bin/time is a small C program, so what it
    reports is the program's."""
    with tempfile.NamedTemporaryFile(mode="r") as report:
        run_once(["/usr/bin/time", "-f", "%M", "-o", report.name] + argv, cwd, env, quiet=quiet)
        return int(report.read().split()[-1])


def instructions(argv, cwd, env=None):
    """Instructions the program executes, counted by callgrind: unlike a time,
    the count repeats exactly from run to run."""
    result = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"]
                            + argv, cwd=cwd, env=env, capture_output=True, timeout=600)
    found = re.search(rb"Collected : (\d+)", result.stderr)
    if result.returncode != 0 or not found:
        raise RunFailed("callgrind on %s: exit status %d\n%s" % (
            argv[0], result.returncode, result.stderr.decode("latin-1")[-2000:]))
    return int(found.group(1))


def run_repeated(argv, cwd, runs, env=None, warmup=1, quiet=True):
    """Figures over `runs` timed runs, after `warmup` untimed ones; the peak
    from one more run under /usr/bin/time."""
    for _ in range(warmup):
        run_once(argv, cwd, env, quiet=quiet)
    walls, cpus = [], []
    for _ in range(runs):
        wall, cpu, _ = run_once(argv, cwd, env, quiet=quiet)
        walls.append(wall)
        cpus.append(cpu)
    return Figures(statistics.median(walls) * 1e3, statistics.median(cpus) * 1e3,
                   peak_rss_kib(argv, cwd, env, quiet) / 1024.0)


def tool_figures(argv, cwd, env=None, timeout_s=600.0):
    """Runs a bench tool that prints 'name value' lines; returns them as a dict of floats."""
    result = subprocess.run(argv, cwd=cwd, env=env, capture_output=True, timeout=timeout_s)
    if result.returncode != 0:
        raise RunFailed("%s: exit status %d\n%s" % (" ".join(argv), result.returncode,
                                                    result.stderr.decode("latin-1")[:2000]))
    figures = {}
    for line in result.stdout.decode().splitlines():
        name, _, value = line.partition(" ")
        figures[name] = float(value)
    return figures
