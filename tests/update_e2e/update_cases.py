#!/usr/bin/env python3
"""The update check end to end: the real swiftlane.exe under Wine, one fresh start per case.

Stand-in sites (tests/standin) answer on the fixed ports the build names for its update
and public-address services, through tests/e2e/forward.py. A stand-in browser (open_log.exe)
registered in the prefix for http and https records what the shell opened; windows_probe.exe
reads back the notice (caption, buttons, check box) and whether the main window answers.
Runs through wine-run.sh --env on an X display.
usage: update_cases.py <swiftlane.exe> <open_log.exe> <windows_probe.exe>
"""
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

WINE = os.environ.get("WINE", "wine")
SOURCE = os.environ.get("SWIFTLANE_SOURCE_DIR", "")
BINARY = os.environ.get("SWIFTLANE_BINARY_DIR", "")
PREFIX = os.environ.get("WINEPREFIX", "")
LOCALES = {"ko": "ko_KR.UTF-8", "en": "en_US.UTF-8", "ja": "ja_JP.UTF-8", "de": "de_DE.UTF-8"}
# Buttons and caption of the notice per interface language; the caption is the main
# window's title through the catalogue.
NOTICE = {
    "ko": ("예", "아니오", "스위프트레인"),
    "en": ("Yes", "No", "Swiftlane"),
    "ja": ("はい", "いいえ", "スウィフトレーン"),
    "de": ("Ja", "Nein", "Swiftlane"),
}
IDYES, IDNO, HOLD_BOX_ID = 6, 7, 101  # the notice's control ids
DOWNLOAD = "https://localhost:48404/download/swiftlane-setup.exe?from=1.5.7.0&lang=x"
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def quiet(cmd, **kw):
    # Into files, not pipes: Wine's helper processes would inherit a pipe and hold it open.
    with tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as f:
        rc = subprocess.run(cmd, stdout=f, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, **kw).returncode
        f.seek(0)
        return rc, f.read().replace("\r", "")


def reg_default(key):
    rc, out = quiet([WINE, "reg", "query", key, "/ve"])
    m = re.search(r"REG_(?:EXPAND_)?SZ\s+(.*\S)", out)
    return m.group(1) if rc == 0 and m else None


def build_port(name):
    try:
        text = open(os.path.join(BINARY, "CMakeCache.txt"), encoding="utf-8").read()
    except OSError:
        return None
    m = re.search(r"^" + name + r":[A-Z]*=localhost:(\d+)$", text, re.M)
    return int(m.group(1)) if m else None


def port_free(port):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("127.0.0.1", port))
        return True
    except OSError:
        return False
    finally:
        s.close()


def wait_for(seconds, fn, step=0.1):
    end = time.time() + seconds
    while True:
        value = fn()
        if value or time.time() >= end:
            return value
        time.sleep(step)


class Bed:
    """The stand-in, the relay on the fixed ports, the browser and the probe."""

    def __init__(self, work, exe, open_log, probe, update_port, myip_port):
        self.work, self.exe, self.probe = work, exe, probe
        self.update_port, self.myip_port = update_port, myip_port
        self.run = os.path.join(work, "standin")
        self.relay = None
        self.app = None
        self.browser_dir = os.path.join(PREFIX, "drive_c", "update-e2e")
        os.makedirs(self.browser_dir, exist_ok=True)
        shutil.copy(open_log, os.path.join(self.browser_dir, "open_log.exe"))
        self.opened_log = os.path.join(self.browser_dir, "opened.log")
        self.probe_out = os.path.join(work, "probe.txt")
        self.probe_out_win = quiet(["winepath", "-w", self.probe_out])[1].strip()
        self.saved = {}

    # ---- the stand-in browser ----
    def register_browser(self):
        command = '"C:\\update-e2e\\open_log.exe" "%1"'
        for scheme in ("http", "https"):
            for root in ("HKLM", "HKCU"):
                key = f"{root}\\Software\\Classes\\{scheme}\\shell\\open\\command"
                self.saved[key] = reg_default(key)
                quiet([WINE, "reg", "add", key, "/ve", "/d", command, "/f"])
                check(reg_default(key) == command, f"{key} opens with the stand-in browser")

    def restore_browser(self):
        for key, value in self.saved.items():
            if value is None:
                quiet([WINE, "reg", "delete", key, "/f"])
            else:
                quiet([WINE, "reg", "add", key, "/ve", "/d", value, "/f"])

    def opened(self):
        try:
            with open(self.opened_log, encoding="utf-8") as f:
                return f.read().splitlines()
        except OSError:
            return []

    # ---- services ----
    def start_standin(self, sites):
        path = os.path.join(self.work, "sites.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(sites, f)
        quiet(["bash", os.path.join(SOURCE, "tests/standin/standin-ctl.sh"), "start", self.run, path])
        return os.path.exists(os.path.join(self.run, "ports.txt"))

    def stop_standin(self):
        quiet(["bash", os.path.join(SOURCE, "tests/standin/standin-ctl.sh"), "stop", self.run])

    def start_relay(self, site):
        for name in ("forward.ready", "forward.pid"):
            if os.path.exists(os.path.join(self.run, name)):
                os.remove(os.path.join(self.run, name))
        # Another run on this machine may hold the fixed ports for a while.
        if not wait_for(120, lambda: port_free(self.update_port) and port_free(self.myip_port), 0.5):
            return False
        self.relay = subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "tests/e2e/forward.py"), self.run,
             f"{self.update_port}={site}", f"{self.myip_port}=update-e2e-myip"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return wait_for(10, lambda: os.path.exists(os.path.join(self.run, "forward.ready")))

    def stop_relay(self):
        if self.relay:
            self.relay.terminate()
            try:
                self.relay.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.relay.kill()
            self.relay = None

    def requests(self, site, since=0):
        """The site's requests, after the first `since` records of the whole log."""
        try:
            with open(os.path.join(self.run, "requests.jsonl"), encoding="utf-8") as f:
                records = [json.loads(line) for line in f if line.strip()]
        except OSError:
            return []
        return [r for r in records[since:] if r.get("site") == site and r.get("event") == "request"]

    def log_length(self):
        try:
            with open(os.path.join(self.run, "requests.jsonl"), encoding="utf-8") as f:
                return sum(1 for line in f if line.strip())
        except OSError:
            return 0

    # ---- the program ----
    def start_app(self, lang):
        env = dict(os.environ, LC_ALL=LOCALES[lang], LANG=LOCALES[lang])
        # Wine rewrites the font links when the code page changes: set them under this locale.
        quiet(["bash", os.path.join(SOURCE, "tests/harness/prefix.d/30-fonts.sh")], env=env)
        self.log = open(os.path.join(self.work, "swiftlane.log"), "a")
        self.app = subprocess.Popen([WINE, self.exe], env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                    stderr=subprocess.STDOUT)

    def app_exit(self, timeout):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def close_app(self):
        """Asks the window to close, as its close box would; the exit code, or None."""
        if self.app is None:
            return None
        rc = self.app.poll()
        if rc is None:
            quiet([WINE, "taskkill", "/im", "swiftlane.exe"])
            rc = self.app_exit(20)
        if rc is None:
            quiet([WINE, "taskkill", "/f", "/im", "swiftlane.exe"])
            self.app_exit(10)
        self.app = None
        self.log.close()
        return rc

    def windows(self):
        """The program's top-level windows: dicts with class, rect, caption, and for the
        notice its default button and controls."""
        if os.path.exists(self.probe_out):
            os.remove(self.probe_out)
        quiet([WINE, self.probe, self.probe_out_win])
        try:
            text = open(self.probe_out, encoding="utf-8").read()
        except OSError:
            return []
        out = []
        for line in text.splitlines():
            if line.startswith("window "):
                m = re.match(r"window (\S+) (-?\d+) (-?\d+) (\d+) (\d+) client (-?\d+) (-?\d+) (\d+) (\d+) "
                             r"topmost=(\d) responsive=(\d) caption=(.*)$", line)
                if m:
                    out.append({"class": m[1], "rect": tuple(int(v) for v in m.groups()[1:5]),
                                "client": tuple(int(v) for v in m.groups()[5:9]),
                                "topmost": m[10] == "1", "responsive": m[11] == "1", "caption": m[12],
                                "controls": []})
            elif line.startswith("defid ") and out:
                out[-1]["defid"] = int(line.split()[1])
            elif line.startswith("control ") and out:
                m = re.match(r"control (-?\d+) (\S+) (-?\d+) (-?\d+) (\d+) (\d+) checked=(\d+) visible=(\d) text=(.*)$", line)
                if m:
                    out[-1]["controls"].append({"id": int(m[1]), "class": m[2],
                                                "rect": tuple(int(v) for v in m.groups()[2:6]),
                                                "checked": int(m[7]), "visible": m[8] == "1", "text": m[9]})
        return out

    def notice(self):
        return next((w for w in self.windows() if w["class"] == "#32770"), None)

    def main_window(self):
        return next((w for w in self.windows() if w["class"] != "#32770"), None)


def click(rect):
    x, y, w, h = rect
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=False)


def control(notice, ident):
    return next((c for c in notice["controls"] if c["id"] == ident), None)


def screenshot(rect, path):
    x, y, w, h = rect
    subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Dark pixels on a white face: the message was drawn.
    out = subprocess.run(["convert", path, "-colorspace", "Gray", "-format", "%[fx:minima] %[fx:mean]", "info:"],
                         capture_output=True, text=True).stdout.split()
    return [float(v) for v in out] if len(out) == 2 else None


CUSTOM = ("User-Version", "User-Language", "User-Debug", "User-Union", "User-Command")


def headers_of(request):
    """The program's own headers, in the order they were sent."""
    return [tuple(h) for h in request["headers"] if h[0] in CUSTOM]


def tuid():
    rc, out = quiet([WINE, "reg", "query", "HKCU\\Software\\Tarnwick", "/v", "TUID"])
    m = re.search(r"TUID\s+REG_SZ\s+(\S+)", out)
    return m.group(1) if m else ""


JSON = [["Content-Type", "application/json"]]


def reply(body):
    # Compact: the program reads a value right after its key's '":"' marker.
    return {"headers": JSON, "body": json.dumps(body, ensure_ascii=False, separators=(",", ":"))}


SITES = {
    "update-e2e-myip": {"routes": {"/myip": reply({"ip": "127.0.0.1"})}},
    "update-e2e-none": {"routes": {"/api.init.php": reply({})}},
    "update-e2e-notice": {"routes": {"/api.init.php": reply({"update": DOWNLOAD})}},
    "update-e2e-hold": {"routes": {"/api.init.php": reply(
        {"update": DOWNLOAD, "info": {"style": "hold", "text": "Do not ask again", "flag": "", "url": ""}})}},
    "update-e2e-file-url": {"routes": {"/api.init.php": reply({"update": "file:///C:/update-e2e/open_log.exe"})}},
    "update-e2e-path": {"routes": {"/api.init.php": reply({"update": "C:\\update-e2e\\open_log.exe"})}},
    # Raw bodies: a \u escape without four hex digits, in the update value or in info.
    "update-e2e-bad-escape": {"routes": {"/api.init.php": {"headers": JSON,
                                                           "body": '{"update":"https://localhost:48404/\\u12"}'}}},
    "update-e2e-bad-info": {"routes": {"/api.init.php": {"headers": JSON, "body":
        '{"update":"' + DOWNLOAD + '","info":{"style":"hold","text":"\\uZZZZ"}}'}}},
    # Down for the first two attempts (the connection closes without a reply), then a notice.
    "update-e2e-late": {"routes": {"/api.init.php": [{"close": True}, {"close": True}, reply({"update": DOWNLOAD})]}},
}

# Interface language, site, and the answer to the notice, or None where no notice may show:
#   "enter" (Yes is the default), "yes"/"no" (clicked), "hold-no" (the box ticked, then No).
CASES = [
    ("en", "update-e2e-notice", "enter"),
    ("ko", "update-e2e-notice", "yes"),
    ("ja", "update-e2e-hold", "hold-no"),
    ("de", "update-e2e-notice", "no"),
    ("en", "update-e2e-none", None),
    ("en", "update-e2e-file-url", None),
    ("en", "update-e2e-path", None),
    ("en", "update-e2e-bad-escape", None),
    ("en", "update-e2e-bad-info", None),
    ("en", "update-e2e-late", "enter"),
]


def run_case(bed, shots, lang, site, answer):
    what = f"{site} [{lang}]"
    print(f"\n== {what}", flush=True)
    if os.path.exists(bed.opened_log):
        os.remove(bed.opened_log)
    if not check(bed.start_relay(site), f"{what}: relay on :{bed.update_port} and :{bed.myip_port}"):
        return
    since = bed.log_length()
    try:
        bed.start_app(lang)
        expected_requests = 3 if site == "update-e2e-late" else 1
        # When each request arrived, as seen by polling the log.
        arrivals = []
        for n in range(1, expected_requests + 1):
            if wait_for(30, lambda: len(bed.requests(site, since)) >= n, 0.02):
                arrivals.append(time.time())
        got = bed.requests(site, since) if len(arrivals) == expected_requests else []
        if not check(bool(got), f"{what}: {expected_requests} update request(s) arrived"):
            return
        first = got[-1]
        identity = tuid()
        check(re.fullmatch(r"[0-9A-F]{32}", identity) is not None, f"{what}: TUID in the prefix ({identity})")
        expected = [("User-Version", "1.5.7.0"), ("User-Language", lang), ("User-Debug", "false"),
                    ("User-Union", identity)]
        check(headers_of(first) == expected, f"{what}: the four headers in order ({headers_of(first)})")
        check(first["method"] == "GET" and first["path"] == "/api.init.php" and first.get("body", "") == "",
              f"{what}: GET /api.init.php without a body")

        if answer is None:
            # The reply is handled at once; give it time to show what it should not.
            time.sleep(3)
            check(bed.notice() is None, f"{what}: no notice")
            main = bed.main_window()
            check(main is not None and main["responsive"], f"{what}: the main window is there and answers")
            check(bed.app.poll() is None, f"{what}: the program keeps running")
            check(bed.opened() == [], f"{what}: nothing was opened ({bed.opened()})")
            check(len(bed.requests(site, since)) == 1, f"{what}: one request only")
            rc = bed.close_app()
            check(rc == 0, f"{what}: closed, exit code 0 (got {rc})")
            return

        notice = wait_for(20, bed.notice, 0.3)
        if not check(notice is not None, f"{what}: the notice is shown"):
            print(open(bed.probe_out, encoding="utf-8").read() if os.path.exists(bed.probe_out) else "(no probe output)")
            return
        yes_text, no_text, caption = NOTICE[lang]
        yes, no, box = control(notice, IDYES), control(notice, IDNO), control(notice, HOLD_BOX_ID)
        check(notice["caption"] == caption, f"{what}: notice caption {notice['caption']!r}")
        check(yes is not None and yes["text"] == yes_text and no is not None and no["text"] == no_text,
              f"{what}: buttons {[c['text'] for c in notice['controls'] if c['class'] == 'Button']}")
        check(notice.get("defid") == IDYES, f"{what}: Yes is the default button")
        check((box is not None) == (site == "update-e2e-hold"), f"{what}: hold check box only when asked for")
        if box:
            check(box["text"] == "Do not ask again" and box["checked"] == 0, f"{what}: the box, unticked")
        if site != "update-e2e-late":
            path = os.path.join(shots, f"notice-{lang}{'-hold' if box else ''}.png")
            stats = screenshot(notice["client"], path)
            check(stats is not None and stats[0] < 0.3 and stats[1] > 0.8,
                  f"{what}: screenshot {path} shows dark text on white ({stats})")
        if site == "update-e2e-late":
            gap = arrivals[-1] - arrivals[0]
            check(1.9 <= gap <= 8, f"{what}: the third attempt came {gap:.2f} s after the first (two 1-s waits)")

        if answer == "enter":
            subprocess.run(["xdotool", "key", "Return"], check=False)
        elif answer == "yes":
            click(yes["rect"])
        elif answer == "no":
            click(no["rect"])
        elif answer == "hold-no":
            click(box["rect"] if box else (0, 0, 1, 1))
            time.sleep(0.5)
            again = bed.notice()
            ticked = control(again, HOLD_BOX_ID) if again else None
            check(ticked is not None and ticked["checked"] == 1, f"{what}: the box is ticked")
            click(no["rect"])

        if answer in ("enter", "yes"):
            rc = bed.app_exit(20)
            check(rc == 0, f"{what}: the window closed, exit code 0 (got {rc})")
            bed.app = None if rc is not None else bed.app
            lines = wait_for(10, bed.opened)
            check(lines == [DOWNLOAD], f"{what}: the browser was asked for exactly the address ({lines})")
        else:
            holds = lambda: [r for r in bed.requests(site, since) if ("User-Command", "hold") in headers_of(r)]
            if answer == "hold-no":
                wait_for(10, holds)
                time.sleep(2)  # a second one would have come by now
            else:
                time.sleep(2)
            check(bed.notice() is None, f"{what}: the notice is gone")
            check(bed.app.poll() is None, f"{what}: No leaves the program running")
            sent = holds()
            if answer == "hold-no":
                check(len(sent) == 1, f"{what}: exactly one hold request (got {len(sent)})")
                if sent:
                    check(headers_of(sent[0]) == [("User-Version", "1.5.7.0"), ("User-Command", "hold")],
                          f"{what}: hold headers in order ({headers_of(sent[0])})")
                    check(sent[0]["method"] == "GET" and sent[0]["path"] == "/api.init.php",
                          f"{what}: hold goes to the service address")
            else:
                check(sent == [], f"{what}: no hold request")
            check(len(bed.requests(site, since)) == 1 + len(sent), f"{what}: no other request")
            check(bed.opened() == [], f"{what}: nothing was opened ({bed.opened()})")
            rc = bed.close_app()
            check(rc == 0, f"{what}: closed, exit code 0 (got {rc})")
    finally:
        if bed.app is not None:
            bed.close_app()
        bed.stop_relay()


def main():
    exe, open_log, probe = sys.argv[1:4]
    if not os.environ.get("DISPLAY"):
        print("update_cases: needs an X display (run under xvfb-run)")
        return 77
    update_port, myip_port = build_port("SWIFTLANE_UPDATE_HOST"), build_port("SWIFTLANE_MYIP_HOST")
    if not update_port or not myip_port:
        print("update_cases: this build does not name localhost:PORT for its update and public-address services")
        return 77
    shots = os.path.join(BINARY, "screenshots", "update-e2e")
    os.makedirs(shots, exist_ok=True)
    work = tempfile.mkdtemp(prefix="update-e2e-")
    bed = Bed(work, exe, open_log, probe, update_port, myip_port)
    only = os.environ.get("UPDATE_CASES_ONLY")  # a site name, to run one case while working
    try:
        if not check(bed.start_standin(SITES), "stand-in started"):
            return 1
        bed.register_browser()
        # The stand-in browser sees what the shell opens, and so does a program the shell
        # is asked to run: the "nothing opened" checks below can fail.
        for target in ("https://localhost:1/shell-check", "file:///C:/update-e2e/open_log.exe",
                       "C:\\update-e2e\\open_log.exe"):
            quiet([WINE, "start", target])
        lines = wait_for(10, lambda: len(bed.opened()) >= 3 and bed.opened())
        check(lines == ["https://localhost:1/shell-check", "", ""],
              f"the shell opens addresses and programs through the stand-in browser ({lines})")
        for lang, site, answer in CASES:
            if not only or only == site:
                run_case(bed, shots, lang, site, answer)
    finally:
        bed.restore_browser()
        bed.stop_relay()
        bed.stop_standin()
        shutil.rmtree(bed.browser_dir, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)
    print(f"\n{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
