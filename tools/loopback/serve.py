#!/usr/bin/python3
"""Serve a laid-out upstream tree on loopback for the preprocessor's loopback builds.

  serve.py ROOT [--lifetime SECONDS] [--certificate PEM --key PEM]

ROOT holds dst/ (served over HTTP), kp/ (HTTP) and ace/ (anonymous FTP), laid
out as the services publish them (upstream.py), each on a loopback port the
system picks. With --certificate and --key all three serve HTTPS instead, as
services that moved would. Once all three accept connections, the lines
NRT_TEST_DST_HOST=127.0.0.1:PORT, NRT_TEST_KP_HOST=... and NRT_TEST_ACE_HOST=...
(the variables the loopback builds read) and then "ready" are printed on
standard output; loopback.sh waits for them.

The servers stop on SIGTERM or SIGINT, when the process that started this one
ends, or after --lifetime seconds (default 600), whichever comes first, so a
caller that dies cannot leave them holding the ports. The requests seen are
printed after the stop.
Exit status: 0 after a normal stop, 1 when a server cannot start, 64 on bad usage.
"""
import os
import signal
import ssl
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
import servers  # noqa: E402
from usage import UsageParser  # noqa: E402


def main():
    parser = UsageParser(prog="serve.py", description=__doc__.splitlines()[0])
    parser.add_argument("root", help="directory with dst/, kp/ and ace/ laid out as the services publish them")
    parser.add_argument("--lifetime", type=float, default=600.0, help="stop after this many seconds")
    parser.add_argument("--certificate", help="PEM certificate the HTTPS servers present")
    parser.add_argument("--key", help="PEM key of the certificate")
    args = parser.parse_args()
    if (args.certificate is None) != (args.key is None):
        parser.error("--certificate and --key go together")

    for name in servers.SERVICES:
        if not os.path.isdir(os.path.join(args.root, name)):
            print("serve.py: %s has no %s/ directory" % (args.root, name), file=sys.stderr)
            return 1
    try:
        import pyftpdlib  # noqa: F401
    except ImportError:
        print("serve.py: pyftpdlib is missing (apt-get install python3-pyftpdlib)", file=sys.stderr)
        return 1

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    parent = os.getppid()
    log = []
    try:
        tls = None
        if args.certificate:
            tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            tls.load_cert_chain(args.certificate, args.key)
        running = servers.start_upstream(args.root, log=log, tls=tls)
    except (OSError, RuntimeError, ssl.SSLError) as e:
        print("serve.py: cannot start the servers: %s" % e, file=sys.stderr)
        return 1
    for server in running:
        print("NRT_TEST_%s_HOST=%s:%d" % (server.name.upper(), servers.LOOPBACK, server.port))
    print("ready", flush=True)
    end = time.monotonic() + args.lifetime
    try:
        while not stop.wait(0.2):
            if os.getppid() != parent or time.monotonic() > end:
                break
    finally:
        servers.stop_upstream(running)
    for line in log:
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
