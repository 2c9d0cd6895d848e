"""Stand-in for the report service: HTTPS on localhost, records every request.

Used by crash_cases.py; Python standard library only. The certificate comes from a CA made
for the run (see make_test_pki), trusted only in the test's Wine prefix.
"""
import http.server
import os
import ssl
import subprocess
import threading


def make_test_pki(folder):
    """A CA and a server certificate for DNS "localhost", made with openssl."""
    def run(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)

    ca_key, ca_crt = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.crt")
    key, csr, crt = (os.path.join(folder, n) for n in ("server.key", "server.csr", "server.crt"))
    ext = os.path.join(folder, "server.ext")
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca_crt, "-days", "2",
        "-subj", "/CN=Crash reporter test CA", "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=localhost")
    with open(ext, "w") as f:
        f.write("subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n")
    run("x509", "-req", "-in", csr, "-CA", ca_crt, "-CAkey", ca_key, "-CAcreateserial", "-out", crt,
        "-days", "2", "-extfile", ext)
    der = subprocess.run(["openssl", "x509", "-in", ca_crt, "-outform", "DER"], check=True,
                         capture_output=True).stdout
    return {"ca_der": der, "cert": crt, "key": key}


class ReportService:
    """Answers POST /except.php with the status (and Location) set in 'reply'."""

    def __init__(self, cert, key):
        self.requests = []
        self.reply = (200, None)
        self.lock = threading.Lock()
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(length)
                with service.lock:
                    service.requests.append({"path": self.path, "headers": dict(self.headers.items()),
                                             "body": body})
                    status, location = service.reply
                payload = b"thanks"
                self.send_response(status)
                if location:
                    self.send_header("Location", location)
                self.send_header("Content-Length", str(len(payload)))
                self.end_headers()
                self.wfile.write(payload)

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        self.server.socket = context.wrap_socket(self.server.socket, server_side=True)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def take(self):
        with self.lock:
            out, self.requests = self.requests, []
        return out

    def close(self):
        self.server.shutdown()
