#!/usr/bin/env python3
"""Checks the running stand-in with Python's own HTTPS client, apart from the code under test.

    selftest.py RUN_DIR CERT_DIR
"""

import http.client
import json
import os
import ssl
import time
import sys
import unittest

RUN_DIR, CERT_DIR = sys.argv[1], sys.argv[2]


def ports():
    with open(os.path.join(RUN_DIR, "ports.txt")) as f:
        return dict((name, int(port)) for name, port in (line.split() for line in f))


def records(site):
    with open(os.path.join(RUN_DIR, "requests.jsonl"), encoding="utf-8") as f:
        return [r for r in map(json.loads, f) if r["site"] == site]


def trusted():
    return ssl.create_default_context(cafile=os.path.join(CERT_DIR, "ca.crt"))


def get(site, path, method="GET", body=None, headers=()):
    conn = http.client.HTTPSConnection("localhost", ports()[site], context=trusted(), timeout=30)
    try:
        conn.putrequest(method, path)
        for name, value in headers:
            conn.putheader(name, value)
        if body is not None:
            conn.putheader("Content-Length", str(len(body)))
        conn.endheaders(body)
        reply = conn.getresponse()
        return reply.status, dict(reply.getheaders()), reply.read()
    finally:
        conn.close()


class Standin(unittest.TestCase):
    def test_reply_and_record(self):
        status, headers, body = get("myip-ok", "/myip", headers=[("X-B", "2"), ("X-A", "1")])
        self.assertEqual((status, body), (200, b'{"ip":"127.0.0.1"}'))
        self.assertEqual(headers["Content-Type"], "application/json")
        last = records("myip-ok")[-1]
        self.assertEqual((last["event"], last["method"], last["path"], last["body"]), ("request", "GET", "/myip", ""))
        names = [n for n, _ in last["headers"]]
        self.assertLess(names.index("X-B"), names.index("X-A"))

    def test_post_body_is_recorded(self):
        get("http-client", "/plain", method="POST", body=b"a=1\xff")
        last = records("http-client")[-1]
        self.assertEqual((last["method"], last["body_b64"]), ("POST", "YT0x/w=="))

    def test_unrouted_path_is_404(self):
        self.assertEqual(get("myip-ok", "/nothing")[0], 404)

    def test_error_status_and_sizes(self):
        self.assertEqual(get("myip-error-with-key", "/myip")[0], 500)
        self.assertEqual(len(get("myip-at-bound", "/myip")[2]), 4 * 1024 * 1024)
        self.assertEqual(len(get("myip-past-bound", "/myip")[2]), 4 * 1024 * 1024 + 1)
        status, headers, body = get("myip-past-bound-chunked", "/myip")
        self.assertEqual((headers.get("Transfer-Encoding"), len(body)), ("chunked", 4 * 1024 * 1024 + 1))

    def test_encodings(self):
        self.assertEqual(get("myip-utf16", "/myip")[2], '{"ip":"127.0.0.1"}'.encode("utf-16-le"))
        self.assertEqual(get("http-client", "/latin1")[2], b"caf\xe9")

    def test_close_without_reply(self):
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            get("myip-close", "/myip")

    def test_redirect_chain(self):
        path, hops = "/myip", 0
        while True:
            status, headers, _ = get("myip-redirect-6", path)
            if status != 302:
                break
            hops += 1
            self.assertTrue(headers["Location"].startswith("https://localhost:%d/myip?hop=" % ports()["myip-redirect-6"]))
            path = headers["Location"].split("%d" % ports()["myip-redirect-6"], 1)[1]
        self.assertEqual((hops, status), (6, 200))

    def test_sequence_then_last_repeats(self):
        replies = [get("http-client", "/sequence-selftest")[::2] for _ in range(3)]
        self.assertEqual(replies, [(503, b"first"), (200, b"second"), (200, b"second")])

    def test_untrusted_certificate_is_refused_and_recorded(self):
        with self.assertRaises(ssl.SSLCertVerificationError):
            get("myip-untrusted", "/myip")
        # The server side learns of the refusal on its connection thread, a moment later.
        for _ in range(100):
            if records("myip-untrusted"):
                break
            time.sleep(0.02)
        self.assertEqual(records("myip-untrusted")[-1]["event"], "handshake-failed")
        context = ssl.create_default_context(cafile=os.path.join(CERT_DIR, "untrusted.crt"))
        conn = http.client.HTTPSConnection("localhost", ports()["myip-untrusted"], context=context, timeout=30)
        conn.request("GET", "/myip")
        self.assertEqual(conn.getresponse().status, 200)
        conn.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
