#!/usr/bin/env python3
"""Stand-in for the maker's HTTPS services, for the tests (Python standard library only).

One process serves any number of *sites*. A site is one HTTPS listener on localhost with
its own free port, its own certificate and its own script of routes; tests address it as
localhost:PORT (the certificates are for DNS "localhost"). Every request, and every TLS
handshake that fails, is recorded as one JSON line in RUN/requests.jsonl *before* the reply
is sent, so a client that has its answer can read its request back.

    standin.py --cert-dir DIR --run-dir RUN --sites FILE [--sites FILE ...] [--max-seconds N]

Writes RUN/standin.pid, then RUN/ports.txt ("<site> <port>" lines, complete once it exists).

Sites files (JSON, see sites/*.json) map site names to site objects:

    {"myip-ok": {"cert": "localhost",
                 "routes": {"/myip": {"status": 200,
                                      "headers": [["Content-Type", "application/json"]],
                                      "body": "{\\"ip\\":\\"127.0.0.1\\"}"}}}}

"cert" names the pair <cert>.crt/<cert>.key in the cert dir (default "localhost"). Routes
are matched by path without the query; a path without a route gets 404. A route is a
reply object, or a list of reply objects served in turn (the last one repeats), e.g. to
fail the first attempts of a retrying client. Reply object members, all optional:

    status        HTTP status (200); reason: its reason phrase
    headers       [[name, value], ...] sent in this order
    body          text; body_encoding: codec for it ("utf-8"), e.g. "utf-16-le", "latin-1"
    body_hex      the body as hex bytes instead of text
    pad_to        pad the body with spaces (pad_byte) to exactly this many bytes
    chunked       true: send the body with chunked transfer coding, no Content-Length
    no_length     true: send no Content-Length and end the body by closing the connection
    close         true: read the request, then close the connection without any reply
    delay_ms      wait this long before replying
    redirects     N: answer N redirects (redirect_status, 302) to the same path with
                  ?hop=1..N, then reply with the reply object in "then"
    handler       "module" or "module:function" in handlers/ (default function "handle"):
                  called as handle(request, site) with the recorded request (a dict as in
                  the log) and the site object; returns a reply object

Log records: {"site", "port", "event": "request", "method", "path", "headers": [[n, v]...],
"body"} with the body as text, or "body_b64" when it is not UTF-8; failed handshakes are
{"site", "port", "event": "handshake-failed", "error"}.
"""

import argparse
import base64
import importlib
import json
import os
import signal
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))


class Log:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8")
        self._lock = threading.Lock()

    def write(self, record):
        line = json.dumps(record, ensure_ascii=False, separators=(",", ":"))
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()


class Site:
    def __init__(self, name, spec, cert_dir, log):
        self.name = name
        self.spec = spec
        self.log = log
        self.port = 0
        self._counts = {}
        self._lock = threading.Lock()
        cert = spec.get("cert", "localhost")
        self.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.context.load_cert_chain(os.path.join(cert_dir, cert + ".crt"), os.path.join(cert_dir, cert + ".key"))

    def route(self, path):
        """The reply object for the next request to path, or None."""
        entry = self.spec.get("routes", {}).get(path)
        if entry is None or isinstance(entry, dict):
            return entry
        with self._lock:
            n = self._counts.get(path, 0)
            self._counts[path] = n + 1
        return entry[min(n, len(entry) - 1)]


def call_handler(name, request, site):
    module_name, _, function = name.partition(":")
    if HERE not in sys.path:
        sys.path.insert(0, HERE)
    module = importlib.import_module("handlers." + module_name)
    return getattr(module, function or "handle")(request, site)


def body_bytes(reply):
    if "body_hex" in reply:
        data = bytes.fromhex(reply["body_hex"])
    else:
        data = reply.get("body", "").encode(reply.get("body_encoding", "utf-8"))
    pad_to = reply.get("pad_to")
    if pad_to is not None:
        pad = reply.get("pad_byte", " ").encode("latin-1")
        data = (data + pad * max(0, pad_to - len(data)))[:pad_to]
    return data


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "SwiftlaneStandin/1"

    def log_message(self, format, *args):  # the JSON log is the record; keep stderr quiet
        pass

    def _read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            data = b""
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def _handle(self):
        site = self.server.site
        body = self._read_body()
        request = {
            "site": site.name,
            "port": site.port,
            "event": "request",
            "method": self.command,
            "path": self.path,
            "headers": [[k, v] for k, v in self.headers.items()],
        }
        try:
            request["body"] = body.decode("utf-8")
        except UnicodeDecodeError:
            request["body_b64"] = base64.b64encode(body).decode("ascii")
        site.log.write(request)

        url = urllib.parse.urlsplit(self.path)
        reply = site.route(url.path)
        if reply is None:
            reply = {"status": 404, "headers": [["Content-Type", "text/plain"]], "body": "no route"}
        if "handler" in reply:
            reply = call_handler(reply["handler"], request, site)
        if "redirects" in reply:
            hop = int(urllib.parse.parse_qs(url.query).get("hop", ["0"])[0])
            if hop < reply["redirects"]:
                host = self.headers.get("Host", "localhost:%d" % site.port)
                location = "https://%s%s?hop=%d" % (host, url.path, hop + 1)
                reply = {"status": reply.get("redirect_status", 302), "headers": [["Location", location]]}
            else:
                reply = reply.get("then", {})
        if reply.get("delay_ms"):
            time.sleep(reply["delay_ms"] / 1000.0)
        if reply.get("close"):
            self.close_connection = True
            return
        self._send(reply)

    def _send(self, reply):
        data = body_bytes(reply)
        self.send_response(reply.get("status", 200), reply.get("reason"))
        for name, value in reply.get("headers", []):
            self.send_header(name, value)
        if reply.get("chunked"):
            self.send_header("Transfer-Encoding", "chunked")
        elif reply.get("no_length"):
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command == "HEAD":
            return
        if reply.get("chunked"):
            step = 64 * 1024
            for i in range(0, len(data), step):
                piece = data[i : i + step]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.wfile.write(data)
        self.wfile.flush()

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = _handle


class SiteServer(socketserver.ThreadingMixIn, HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, site, family=socket.AF_INET):
        self.address_family = family
        self.site = site
        super().__init__(address, Handler)

    def server_bind(self):
        # HTTPServer would look up the host's name here; a test bed has no use for it.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = "localhost", self.server_address[1]

    def finish_request(self, request, client_address):
        # The handshake runs on the connection's own thread, so a client that stalls or
        # rejects the certificate holds up nobody else.
        request.settimeout(60)
        try:
            tls = self.site.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as e:
            self.site.log.write(
                {"site": self.site.name, "port": self.site.port, "event": "handshake-failed", "error": str(e)}
            )
            return
        try:
            Handler(tls, client_address, self)
        finally:
            tls.close()

    def handle_error(self, request, client_address):
        pass  # a client that went away mid-reply is no error of the stand-in


def load_sites(files):
    sites = {}
    for path in files:
        with open(path, encoding="utf-8") as f:
            for name, spec in json.load(f).items():
                if name in sites:
                    raise SystemExit("standin: site %r defined twice (second in %s)" % (name, path))
                sites[name] = spec
    return sites


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cert-dir", required=True)
    parser.add_argument("--run-dir", required=True)
    parser.add_argument("--sites", action="append", required=True, help="sites file (repeatable)")
    parser.add_argument("--max-seconds", type=float, default=3600, help="end by itself after this long")
    args = parser.parse_args()

    os.makedirs(args.run_dir, exist_ok=True)
    with open(os.path.join(args.run_dir, "standin.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    log = Log(os.path.join(args.run_dir, "requests.jsonl"))

    servers = []
    lines = []
    for name, spec in load_sites(args.sites).items():
        site = Site(name, spec, args.cert_dir, log)
        server = SiteServer(("127.0.0.1", 0), site)
        site.port = server.server_address[1]
        servers.append(server)
        try:  # where localhost also names ::1, answer there on the same port
            servers.append(SiteServer(("::1", site.port), site, socket.AF_INET6))
        except OSError:
            pass
        lines.append("%s %d\n" % (name, site.port))
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()

    ports = os.path.join(args.run_dir, "ports.txt")
    with open(ports + ".tmp", "w") as f:
        f.writelines(lines)
    os.replace(ports + ".tmp", ports)

    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait(args.max_seconds)
    # The listeners run on daemon threads and end with the process; shutting each down in
    # turn would cost half a second apiece.


if __name__ == "__main__":
    main()
