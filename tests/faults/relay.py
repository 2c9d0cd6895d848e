#!/usr/bin/env python3
"""Puts stand-in sites on the fixed ports a build was made for, one turn per connection.

    relay.py RUN_DIR CERT_DIR PORT=TURN[,TURN...] [PORT=...]

Connection n to PORT gets turn n (the last one repeats). A turn is
    SITE        relay the connection to that stand-in site (RUN_DIR/ports.txt names its port)
    reset       take the client's first bytes, then reset the connection (RST)
    drip:N      answer the TLS handshake itself (CERT_DIR/localhost.crt) and a request with
                headers for a 1,000-byte body, then one byte a second for N seconds, then close
Every connection is logged to RUN_DIR/relay.log as "PORT n TURN". Writes RUN_DIR/relay.pid,
then RUN_DIR/relay.ready once every port listens; ends on SIGTERM.
"""

import os
import signal
import socket
import ssl
import struct
import sys
import threading
import time

lock = threading.Lock()


def log(run_dir, line):
    with lock, open(os.path.join(run_dir, "relay.log"), "a", encoding="utf-8") as f:
        f.write(line + "\n")


def pipe(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    finally:
        try:
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def relay(client, port):
    try:
        upstream = socket.create_connection(("127.0.0.1", port))
    except OSError:
        client.close()
        return
    for a, b in ((client, upstream), (upstream, client)):
        threading.Thread(target=pipe, args=(a, b), daemon=True).start()


def reset(client):
    client.settimeout(5)
    try:
        client.recv(4096)
    except OSError:
        pass
    client.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    client.close()


def drip(client, context, seconds):
    try:
        client.settimeout(30)
        tls = context.wrap_socket(client, server_side=True)
        request = b""
        while b"\r\n\r\n" not in request:
            data = tls.recv(4096)
            if not data:
                return
            request += data
        tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 1000\r\n\r\n")
        body = b'{"ip":"10.78.0.5"}'.ljust(1000)
        for i in range(seconds):
            tls.sendall(body[i : i + 1])
            time.sleep(1)
        tls.close()
    except OSError:
        client.close()


def serve(run_dir, listener, port, turns, sites, context):
    n = 0
    while True:
        client, _ = listener.accept()
        turn = turns[min(n, len(turns) - 1)]
        n += 1
        log(run_dir, "%d %d %s" % (port, n, turn))
        if turn == "reset":
            threading.Thread(target=reset, args=(client,), daemon=True).start()
        elif turn.startswith("drip:"):
            threading.Thread(target=drip, args=(client, context, int(turn[5:])), daemon=True).start()
        else:
            relay(client, sites[turn])


def main():
    run_dir, cert_dir, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
    with open(os.path.join(run_dir, "ports.txt"), encoding="utf-8") as f:
        sites = {name: int(p) for name, p in (line.split() for line in f if line.strip())}
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(cert_dir, "localhost.crt"), os.path.join(cert_dir, "localhost.key"))
    with open(os.path.join(run_dir, "relay.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    for pair in pairs:
        port, spec = pair.split("=", 1)
        turns = spec.split(",")
        for turn in turns:
            if turn != "reset" and not turn.startswith("drip:") and turn not in sites:
                sys.exit("relay: the stand-in serves no site %r" % turn)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port)))
        listener.listen(16)
        threading.Thread(target=serve, args=(run_dir, listener, int(port), turns, sites, context), daemon=True).start()
    open(os.path.join(run_dir, "relay.ready"), "w").close()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
