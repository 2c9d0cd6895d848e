#!/usr/bin/env python3
"""Puts stand-in sites on the fixed ports that a build was made for.

The stand-in gives every site a free port of its own; swiftlane.exe has its service hosts
built in (localhost:48401 and so on). This relays each fixed port to its site's port.

    forward.py RUN_DIR PORT=SITE [PORT=SITE ...]

RUN_DIR is the stand-in's run directory (its ports.txt names the sites' ports). Writes
RUN_DIR/forward.pid, then RUN_DIR/forward.ready once every port listens; ends on SIGTERM.
"""

import os
import signal
import socket
import sys
import threading


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
        # Pass the end of one direction on; the other direction finishes by itself.
        try:
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def serve(listener, target):
    while True:
        client, _ = listener.accept()
        try:
            upstream = socket.create_connection(("127.0.0.1", target))
        except OSError:
            client.close()  # the site is gone: the client sees a closed connection
            continue
        for a, b in ((client, upstream), (upstream, client)):
            threading.Thread(target=pipe, args=(a, b), daemon=True).start()


def main():
    run_dir, pairs = sys.argv[1], sys.argv[2:]
    with open(os.path.join(run_dir, "ports.txt"), encoding="utf-8") as f:
        ports = dict(line.split() for line in f if line.strip())
    with open(os.path.join(run_dir, "forward.pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    for pair in pairs:
        port, site = pair.split("=", 1)
        if site not in ports:
            sys.exit("forward: the stand-in serves no site %r" % site)
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port)))
        listener.listen(16)
        threading.Thread(target=serve, args=(listener, int(ports[site])), daemon=True).start()
    open(os.path.join(run_dir, "forward.ready"), "w").close()
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait()


if __name__ == "__main__":
    main()
