#!/usr/bin/python3
"""Run one end-to-end case of the preprocessor: a folder of data, no code.

  run_case.py CASE_DIR --data TESTS_DATA_DIR --prog ap=PATH --prog dst=PATH --prog kp=PATH
              [--faketime /usr/bin/faketime] [--keep]

cases/README.md describes a case folder. Exit status 0 when the case passes, 1
when it fails, 2 when the case itself is malformed or the harness cannot run it.
"""
import argparse
import ast
import configparser
import difflib
import os
import re
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import xml.parsers.expat

import servers

# The servers listen on ports the system picks. The expected reports name the
# services by these stand-in ports; the real ones are mapped onto them before
# comparing.
REPORTED_PORTS = {"dst": 18080, "kp": 18081, "ace": 18021}
HERE = os.path.dirname(os.path.abspath(__file__))
FAKETIME_FRESH = os.path.join(HERE, "..", "..", "scripts", "faketime-fresh.sh")


class CaseError(Exception):
    """The case folder or the harness is wrong, not the program under test."""


def read_case(case_dir):
    ini = configparser.ConfigParser(delimiters=("=",), interpolation=None)
    ini.optionxform = str  # keys are paths: keep their case
    if not ini.read(os.path.join(case_dir, "case.ini")):
        raise CaseError("no case.ini in %s" % case_dir)
    return ini  # a missing variant, clock or exit is a configparser.Error: a malformed case


def resolve_source(ref, roots):
    """'data:x', 'case:x', 'common:x' or 'up:x' -> a file path."""
    prefix, sep, rest = ref.partition(":")
    if not sep or prefix not in roots:
        raise CaseError("unknown file reference '%s' (use %s)" % (ref, ", ".join(r + ":" for r in roots)))
    path = os.path.normpath(os.path.join(roots[prefix], rest))
    if not os.path.isfile(path):
        raise CaseError("referenced file missing: %s" % path)
    return path


def copy_tree(src, dst):
    if os.path.isdir(src):
        shutil.copytree(src, dst, dirs_exist_ok=True)


def build_upstream(ini, case_dir, up, roots):
    for service in REPORTED_PORTS:
        os.makedirs(os.path.join(up, service), exist_ok=True)
    copy_tree(os.path.join(case_dir, "upstream"), up)
    for target, ref in ini.items("upstream") if ini.has_section("upstream") else ():
        dest = os.path.join(up, target)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        if ref.strip() == "empty":
            open(dest, "wb").close()
        else:
            shutil.copyfile(resolve_source(ref.strip(), roots), dest)


def make_certificate(scratch, faketime, name="loopback"):
    """A self-signed certificate for 127.0.0.1 and the server context that
    presents it. It is valid from 2000 for a century, so that it holds at every
    case's frozen clock; returns (certificate file, context)."""
    openssl = shutil.which("openssl")
    if not openssl:
        raise CaseError("openssl not found (apt-get install openssl)")
    cert, key = os.path.join(scratch, name + "-cert.pem"), os.path.join(scratch, name + "-key.pem")
    made = subprocess.run(["/bin/sh", FAKETIME_FRESH, "--program", faketime, "-f", "2000-01-01 00:00:00",
                           openssl, "req", "-x509", "-nodes", "-newkey", "ec",
                           "-pkeyopt", "ec_paramgen_curve:prime256v1", "-days", "36500",
                           "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                           "-keyout", key, "-out", cert], capture_output=True, timeout=60)
    if made.returncode != 0:
        raise CaseError("openssl could not make the certificate: %s" % made.stderr.decode("latin-1"))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return cert, context


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


def check(ini, case_dir, work, before, result, roots, ports):
    failures = []
    want_exit = ini.getint("case", "exit")
    if result.returncode != want_exit:
        failures.append("exit status %d, expected %d" % (result.returncode, want_exit))
    if ini.getboolean("case", "silent", fallback=True) and (result.stdout or result.stderr):
        failures.append("the program printed something; it must be silent")
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
    for name, content in sorted(want.items()):
        if after.get(name) != content:
            failures.append("missing file %s" % name if name not in after else "content of %s" % name)
            if name in after:
                show_difference(name, content, after[name])
    absent = [os.path.normpath(name) for name in ini.get("case", "absent", fallback="").split()]
    failures += ["file %s must not exist" % name for name in absent if name in after]
    for name, content in sorted(after.items()):
        if name not in want and name not in absent and before.get(name) != content:
            failures.append("unexpected file %s (%d bytes)" % (name, len(content)) if name not in before
                            else "file %s was changed but is not in expected/" % name)
    return failures


def run(args, scratch):
    case_dir = os.path.abspath(args.case)
    ini = read_case(case_dir)
    variant = ini.get("case", "variant")
    build = ini.get("case", "build", fallback="plain")
    if build not in ("plain", "https"):
        raise CaseError("unknown build '%s' (plain or https)" % build)
    build_key = variant if build == "plain" else "%s-%s" % (variant, build)
    if build_key not in args.prog:
        raise CaseError("no program given for '%s'" % build_key)
    print("case %s: %s" % (os.path.basename(case_dir), ini.get("case", "description", fallback="")))
    if ini.has_option("case", "guards"):
        print("guards against: %s" % ini.get("case", "guards"))
    up, work = os.path.join(scratch, "upstream"), os.path.join(scratch, "work")
    roots = {"data": os.path.abspath(args.data), "case": case_dir, "common": os.path.join(HERE, "common"), "up": up}
    build_upstream(ini, case_dir, up, roots)
    os.makedirs(work)
    copy_tree(os.path.join(case_dir, "workdir"), work)
    for d in ini.get("case", "mkdirs", fallback="").split():
        os.makedirs(os.path.join(work, d), exist_ok=True)
    before = snapshot(work)
    # faketime under a fresh id: see faketime-fresh.sh.
    program = [args.prog[build_key]] + ini.get("case", "args", fallback="").split()
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
        certificate, tls = make_certificate(scratch, args.faketime)
        trust = ini.get("case", "trust", fallback="server")
        if trust not in ("server", "other"):
            raise CaseError("unknown trust '%s' (server or other)" % trust)
        if trust == "other":  # a certificate the servers do not present
            certificate = make_certificate(scratch, args.faketime, "other")[0]
        env["NRT_TEST_CA_FILE"] = certificate
    running = start_servers(ini, up, log, tls)
    # A service whose server is not started gets a port that refuses connections.
    ports = {server.name: server.port for server in running}
    # Bound here and never listened on, so connections to it are refused.
    holders = {name: socket.socket() for name in REPORTED_PORTS if name not in ports}
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
    parser.add_argument("--data", required=True, help="the project's tests/data directory")
    parser.add_argument("--prog", action="append", default=[], help="VARIANT=PATH of a loopback build")
    parser.add_argument("--faketime", default="/usr/bin/faketime")
    parser.add_argument("--fault-preload", action="append", default=[],
                        help="for cases with faults: the libraries to preload, in order (tests/fault)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch directory")
    args = parser.parse_args()
    args.prog = dict(p.split("=", 1) for p in args.prog)
    scratch = tempfile.mkdtemp(prefix="nrt-e2e-")
    try:
        return run(args, scratch)
    except (CaseError, configparser.Error, ValueError, ImportError) as e:  # a malformed case; no pyftpdlib
        print("CASE ERROR: %s" % e)
        return 2
    finally:
        if not args.keep:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
