#!/usr/bin/python3
"""Serve a laid-out upstream tree on loopback for the preprocessor's loopback builds.

  example-servers.py ROOT [--lifetime SECONDS]

ROOT holds dst/ (served over HTTP), kp/ (HTTP) and ace/ (anonymous FTP), laid
out as the services publish them, each on a loopback port the system picks.
The servers are the end-to-end tests' own (tests/e2e/servers.py). Once all
three accept connections, the lines NRT_TEST_DST_HOST=127.0.0.1:PORT,
NRT_TEST_KP_HOST=... and NRT_TEST_ACE_HOST=... (the variables the loopback
builds read) and then "ready" are printed on standard output.

The servers stop on SIGTERM or SIGINT, when the process that started this one
ends, or after --lifetime seconds (default 600), whichever comes first, so a
caller that dies cannot leave them holding the ports.
Exit status: 0 after a normal stop, 2 when a server cannot start.
"""
import argparse
import os
import signal
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import servers  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", help="directory with dst/, kp/ and ace/ laid out as the services publish them")
    parser.add_argument("--lifetime", type=float, default=600.0, help="stop after this many seconds")
    args = parser.parse_args()

    for name in ("dst", "kp", "ace"):
        if not os.path.isdir(os.path.join(args.root, name)):
            print("example-servers: %s has no %s/ directory" % (args.root, name), file=sys.stderr)
            return 2
    try:
        import pyftpdlib  # noqa: F401
    except ImportError:
        print("example-servers: pyftpdlib is missing (apt-get install python3-pyftpdlib)", file=sys.stderr)
        return 2

    stop = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.set())
    parent = os.getppid()
    log = []
    try:
        running = servers.start_upstream(args.root, log=log)
    except (OSError, RuntimeError) as e:
        print("example-servers: cannot start the servers: %s" % e, file=sys.stderr)
        return 2
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
