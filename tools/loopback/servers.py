"""Loopback stand-ins for the three upstream services, run in threads of the caller.

Serving from threads of the caller (a test driver, the bench, serve.py) means
a caller killed by a timeout takes its servers with it. Each server binds and listens before its
constructor returns, so connections made right after start_upstream are
queued, never refused. Each listens on a free port the system picks; the
server's `port` tells which.
"""
import functools
import http.server
import logging
import os
import shutil
import ssl
import subprocess
import threading

from upstream import SERVICES

LOOPBACK = "127.0.0.1"
FAKETIME_FRESH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                              "faketime-fresh.sh")


class UpstreamHandler(http.server.SimpleHTTPRequestHandler):
    """Static files, plus per-case answers that real services give now and then.

    overrides maps a URL path to ("status", code), ("redirect", location),
    ("stall", seconds): a server that takes the request and never answers, or
    ("delay", seconds): one that answers only after that long.
    """

    overrides = {}
    log = None
    released = None  # set when the server stops, so stalled answers end too

    def _answer(self, with_body):
        override = self.overrides.get(self.path.split("?", 1)[0])
        if not override:
            return super().do_GET() if with_body else super().do_HEAD()
        kind, arg = override
        if kind == "stall":
            self.released.wait(float(arg))
            self.close_connection = True
            return
        if kind == "delay":
            if self.released.wait(float(arg)):
                self.close_connection = True
                return
            try:
                return super().do_GET() if with_body else super().do_HEAD()
            except (BrokenPipeError, ConnectionResetError):  # the client gave up first
                self.close_connection = True
                return
        if kind == "status":
            body = "<html><body><h1>%s Service trouble</h1></body></html>\n" % arg
            self.send_response(int(arg))
        else:
            body = "<html><body>Moved to <a href=\"%s\">here</a></body></html>\n" % arg
            self.send_response(302)
            self.send_header("Location", arg)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if with_body:
            self.wfile.write(body.encode())

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)

    def log_message(self, fmt, *args):
        if self.log is not None:
            self.log.append("http:%d %s" % (self.server.server_address[1], fmt % args))


class HttpUpstream:
    """HTTP over root; HTTPS when given a server-side ssl.SSLContext."""

    def __init__(self, root, overrides, log, tls=None):
        self.released = threading.Event()
        handler = type("CaseHandler", (UpstreamHandler,),
                       {"overrides": overrides, "log": log, "released": self.released})
        self.server = http.server.ThreadingHTTPServer((LOOPBACK, 0), functools.partial(handler, directory=root))
        if tls is not None:
            # A client that refuses the certificate makes accept() fail, which
            # the server takes as a lost connection.
            self.server.socket = tls.wrap_socket(self.server.socket, server_side=True)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
        self.thread.start()

    def stop(self):
        self.released.set()
        self.server.shutdown()
        self.server.server_close()
        self.thread.join(5)


class FtpUpstream:
    """Anonymous read-only FTP over root."""

    def __init__(self, root, log):
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.servers import FTPServer

        logging.getLogger("pyftpdlib").disabled = True
        authorizer = DummyAuthorizer()
        authorizer.add_anonymous(root)

        def log_cmd(handler, cmd, arg, respcode, respstr):
            if log is not None:
                log.append("ftp: %s %s -> %s" % (cmd, arg or "", respcode))

        handler = type("CaseFtpHandler", (FTPHandler,), {"authorizer": authorizer, "timeout": 30, "log_cmd": log_cmd})
        self.server = FTPServer((LOOPBACK, 0), handler)
        self.port = self.server.address[1]
        self.running = True
        self.thread = threading.Thread(target=self._loop, daemon=True)
        self.thread.start()

    def _loop(self):
        while self.running:
            self.server.serve_forever(timeout=0.1, blocking=False, handle_exit=False)
        self.server.close_all()

    def stop(self):
        self.running = False
        self.thread.join(5)


def start_upstream(root, which=SERVICES, overrides=None, log=None, tls=None):
    """Start the stand-ins named in `which` over root/dst, root/kp and root/ace.

    With `tls` (a server-side ssl.SSLContext) all three serve HTTPS, as
    services that moved from HTTP and FTP would.
    Returns the running servers, each with its `name` and `port`; if any fails
    to start, the ones already running are stopped before the error goes on.
    """
    running = []
    try:
        for name in which:
            if name in ("dst", "kp") or (tls is not None and name == "ace"):
                server = HttpUpstream(os.path.join(root, name), overrides or {}, log, tls)
            elif name == "ace":
                server = FtpUpstream(os.path.join(root, "ace"), log)
            else:
                raise ValueError("unknown server '%s'" % name)
            server.name = name
            running.append(server)
    except BaseException:
        stop_upstream(running)
        raise
    return running


def stop_upstream(running):
    for server in running:
        server.stop()


def make_certificate(directory, faketime, name="loopback"):
    """A self-signed certificate for 127.0.0.1 and the server context that
    presents it. It is valid from 2000 for a century, so that it holds at any
    frozen clock; returns (certificate file, context). RuntimeError when
    openssl is missing or fails."""
    openssl = shutil.which("openssl")
    if not openssl:
        raise RuntimeError("openssl not found (apt-get install openssl)")
    cert, key = os.path.join(directory, name + "-cert.pem"), os.path.join(directory, name + "-key.pem")
    made = subprocess.run(["/bin/sh", FAKETIME_FRESH, "--program", faketime, "-f", "2000-01-01 00:00:00",
                           openssl, "req", "-x509", "-nodes", "-newkey", "ec",
                           "-pkeyopt", "ec_paramgen_curve:prime256v1", "-days", "36500",
                           "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                           "-keyout", key, "-out", cert], capture_output=True, timeout=60)
    if made.returncode != 0:
        raise RuntimeError("openssl could not make the certificate: %s" % made.stderr.decode("latin-1"))
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return cert, context
