#!/usr/bin/python3
"""Serve a laid-out upstream tree on the loopback ports of the preprocessor's loopback builds.

  example-servers.py ROOT [--lifetime SECONDS]

ROOT holds dst/ (served over HTTP on 127.0.0.1:18080), kp/ (HTTP on :18081) and
ace/ (anonymous FTP on :18021, passive ports 18030-18039), laid out as the
services publish them. The servers are the end-to-end tests' own (tests/e2e/servers.py).
"ready" is printed on standard output once all three accept connections.

The servers stop on SIGTERM or SIGINT, when the process that started this one
ends, or after --lifetime seconds (default 600), whichever comes first, so a
caller that dies cannot leave them holding the ports.
Exit status: 0 after a normal stop, 2 when a port is busy or a server cannot start.
"""
import argparse
import os
import signal
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import servers  # noqa: E402

DST_PORT, KP_PORT, ACE_PORT = 18080, 18081, 18021
PASSIVE_PORTS = range(18030, 18040)


def start(root, log):
    ports = {"dst": DST_PORT, "kp": KP_PORT, "ace": ACE_PORT}
    return servers.start_upstream(root, ports, PASSIVE_PORTS, log=log)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("root", help="directory with dst/, kp/ and ace/ laid out as the services publish them")
    parser.add_argument("--lifetime", type=float, default=600.0, help="stop after this many seconds")
    args = parser.parse_args()

    for name in ("dst", "kp", "ace"):
        if not os.path.isdir(os.path.join(args.root, name)):
            print("example-servers: %s has no %s/ directory" % (args.root, name), file=sys.stderr)
            return 2
    busy = [p for p in (DST_PORT, KP_PORT, ACE_PORT) if not servers.port_is_free(p)]
    if busy:
        print("example-servers: port(s) %s already in use (is the test suite or another example running?)"
              % ", ".join(map(str, busy)), file=sys.stderr)
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
        running = start(args.root, log)
    except (OSError, RuntimeError) as e:
        print("example-servers: cannot start the servers: %s" % e, file=sys.stderr)
        return 2
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
