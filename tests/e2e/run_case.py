#!/usr/bin/python3
"""Run one end-to-end case of a program: a folder of data, no code.

  run_case.py CASE_DIR --data DATA_DIR --prog ap=PATH --prog dst=PATH --prog kp=PATH
              [--prog velk_nrt=PATH] [--faketime /usr/bin/faketime] [--keep]

cases/README.md describes a case folder: the preprocessor's cases (tests/e2e/cases,
DATA_DIR tests/data) and the forecaster's (tests/forecast/data/e2e/cases, DATA_DIR
tests/forecast/data/e2e). Exit status 0 when the case passes, 1 when it fails, 2
when the case itself is malformed or the harness cannot run it.
"""
import argparse
import ast
import configparser
import difflib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import xml.parsers.expat

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "loopback"))
import servers  # noqa: E402
from upstream import SERVICES  # noqa: E402

# The servers listen on ports the system picks. The expected reports name the
# services by these stand-in ports; the real ones are mapped onto them before
# comparing.
REPORTED_PORTS = {"dst": 18080, "kp": 18081, "ace": 18021}
FAKETIME_FRESH = os.path.join(HERE, "..", "..", "scripts", "faketime-fresh.sh")


class CaseError(Exception):
    """The case folder or the harness is wrong, not the program under test."""


def read_case(case_dir):
    ini = configparser.ConfigParser(delimiters=("=",), interpolation=None)
    ini.optionxform = str  # keys are paths: keep their case
    if not ini.read(os.path.join(case_dir, "case.ini")):
        raise CaseError("no case.ini in %s" % case_dir)
    return ini  # a missing variant, clock or exit is a configparser.Error: a malformed case


def resolve_source(ref, roots, exists=os.path.isfile):
    """'data:x', 'case:x', 'common:x' or 'up:x' -> a file path (a folder's with
    exists=os.path.isdir)."""
    prefix, sep, rest = ref.partition(":")
    if not sep or prefix not in roots:
        raise CaseError("unknown file reference '%s' (use %s)" % (ref, ", ".join(r + ":" for r in roots)))
    path = os.path.normpath(os.path.join(roots[prefix], rest))
    if not exists(path):
        raise CaseError("referenced file missing: %s" % path)
    return path


def copy_tree(src, dst):
    """Copies src into dst; a symbolic link stays a link (one planted where the
    program writes)."""
    if os.path.isdir(src):
        shutil.copytree(src, dst, symlinks=True, dirs_exist_ok=True)


def build_workdir(ini, case_dir, work, roots):
    """The working directory before the run: the files of the `inputs` folders,
    then the case's workdir/, then the `mkdirs` directories."""
    os.makedirs(work)
    for ref in ini.get("case", "inputs", fallback="").split():
        copy_tree(resolve_source(ref, roots, os.path.isdir), work)
    copy_tree(os.path.join(case_dir, "workdir"), work)
    for d in ini.get("case", "mkdirs", fallback="").split():
        os.makedirs(os.path.join(work, d), exist_ok=True)


def build_upstream(ini, case_dir, up, roots):
    for service in SERVICES:
        os.makedirs(os.path.join(up, service), exist_ok=True)
    copy_tree(os.path.join(case_dir, "upstream"), up)
    for target, ref in ini.items("upstream") if ini.has_section("upstream") else ():
        dest = os.path.join(up, target)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        if ref.strip() == "empty":
            open(dest, "wb").close()
        else:
            shutil.copyfile(resolve_source(ref.strip(), roots), dest)


def start_servers(ini, up, log, tls=None):
    """[http] lines: 'status /path = 500', 'redirect /path = /other/path',
    'stall /path = 120' (take the request, answer nothing for up to 120 s) or
    'delay /path = 45' (answer after 45 s)."""
    overrides = {}
    for key, value in ini.items("http") if ini.has_section("http") else ():
        kind, _, path = key.partition(" ")
        if kind not in ("status", "redirect", "stall", "delay") or not path.strip().startswith("/"):
            raise CaseError("bad [http] entry '%s'" % key)
        overrides[path.strip()] = (kind, value.strip())
    wanted = [name for name in ini.get("case", "servers", fallback="dst kp ace").split() if name != "none"]
    return servers.start_upstream(up, which=wanted, overrides=overrides, log=log, tls=tls)


def as_reported(files, ports):
    """Map the services' real ports in file contents onto the expected ones."""
    reported = {port: REPORTED_PORTS[service] for service, port in ports.items()}
    address = re.compile(rb"(?<=127\.0\.0\.1:)\d+")

    def swap(match):
        return b"%d" % reported.get(int(match.group()), int(match.group()))

    return {name: address.sub(swap, content) for name, content in files.items()}


def snapshot(root):
    paths = [os.path.join(d, name) for d, _, names in os.walk(root) for name in names]
    return {os.path.relpath(path, root): open(path, "rb").read() for path in paths}


def compose(recipe, roots):
    """Build expected bytes from pieces joined by ' + ' (see cases/README.md)."""
    out = b""
    for piece in recipe.split(" + "):
        piece = piece.strip()
        if piece == "last":
            out += out[-1:]
        elif piece[:1] in "\"'":
            out += ast.literal_eval(piece).encode("latin-1")
        else:
            colons = piece.endswith("!colons")
            ref, _, span = piece.removesuffix("!colons").partition("@")
            with open(resolve_source(ref, roots), "rb") as f:
                data = f.read()
            if span:
                first, _, last = span.partition("-")
                data = b"".join(data.splitlines(keepends=True)[int(first) - 1 : int(last) if last else None])
            out += data.replace(b":", b" ") if colons else data
    return out


def show_difference(name, want, got):
    print("--- %s differs (expected %d bytes, got %d bytes)" % (name, len(want), len(got)))
    a, b = (text.decode("latin-1").splitlines(keepends=True) for text in (want, got))
    diff = list(difflib.unified_diff(a, b, "expected/" + name, "actual/" + name, n=2))
    sys.stdout.write("".join(line if line.endswith("\n") else line + "\\ no line feed\n" for line in diff[:60]))


def form_only(want, got, marker):
    """want and got with the digits of the lines where want holds `marker`
    blanked out in both: such lines (a creation time) are compared for their
    form only."""
    want_lines, got_lines = want.splitlines(keepends=True), got.splitlines(keepends=True)
    for i, line in enumerate(want_lines[:len(got_lines)]):
        if marker in line:
            want_lines[i], got_lines[i] = (re.sub(rb"[0-9]", b"9", text) for text in (line, got_lines[i]))
    return b"".join(want_lines), b"".join(got_lines)


def scores_of(metadata):
    """The scores of a metadata file, in order, as written (the text between
    each <Value> or <Persistence_Value> element's tags)."""
    return [line[line.find(b">") + 1 : line.find(b"</")] for line in metadata.splitlines()
            if b"<Value>" in line or b"<Persistence_Value>" in line]


def check_streams(ini, result, roots):
    """Standard output exactly as `stdout` (empty without it); standard error
    empty, or holding the text `stderr_has`."""
    failures = []
    want_out = compose(ini.get("case", "stdout"), roots) if ini.has_option("case", "stdout") else b""
    if result.stdout != want_out:
        failures.append("standard output %r, expected %r" % (result.stdout[:400], want_out))
    mention = compose(ini.get("case", "stderr_has"), roots) if ini.has_option("case", "stderr_has") else b""
    if mention and mention not in result.stderr:
        failures.append("standard error does not mention %r" % mention)
    if not mention and result.stderr:
        failures.append("the program wrote on standard error; it must not")
    return failures


def check(ini, case_dir, work, before, result, roots, ports):
    failures = []
    want_exit = ini.getint("case", "exit")
    if result.returncode != want_exit:
        failures.append("exit status %d, expected %d" % (result.returncode, want_exit))
    failures += check_streams(ini, result, roots)
    after = as_reported(snapshot(work), ports)
    for name, content in sorted(after.items()):
        if os.path.basename(name) == "errorfile.xml":  # whatever the run met, the report must parse
            try:
                xml.parsers.expat.ParserCreate().Parse(content, True)
            except xml.parsers.expat.ExpatError as e:
                failures.append("%s is not well-formed XML: %s" % (name, e))
    want = snapshot(os.path.join(case_dir, "expected"))
    for name, recipe in ini.items("compose") if ini.has_section("compose") else ():
        want[os.path.normpath(name)] = compose(" ".join(recipe.split("\n")), roots)
    marker = ini.get("case", "form_only", fallback="").encode("latin-1")
    for name, content in sorted(want.items()):
        got = after.get(name)
        if marker and got is not None:
            content, got = form_only(content, got, marker)
        if got != content:
            failures.append("missing file %s" % name if name not in after else "content of %s" % name)
            if name in after:
                show_difference(name, content, got)
    for name, ref in ini.items("scores") if ini.has_section("scores") else ():
        with open(resolve_source(ref.strip(), roots), "rb") as f:
            expected_scores = f.read().splitlines()
        if name not in after:
            failures.append("missing file %s" % name)
        elif scores_of(after[name]) != expected_scores:
            failures.append("scores of %s: %s, expected %s" % (name, scores_of(after[name]), expected_scores))
    absent = [os.path.normpath(name) for name in ini.get("case", "absent", fallback="").split()]
    failures += ["file %s must not exist" % name for name in absent if name in after]
    if ini.get("case", "unlisted", fallback="refused") == "allowed":
        return failures
    for name, content in sorted(after.items()):
        if name not in want and name not in absent and before.get(name) != content:
            failures.append("unexpected file %s (%d bytes)" % (name, len(content)) if name not in before
                            else "file %s was changed but is not in expected/" % name)
    return failures


def program_key(ini):
    """The --prog name of the case's program: `program`, or the preprocessor
    build of its `variant` and `build`."""
    if ini.has_option("case", "program"):
        return ini.get("case", "program")
    variant = ini.get("case", "variant")
    build = ini.get("case", "build", fallback="plain")
    if build not in ("plain", "https"):
        raise CaseError("unknown build '%s' (plain or https)" % build)
    return variant if build == "plain" else "%s-%s" % (variant, build)


def run(args, scratch):
    case_dir = os.path.abspath(args.case)
    ini = read_case(case_dir)
    build_key = program_key(ini)
    build = ini.get("case", "build", fallback="plain")
    if build_key not in args.prog:
        raise CaseError("no program given for '%s'" % build_key)
    print("case %s: %s" % (os.path.basename(case_dir), ini.get("case", "description", fallback="")))
    if ini.has_option("case", "guards"):
        print("guards against: %s" % ini.get("case", "guards"))
    up, work = os.path.join(scratch, "upstream"), os.path.join(scratch, "work")
    roots = {"data": os.path.abspath(args.data), "case": case_dir, "common": os.path.join(HERE, "common"), "up": up}
    # The preprocessor fetches from the upstream services; the forecaster reads
    # only its working directory.
    fetches = not ini.has_option("case", "program")
    if fetches:
        build_upstream(ini, case_dir, up, roots)
    build_workdir(ini, case_dir, work, roots)
    before = snapshot(work)
    program = [args.prog[build_key]] + ini.get("case", "args", fallback="").split()
    argv = program
    if ini.has_option("case", "clock"):  # faketime under a fresh id: see faketime-fresh.sh.
        argv = ["/bin/sh", FAKETIME_FRESH, "--program", args.faketime, "-f", ini.get("case", "clock")] + program
    env = {"PATH": "/usr/bin:/bin", "TZ": "UTC", "FAKETIME_DONT_FAKE_MONOTONIC": "1",
           "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0",
           "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "")}
    if ini.has_option("case", "faults"):
        argv, faults = program, ini.get("case", "faults").split()
        if not args.fault_preload or len(faults) < 2:
            raise CaseError("a case with faults needs --fault-preload and 'faults = POINT N [N...]'")
        # The clock library goes in with the fault libraries, not through the wrapper.
        env.update({"LD_PRELOAD": " ".join(args.fault_preload), "FAKETIME": ini.get("case", "clock"),
                    "NRT_FAULT_POINT": faults[0], "NRT_FAULT_NTH": ",".join(faults[1:])})
    limit = ini.get("case", "file_size_limit", fallback="")
    if limit:  # as `ulimit -f`: every write past it fails like one on a full disk
        prlimit = shutil.which("prlimit", path="/usr/bin:/bin")
        if not prlimit:
            raise CaseError("prlimit not found (util-linux)")
        argv = [prlimit, "--fsize=%d" % int(limit), "--"] + argv
    timeout = ini.getint("case", "timeout", fallback=90)
    log = []
    tls = None
    if build == "https":
        certificate, tls = servers.make_certificate(scratch, args.faketime)
        trust = ini.get("case", "trust", fallback="server")
        if trust not in ("server", "other"):
            raise CaseError("unknown trust '%s' (server or other)" % trust)
        if trust == "other":  # a certificate the servers do not present
            certificate = servers.make_certificate(scratch, args.faketime, "other")[0]
        env["NRT_TEST_CA_FILE"] = certificate
    running = start_servers(ini, up, log, tls) if fetches else []
    # A service whose server is not started gets a port that refuses connections.
    ports = {server.name: server.port for server in running}
    # Bound here and never listened on, so connections to it are refused.
    holders = {name: socket.socket() for name in SERVICES if fetches and name not in ports}
    for name, holder in holders.items():
        holder.bind((servers.LOOPBACK, 0))
        ports[name] = holder.getsockname()[1]
    env.update({"NRT_TEST_%s_HOST" % name.upper(): "%s:%d" % (servers.LOOPBACK, port) for name, port in ports.items()})
    try:
        result = subprocess.run(argv, cwd=work, env=env, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        print("FAIL: the program did not end within %d s" % timeout)
        return 1
    finally:
        servers.stop_upstream(running)
        for holder in holders.values():
            holder.close()
    failures = check(ini, case_dir, work, before, result, roots, ports)
    if not failures:
        print("PASS")
        return 0
    print("FAIL:\n" + "".join("  - %s\n" % f for f in failures), end="")
    for stream, text in (("stdout", result.stdout), ("stderr", result.stderr)):
        if text:
            print("program %s:\n%s" % (stream, text.decode("latin-1")[:4000]))
    print("requests seen by the servers:\n" + "".join("  %s\n" % line for line in log), end="")
    print("work directory: %s" % work if args.keep else "(--keep keeps the scratch directory)")
    return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("case")
    parser.add_argument("--data", required=True, help="the cases' data: tests/data (preprocessor) or "
                        "tests/forecast/data/e2e (forecaster)")
    parser.add_argument("--prog", action="append", default=[],
                        help="VARIANT=PATH of a loopback build, or velk_nrt=PATH")
    parser.add_argument("--faketime", default="/usr/bin/faketime")
    parser.add_argument("--fault-preload", action="append", default=[],
                        help="for cases with faults: the libraries to preload, in order (tests/fault)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch directory")
    args = parser.parse_args()
    args.prog = dict(p.split("=", 1) for p in args.prog)
    scratch = tempfile.mkdtemp(prefix="nrt-e2e-")
    try:
        return run(args, scratch)
    except (CaseError, configparser.Error, ValueError, ImportError, RuntimeError) as e:
        # a malformed case; no pyftpdlib or openssl
        print("CASE ERROR: %s" % e)
        return 2
    finally:
        if not args.keep:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
