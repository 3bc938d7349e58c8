"""Timing and peak memory of child processes, and the medians the tables show."""
import os
import statistics
import subprocess
import tempfile
import time


class RunFailed(Exception):
    pass


def run_once(argv, cwd, env=None, timeout_s=120.0):
    """Runs argv once; returns (wall seconds, peak resident set in KiB).

    The peak comes from the kernel's accounting of the finished child (wait4),
    which also covers any process the child started and waited for.
    """
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
    if child.returncode != 0 or stdout.strip() or stderr.strip():
        raise RunFailed("%s in %s: exit status %d\n%s%s" % (
            " ".join(argv), cwd, child.returncode, stdout.decode("latin-1")[:2000],
            stderr.decode("latin-1")[:2000]))
    return wall, usage.ru_maxrss


def run_repeated(argv, cwd, runs, env=None, warmup=1):
    """Median wall time in ms and the largest peak memory in MiB over `runs` runs."""
    for _ in range(warmup):
        run_once(argv, cwd, env)
    walls, peaks = [], []
    for _ in range(runs):
        wall, peak = run_once(argv, cwd, env)
        walls.append(wall)
        peaks.append(peak)
    return statistics.median(walls) * 1e3, max(peaks) / 1024.0


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
