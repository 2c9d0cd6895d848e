#!/usr/bin/env python3
"""Swiftlane against a bare Win32 window, side by side under the same Wine and X server.

Run through bench/run.sh, which starts the build's wineserver and an X display, then:

    bench.py BUILD_DIR [--pairs N] [--idle-rounds N] [--idle-seconds S] [--settle-ms MS]

A is swiftlane.exe, B is bench/bare_window.exe of the same build tree. Every measurement is
taken A, B, A, B, ... so that the noise of a shared machine falls on both alike; each
figure is printed with median, min and max of A and of B, and the ratio A/B pair by pair.

  start    process start (launch of "wine PROGRAM") to the main window's X MapNotify, read
           from an X event wait (xev on the root window), with the wineserver already up;
           and CreateProcess to a visible window as mem_report.exe sees it inside Wine
  memory   /proc/PID/status of the Wine process once the window is up and the update check
           is over (VmHWM peak resident, VmRSS, RssAnon private resident), and
           GetProcessMemoryInfo (PeakWorkingSetSize, PrivateUsage, PeakPagefileUsage)
  size     swiftlane.exe as built, and stripped, and the DLLs it imports
  idle     utime+stime from /proc/PID/stat and the context switches of all its threads over
           a quiet period on the home page and on the configuration page

The update service of the build (SWIFTLANE_UPDATE_HOST=localhost:PORT) is answered at once
by a small HTTPS responder here, with the build's test certificate, so that the update
check is over before idle is measured. Python standard library only.
"""

import argparse
import ctypes
import http.server
import os
import queue
import re
import shutil
import signal
import socketserver
import ssl
import statistics
import subprocess
import sys
import tempfile
import threading
import time

CLK_TCK = os.sysconf("SC_CLK_TCK")


# ---- the update service, answered at once ---------------------------------------------------
class ServiceHandler(http.server.BaseHTTPRequestHandler):
    """The update check gets an empty reply, the public-address probe the bed's address."""
    requests = {}
    address = "127.0.0.1"

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        ServiceHandler.requests[path] = ServiceHandler.requests.get(path, 0) + 1
        body = b"{}" if path != "/myip" else ('{"ip":"%s"}' % ServiceHandler.address).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def update_requests():
    return ServiceHandler.requests.get("/api.init.php", 0)


class ThreadingHTTPServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def start_services(build):
    """HTTPS on the update and public-address ports of the build, with its test certificate."""
    cache = open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8").read()
    certs = os.path.join(build, "test-ca")
    if not os.path.isfile(os.path.join(certs, "localhost.crt")):
        return [], "no test CA in %s" % certs
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(os.path.join(certs, "localhost.crt"), os.path.join(certs, "localhost.key"))
    servers, notes = [], []
    for var in ("SWIFTLANE_UPDATE_HOST", "SWIFTLANE_MYIP_HOST"):
        m = re.search(r"^%s:\w+=localhost:(\d+)$" % var, cache, re.M)
        if not m:
            notes.append("%s is not localhost:PORT" % var)
            continue
        server = ThreadingHTTPServer(("127.0.0.1", int(m.group(1))), ServiceHandler)
        server.socket = ctx.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        servers.append(server)
        notes.append("%s localhost:%s answers at once" % (var, m.group(1)))
    return servers, ", ".join(notes)


# ---- X: when a top-level window is mapped ------------------------------------------------
class MapWatch:
    """xev on the root window: every MapNotify of a top-level window, with the time it was read."""

    def __init__(self):
        self.proc = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.events = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        time.sleep(0.5)  # xev selects its events before the first launch

    def _read(self):
        stamp = None
        for line in self.proc.stdout:
            if line.startswith("MapNotify event"):
                stamp = time.monotonic()
            elif stamp is not None:
                m = re.search(r"window (0x[0-9a-f]+), override (\w+)", line)
                if m and m.group(2) == "NO":
                    self.events.put((stamp, int(m.group(1), 16)))
                stamp = None

    def drain(self):
        while not self.events.empty():
            self.events.get_nowait()

    def wait(self, after, timeout=60):
        end = time.monotonic() + timeout
        while True:
            left = end - time.monotonic()
            if left <= 0:
                raise RuntimeError("no window was mapped")
            stamp, win = self.events.get(timeout=left)
            if stamp >= after:
                return stamp, win

    def stop(self):
        self.proc.terminate()


def window_class(win):
    out = subprocess.run(["xprop", "-id", str(win), "WM_CLASS"], capture_output=True, text=True).stdout
    return out.split("=", 1)[-1].strip()


def window_origin(win):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(win)], capture_output=True,
                         text=True).stdout
    v = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])


class Pixels:
    """Reads single screen pixels through Xlib (ctypes), fast enough to poll every 2 ms."""

    def __init__(self):
        x = ctypes.cdll.LoadLibrary("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XGetPixel.restype = ctypes.c_ulong
        x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.c_void_p]
        x.XFlush.argtypes = [ctypes.c_void_p]
        t = ctypes.cdll.LoadLibrary("libXtst.so.6")
        t.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        t.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                           ctypes.c_ulong]
        self.t = t
        self.x = x
        self.dpy = x.XOpenDisplay(None)
        if not self.dpy:
            raise RuntimeError("cannot open the X display")
        self.root = x.XDefaultRootWindow(self.dpy)

    def click(self, px, py, away):
        """Clicks at px,py and parks the pointer at away (hot tracking changes the look);
        returns the time the button's release went out."""
        self.t.XTestFakeMotionEvent(self.dpy, -1, px, py, 0)
        self.x.XFlush(self.dpy)
        time.sleep(0.1)
        self.t.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        self.t.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        self.x.XFlush(self.dpy)
        t0 = time.monotonic()
        self.t.XTestFakeMotionEvent(self.dpy, -1, away[0], away[1], 0)
        self.x.XFlush(self.dpy)
        return t0

    def rgb(self, px, py, w=1):
        img = self.x.XGetImage(self.dpy, self.root, px, py, w, 1, 0xFFFFFFFF, 2)  # ZPixmap
        out = []
        for i in range(w):
            v = self.x.XGetPixel(img, i, 0)
            out.append(((v >> 16) & 255, (v >> 8) & 255, v & 255))
        self.x.XDestroyImage(img)
        return out


def button_state(pixels, ox, oy):
    """The start button as drawn: "running" (face accent blue), "busy" (white face, grey
    outline) or "idle" (white face, accent outline)."""
    r, g, b = pixels.rgb(ox + 190, oy + 330)[0]
    if b - r > 100:
        return "running"
    if min(r, g, b) < 240:
        return "other"
    # The darkest pixel of a short run across the left edge is the drawn line.
    line = min(pixels.rgb(ox + 174, oy + 348, 6), key=sum)
    return "idle" if line[2] - line[0] > 100 else "busy"


def wait_state(pixels, ox, oy, want, timeout=60, leave=False):
    """Polls the button until it shows want (leave: anything but want); returns that time
    and the states seen before."""
    end_at = time.monotonic() + timeout
    seen = []
    while time.monotonic() < end_at:
        state = button_state(pixels, ox, oy)
        if (state != want) if leave else (state == want):
            return time.monotonic(), seen
        if not seen or seen[-1] != state:
            seen.append(state)
        time.sleep(0.002)
    raise RuntimeError("the start button did not show %s (seen: %s)" % (want, " ".join(seen)))


def quiet_wine(*args):
    return subprocess.run(["wine"] + list(args), stdin=subprocess.DEVNULL, capture_output=True,
                          text=True).stdout.replace("\r", "")


def stored_status():
    out = quiet_wine("reg", "query", "HKCU\\Software\\Swiftlane", "/v", "status")
    m = re.search(r"status\s+REG_\w+\s+(\S+)", out)
    return m.group(1) if m else "absent"


def main_road(a, watch, cycles):
    """Run and Stop clicked on swiftlane.exe, timed from the click to the button's new face."""
    quiet_wine("reg", "delete", "HKCU\\Software\\Swiftlane", "/f")
    pixels = Pixels()
    run_fig, stop_fig = [], []
    p, _, win = launch(a, watch)
    try:
        time.sleep(2)
        ox, oy, _, _ = window_origin(win)
        wait_state(pixels, ox, oy, "idle", 10)
        for i in range(cycles):
            for label, want, fig in (("Run", "running", run_fig), ("Stop", "idle", stop_fig)):
                probes = ServiceHandler.requests.get("/myip", 0)
                t0 = pixels.click(ox + 257, oy + 348, (ox + 480, oy + 410))
                # The pointer leaves the button only as the click goes out, so the first
                # polls may still see it hot; the road is over at the first wanted face after
                # the busy one.
                try:
                    busy, before = wait_state(pixels, ox, oy, "busy", 20)
                    ready, _ = wait_state(pixels, ox, oy, "busy", 60, leave=True)
                    done, after = wait_state(pixels, ox, oy, want, 60)
                except RuntimeError:
                    subprocess.run(["import", "-window", "root", "/tmp/swl-bench-road.png"])
                    raise
                fig.append(((ready - t0) * 1000.0, (done - t0) * 1000.0))
                status = stored_status()
                print("  %s %d: busy after %.0f ms, busy over after %.0f ms, %s after %.0f ms (seen: %s busy %s);"
                      " probes of /myip %d; stored status %s"
                      % (label, i + 1, (busy - t0) * 1000.0, (ready - t0) * 1000.0, want, (done - t0) * 1000.0,
                                             " ".join(before), " ".join(after),
                                             ServiceHandler.requests.get("/myip", 0) - probes, status), flush=True)
                time.sleep(1)
    finally:
        end(p)
    return run_fig, stop_fig


# ---- /proc of a Wine process ------------------------------------------------------------
def proc_status(pid):
    out = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            k, _, v = line.partition(":")
            out[k] = v.strip()
    return out


def kib(status, key):
    return int(status[key].split()[0]) * 1024


def cpu_ms(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15; after the name, field 3 is index 0.
    return (int(fields[11]) + int(fields[12])) * 1000.0 / CLK_TCK


def switches(pid):
    total = 0
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            s = proc_status_path("/proc/%d/task/%s/status" % (pid, tid))
        except OSError:
            continue
        total += int(s["voluntary_ctxt_switches"]) + int(s["nonvoluntary_ctxt_switches"])
    return total


def threads(pid):
    return len(os.listdir("/proc/%d/task" % pid))


def proc_status_path(path):
    out = {}
    with open(path) as f:
        for line in f:
            k, _, v = line.partition(":")
            out[k] = v.strip()
    return out


# ---- programs -----------------------------------------------------------------------------
class Program:
    def __init__(self, label, exe):
        self.label = label
        self.exe = exe
        self.name = os.path.basename(exe)

    def win_path(self):
        return "Z:" + self.exe.replace("/", "\\")


def launch(prog, watch):
    """Starts the program; returns (process, seconds to its window mapped, X window)."""
    watch.drain()
    t0 = time.monotonic()
    p = subprocess.Popen(["wine", prog.exe], cwd=os.path.dirname(prog.exe), stdin=subprocess.DEVNULL,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stamp, win = watch.wait(t0)
    return p, stamp - t0, win


def end(p):
    if p.poll() is None:
        p.terminate()
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def settle_update(before, seconds):
    """Waits until the update service has been asked once more than before, then a little."""
    end_at = time.monotonic() + seconds
    while update_requests() <= before and time.monotonic() < end_at:
        time.sleep(0.05)
    time.sleep(0.5)
    return update_requests() > before


def mem_report(helper, prog, settle_ms):
    out = subprocess.run(["wine", helper, str(settle_ms), prog.win_path()], stdin=subprocess.DEVNULL,
                         capture_output=True, text=True, timeout=120).stdout
    vals = dict(line.strip().split("=", 1) for line in out.splitlines() if "=" in line)
    if "PeakWorkingSetSize" not in vals:
        raise RuntimeError("mem_report gave no counters for %s: %r" % (prog.name, out))
    return {k: float(v) for k, v in vals.items()}


# ---- figures ------------------------------------------------------------------------------
class Figure:
    def __init__(self, name, unit, scale=1.0, fmt="%.1f"):
        self.name, self.unit, self.scale, self.fmt = name, unit, scale, fmt
        self.a, self.b = [], []

    def add(self, a, b):
        self.a.append(a / self.scale)
        self.b.append(b / self.scale)

    def ratios(self):
        return [x / y for x, y in zip(self.a, self.b) if y]

    def line(self):
        f = self.fmt
        r = self.ratios()
        # A ratio over a zero baseline means nothing (idle CPU of 0 ticks, a counter Wine leaves at 0).
        rs = "A/B med %.3f min %.3f max %.3f" % (statistics.median(r), min(r), max(r)) if r else "A/B n/a"
        return ("%-44s A med %s min %s max %s | B med %s min %s max %s %s | %s"
                % (self.name, f % statistics.median(self.a), f % min(self.a), f % max(self.a),
                   f % statistics.median(self.b), f % min(self.b), f % max(self.b), self.unit, rs))

    def pairs(self):
        f = self.fmt
        return "    pairs A/B: " + "  ".join("%s/%s=%s" % (f % x, f % y, "%.3f" % (x / y) if y else "n/a")
                                             for x, y in zip(self.a, self.b))


def show(fig):
    print(fig.line())
    print(fig.pairs())


def size_report(build):
    exe = os.path.join(build, "swiftlane.exe")
    size = os.path.getsize(exe)
    heads = subprocess.run(["x86_64-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True).stdout
    debug = [l.split()[1] for l in heads.splitlines() if re.match(r"\s*\d+\s+\.debug", l)]
    with tempfile.TemporaryDirectory() as d:
        stripped = os.path.join(d, "swiftlane.exe")
        subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, exe], check=True)
        ssize = os.path.getsize(stripped)
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout
    dlls = sorted(set(re.findall(r"DLL Name: (\S+)", dump)), key=str.lower)
    mib = 1024 * 1024
    print("size of %s" % exe)
    print("  as built: %d bytes (%.3f MiB), debug sections: %s" % (size, size / mib, " ".join(debug) or "none"))
    print("  stripped (x86_64-w64-mingw32-strip): %d bytes (%.3f MiB)" % (ssize, ssize / mib))
    print("  imports: %s" % " ".join(dlls))
    return size, ssize


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--pairs", type=int, default=12)
    ap.add_argument("--idle-rounds", type=int, default=3)
    ap.add_argument("--idle-seconds", type=float, default=30.0)
    ap.add_argument("--settle-ms", type=int, default=3000)
    ap.add_argument("--road", type=int, default=0, help="Run/Stop cycles (in the network bed)")
    ap.add_argument("--address", default="127.0.0.1", help="the address the public-address probe answers")
    args = ap.parse_args()
    build = os.path.abspath(args.build)

    print("== Swiftlane benchmark, %s, build %s" % (time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime()), build))
    print("   wine %s, load average %s" % (subprocess.run(["wine", "--version"], capture_output=True,
                                                           text=True).stdout.strip(),
                                          open("/proc/loadavg").read().split()[:3]))
    size_report(build)

    # Each program runs from a directory of its own, alone: nothing beside it.
    tmp = tempfile.mkdtemp(prefix="swl-bench-")
    progs = []
    for label, src in (("A", os.path.join(build, "swiftlane.exe")),
                       ("B", os.path.join(build, "bench", "bare_window.exe"))):
        d = os.path.join(tmp, label)
        os.makedirs(d)
        shutil.copy2(src, d)
        progs.append(Program(label, os.path.join(d, os.path.basename(src))))
    a, b = progs
    helper = os.path.join(build, "bench", "mem_report.exe")

    ServiceHandler.address = args.address
    servers, note = start_services(build)
    print("services: %s" % note)
    update_wait = 5 if servers else 65  # without an answer the check retries for 60 s

    # The run keeps the server it finds (run.sh starts it); inside a fresh namespace this
    # starts it, before the first launch is timed.
    subprocess.run(["wineserver", "-p"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "cmd", "/c", "exit"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    watch = MapWatch()
    running = []
    try:
        start = Figure("start: launch to window mapped (X)", "ms", 1e-3)
        start_in = Figure("start: CreateProcess to visible (in Wine)", "ms", 1.0)
        hwm = Figure("memory: VmHWM peak resident", "MiB", 1 << 20, "%.2f")
        rss = Figure("memory: VmRSS resident", "MiB", 1 << 20, "%.2f")
        anon = Figure("memory: RssAnon private resident", "MiB", 1 << 20, "%.2f")
        peak_ws = Figure("memory: PeakWorkingSetSize", "MiB", 1 << 20, "%.2f")
        private = Figure("memory: PrivateUsage", "MiB", 1 << 20, "%.2f")
        peak_pf = Figure("memory: PeakPagefileUsage", "MiB", 1 << 20, "%.2f")
        nthreads = Figure("threads once settled", "", 1.0, "%.0f")

        # One launch of each first, not counted: the files are read from disk once.
        for prog in (a, b):
            p, _, _ = launch(prog, watch)
            time.sleep(1)
            end(p)

        print("\n== start and memory: %d pairs, A then B, each alone" % args.pairs)
        for i in range(args.pairs):
            row = {}
            for prog in (a, b):
                before = update_requests()
                p, secs, win = launch(prog, watch)
                running.append(p)
                cls = window_class(win)
                if prog.name not in cls:
                    raise RuntimeError("the window mapped was %s, not %s's" % (cls, prog.name))
                if prog is a:
                    settle_update(before, update_wait)
                time.sleep(args.settle_ms / 1000.0)
                st = proc_status(p.pid)
                row[prog.label] = (secs, kib(st, "VmHWM"), kib(st, "VmRSS"), kib(st, "RssAnon"), threads(p.pid))
                end(p)
                running.remove(p)
            start.add(row["A"][0], row["B"][0])
            hwm.add(row["A"][1], row["B"][1])
            rss.add(row["A"][2], row["B"][2])
            anon.add(row["A"][3], row["B"][3])
            nthreads.add(row["A"][4], row["B"][4])
            got = {}
            for prog in (a, b):
                got[prog.label] = mem_report(helper, prog, args.settle_ms + (1000 if prog is a else 0))
            start_in.add(got["A"]["window_ms"], got["B"]["window_ms"])
            peak_ws.add(got["A"]["PeakWorkingSetSize"], got["B"]["PeakWorkingSetSize"])
            private.add(got["A"]["PrivateUsage"], got["B"]["PrivateUsage"])
            peak_pf.add(got["A"]["PeakPagefileUsage"], got["B"]["PeakPagefileUsage"])
            print("  pair %2d: start %.1f / %.1f ms, VmHWM %.2f / %.2f MiB, PeakWorkingSet %.2f / %.2f MiB"
                  % (i + 1, row["A"][0] * 1e3, row["B"][0] * 1e3, row["A"][1] / 2**20, row["B"][1] / 2**20,
                     got["A"]["PeakWorkingSetSize"] / 2**20, got["B"]["PeakWorkingSetSize"] / 2**20), flush=True)

        print("\n== idle: %d rounds, A and B running together, %.0f s each page" % (args.idle_rounds,
                                                                                   args.idle_seconds))
        idle_home = Figure("idle CPU, home page (A) vs bare (B)", "ms", 1.0)
        idle_conf = Figure("idle CPU, config page (A) vs bare (B)", "ms", 1.0)
        wake_home = Figure("idle context switches, home page", "", 1.0, "%.0f")
        wake_conf = Figure("idle context switches, config page", "", 1.0, "%.0f")
        for i in range(args.idle_rounds):
            before = update_requests()
            pa, _, wa = launch(a, watch)
            running.append(pa)
            pb, _, _ = launch(b, watch)
            running.append(pb)
            asked = settle_update(before, update_wait)
            time.sleep(2)

            def quiet():
                c0 = (cpu_ms(pa.pid), cpu_ms(pb.pid), switches(pa.pid), switches(pb.pid))
                time.sleep(args.idle_seconds)
                c1 = (cpu_ms(pa.pid), cpu_ms(pb.pid), switches(pa.pid), switches(pb.pid))
                return [y - x for x, y in zip(c0, c1)]

            home = quiet()
            x, y, _, _ = window_origin(wa)
            subprocess.run(["xdotool", "mousemove", str(x + 115), str(y + 25), "click", "1"], check=True)
            time.sleep(1)
            subprocess.run(["xdotool", "mousemove", str(x + 480), str(y + 410)], check=True)
            time.sleep(1)
            conf = quiet()
            idle_home.add(home[0], home[1])
            wake_home.add(home[2], home[3])
            idle_conf.add(conf[0], conf[1])
            wake_conf.add(conf[2], conf[3])
            print("  round %d (update check answered: %s): home %.0f ms / %d switches, config %.0f ms / %d switches;"
                  " bare %.0f ms / %d, %.0f ms / %d" % (i + 1, "yes" if asked else "no", home[0], home[2], conf[0],
                                                      conf[2], home[1], home[3], conf[1], conf[3]), flush=True)
            end(pa)
            running.remove(pa)
            end(pb)
            running.remove(pb)

        road = None
        if args.road:
            print("\n== main road: %d times Run then Stop, the public-address probe answered at once" % args.road)
            road = main_road(a, watch, args.road)

        print("\n== summary (A = swiftlane.exe, B = bare_window.exe)")
        for fig in (start, start_in, hwm, rss, anon, peak_ws, private, peak_pf, nthreads):
            show(fig)
        core = args.idle_seconds * 1000.0
        for fig in (idle_home, idle_conf, wake_home, wake_conf) if args.idle_rounds else ():
            show(fig)
        if args.idle_rounds:
            print("idle share of one core, A: home %.3f %% (max %.3f %%), config %.3f %% (max %.3f %%)"
                  % (100 * statistics.median(idle_home.a) / core, 100 * max(idle_home.a) / core,
                     100 * statistics.median(idle_conf.a) / core, 100 * max(idle_conf.a) / core))
        if road:
            for name, v in (("Run: click to busy over", [x[0] for x in road[0]]),
                            ("Run: click to Running face", [x[1] for x in road[0]]),
                            ("Stop: click to busy over", [x[0] for x in road[1]]),
                            ("Stop: click to idle face", [x[1] for x in road[1]])):
                print("%-44s med %.0f min %.0f max %.0f ms  (%s)" % (name, statistics.median(v), min(v), max(v),
                                                                  " ".join("%.0f" % x for x in v)))
    finally:
        for p in running:
            end(p)
        watch.stop()
        for server in servers:
            server.shutdown()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
