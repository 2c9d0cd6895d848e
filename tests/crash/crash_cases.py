#!/usr/bin/env python3
"""The crash reporter end to end under Wine.

Each case runs crash_probe.exe (a test-only program carrying the reporter) so that it fails
on purpose, waits for the error box, presses Enter on its focused "Close" button, and checks
the exit code and what reached the stand-in report service. Uploads are parsed with
Python's own MIME parser. Runs inside the build's prefix (WINEPREFIX set by wine-run.sh).
usage: crash_cases.py <crash_probe.exe>
"""
import email.parser
import email.policy
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report_service import ReportService, make_test_pki  # noqa: E402

WINE = os.environ.get("WINE", "wine")
failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def trust_ca_in_prefix(der):
    """Adds the run's CA to the prefix's LocalMachine Root store (its registry form)."""
    thumb = hashlib.sha1(der).hexdigest().upper()
    blob = struct.pack("<III", 32, 1, len(der)) + der  # the certificate property, serialized
    key = "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + thumb
    # No pipes: Wine's helper processes would inherit them and hold them open.
    subprocess.run([WINE, "reg", "add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", blob.hex(), "/f"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return key


def untrust_ca(key):
    subprocess.run([WINE, "reg", "delete", key, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def find_window(title, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        out = subprocess.run(["xdotool", "search", "--name", "^" + re.escape(title) + "$"],
                             capture_output=True, text=True).stdout.split()
        if out:
            return out[0]
        time.sleep(0.2)
    return None


def run_case(exe, mode, url, title, press=True, timeout=60):
    """Starts the probe, presses Enter on its box; returns (exit code, box seen)."""
    proc = subprocess.Popen([WINE, exe, mode, url], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    box = find_window(title)
    if box and press:
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "Return"], check=False)
    try:
        rc = proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        rc = None
    return rc, box is not None


def window_geometry(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout
    return dict(line.split("=", 1) for line in out.split() if "=" in line)


def set_https_handler(command):
    """The shell's command for https addresses in the prefix; returns the one it replaces."""
    key = "HKLM\\Software\\Classes\\https\\shell\\open\\command"
    # Into a file, not a pipe: Wine's helper processes would inherit a pipe and hold it open.
    with tempfile.TemporaryFile(mode="w+") as f:
        subprocess.run([WINE, "reg", "query", key, "/ve"], stdout=f, stderr=subprocess.DEVNULL)
        f.seek(0)
        out = f.read()
    m = re.search(r"REG_SZ\s+(.*\S)", out)
    subprocess.run([WINE, "reg", "add", key, "/ve", "/d", command, "/f"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return m.group(1) if m else None


def parse_upload(request):
    ctype = request["headers"].get("Content-Type", "")
    raw = b"Content-Type: " + ctype.encode() + b"\r\nMIME-Version: 1.0\r\n\r\n" + request["body"]
    return email.parser.BytesParser(policy=email.policy.default).parsebytes(raw)


def check_upload(requests, what, exception_class, function=None, message=None):
    if not check(len(requests) == 1, f"{what}: exactly one upload (got {len(requests)})"):
        return None
    r = requests[0]
    check(r["path"] == "/except.php", f"{what}: POST to /except.php")
    check(int(r["headers"].get("Content-Length", -1)) == len(r["body"]), f"{what}: declared length = body")
    msg = parse_upload(r)
    parts = list(msg.iter_parts()) if msg.is_multipart() else []
    names = [p.get_param("name", header="content-disposition") for p in parts]
    check(names == ["MailSubject", "MailBody", "BugReport"], f"{what}: fields in order {names}")
    if len(parts) != 3:
        return None
    check(parts[0].get_content_charset() == "iso-8859-1" and parts[0].get_content() == "bug report",
          f"{what}: subject")
    check(parts[1].get_content() == "please find the bug report attached", f"{what}: body")
    check(parts[2].get_filename() == "bugreport.txt", f"{what}: attachment named bugreport.txt")
    report = parts[2].get_payload(decode=True).decode("utf-8")
    keep = os.environ.get("CRASH_CASES_KEEP")  # a folder to keep the uploaded reports in
    if keep:
        with open(os.path.join(keep, what.replace(" ", "_") + ".txt"), "w", encoding="utf-8", newline="") as f:
            f.write(report)
    check(report.startswith("date/time"), f"{what}: report starts with date/time")
    check(report.endswith("\r\n\r\n"), f"{what}: report ends with a blank line")
    check(re.search(r"^exception class +: " + re.escape(exception_class) + "\r$", report, re.M) is not None,
          f"{what}: exception class {exception_class}")
    check(re.search(r"^callstack crc +: (\$[0-9a-f]{8}, ){2}\$[0-9a-f]{8}\r$", report, re.M) is not None,
          f"{what}: three call-stack checksums")
    check(re.search(r"^exception number +: 1\r$", report, re.M) is not None, f"{what}: exception number 1")
    if message is not None:
        check(("exception message" in report) == bool(message), f"{what}: message line present only when set")
    sections = re.findall(r"\r\n\r\n([^\r\n]+):\r\n", report)
    check(len(sections) >= 6 and "(crashed)" in sections[0], f"{what}: crashing thread first ({sections[:1]})")
    for s in ("cpu registers", "stack dump", "disassembling", "modules", "processes"):
        check(s in sections, f"{what}: section {s}")
    if function:
        crashed = report.split("\r\n\r\n")[1]
        check(function in crashed, f"{what}: our function {function} named in the crashing stack")
    return report


def main():
    probe = sys.argv[1]
    work = tempfile.mkdtemp(prefix="crash-cases-")
    ca_key = None
    try:
        pki = make_test_pki(work)
        ca_key = trust_ca_in_prefix(pki["ca_der"])
        service = ReportService(pki["cert"], pki["key"])
        url = f"https://localhost:{service.port}/except.php"
        folder = os.path.join(work, "app")
        os.mkdir(folder)
        exe = os.path.join(folder, "crash_probe.exe")
        shutil.copy(probe, exe)

        only = os.environ.get("CRASH_CASES_ONLY")  # e.g. "av" to run one case while working
        cases = [
            ("av", "EAccessViolation", "WriteThroughNull", None),
            ("divzero", "EDivByZero", "DivideByZero", None),
            ("cpp", "std::runtime_error", "ProbeProc", "probe: a handler failed"),
            ("empty", "std::runtime_error", None, ""),
            ("worker", "std::logic_error", None, "probe: a worker failed"),
            ("workerav", "EAccessViolation", "WriteThroughNull", None),
            ("overflow", "EStackOverflow", "Recurse", None),
        ]
        reports = {}
        for mode, cls, function, message in cases:
            if only and mode != only:
                continue
            rc, box = run_case(exe, mode, url, "crash_probe.exe")
            check(box, f"{mode}: error box shown")
            check(rc == 1, f"{mode}: exit code 1 after Close (got {rc})")
            reports[mode] = check_upload(service.take(), mode, cls, function, message)

        # A local report file with the same crash: merged (count 2) and deleted after success.
        if reports.get("av"):
            local = os.path.join(folder, "bugreport.txt")
            with open(local, "w", encoding="utf-8", newline="") as f:
                f.write(reports["av"])
            rc, box = run_case(exe, "av", url, "crash_probe.exe")
            report = check_upload(service.take(), "av again", "EAccessViolation")
            if report:
                check(len(re.findall(r"^date/time", report, re.M)) == 1, "av again: the older duplicate is cut out")
                check(re.search(r"^callstack crc +: [^\r]+\r\ncount +: 2\r$", report, re.M) is not None,
                      "av again: count 2 right after callstack crc")
            check(not os.path.exists(local), "av again: local report file deleted after upload")

        # A long message is wrapped: the box stays within two thirds of the 1280-pixel screen.
        proc = subprocess.Popen([WINE, exe, "long", url], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        box = find_window("crash_probe.exe")
        if check(box is not None, "long: error box shown"):
            time.sleep(0.5)
            width = int(window_geometry(box).get("WIDTH", "0"))
            check(0 < width <= 1280 * 2 // 3, f"long: box width {width} within two thirds of the screen")
            subprocess.run(["xdotool", "key", "Return"], check=False)
        check(proc.wait(timeout=60) == 1, "long: exit code 1")
        check(len(service.take()) == 1, "long: one upload")

        # Close before the report is complete (a hundred deep threads to walk): the
        # please-wait box shows until it is, then the upload runs and the process ends.
        proc = subprocess.Popen([WINE, exe, "slowreport", url], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        box = find_window("crash_probe.exe")
        subprocess.run(["xdotool", "key", "Return"], check=False)
        check(find_window("Information", timeout=5) is not None, "slow report: please-wait box shown")
        check(box is not None and proc.wait(timeout=120) == 1, "slow report: exit code 1")
        check(len(service.take()) == 1, "slow report: one upload")

        # 302 with a Location counts as success and the address is handed to the shell.
        opened = os.path.join(work, "opened.txt")
        recorder = 'C:\\windows\\system32\\cmd.exe /c echo %1> Z:' + opened.replace("/", "\\")
        previous = set_https_handler(recorder)
        try:
            service.reply = (302, "https://localhost:1/thanks")
            local = os.path.join(folder, "bugreport.txt")
            with open(local, "w", encoding="utf-8", newline="") as f:
                f.write(reports.get("cpp") or "")
            proc = subprocess.Popen([WINE, exe, "cpp", url], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            box = find_window("crash_probe.exe")
            for _ in range(100):
                if os.path.exists(opened):
                    break
                time.sleep(0.1)
            # The opened console may have taken the focus: click the button itself.
            if box:
                time.sleep(1)
                g = window_geometry(box)
                x = int(g["X"]) + int(g["WIDTH"]) // 2
                y = int(g["Y"]) + int(g["HEIGHT"]) - 16 - 13 - 3
                subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=False)
            try:
                rc = proc.wait(timeout=60)
            except subprocess.TimeoutExpired:
                proc.kill()
                rc = None
            check(box and rc == 1, f"302: box and exit code 1 (got {rc})")
            check(len(service.take()) == 1, "302: one upload")
            text = open(opened, encoding="latin-1").read().strip() if os.path.exists(opened) else ""
            check(text == "https://localhost:1/thanks", f"302: the location was opened ({text!r})")
            check(not os.path.exists(local), "302: counts as success, the local report file is deleted")
        finally:
            service.reply = (200, None)
            if previous:
                set_https_handler(previous)

        # Two failures at once: one box, one upload, exit code 1.
        rc, box = run_case(exe, "double", url, "crash_probe.exe")
        check(box and rc == 1, f"double: box and exit code 1 (got {rc})")
        check(len(service.take()) == 1, "double: one upload")

        # A local report file of 120,000 bytes: only its newest whole reports, under 75,000
        # bytes, travel along with the new one.
        local = os.path.join(folder, "bugreport.txt")
        old_reports = []
        for i in range(120):
            old_reports.append(f"date/time         : 2026-01-01, 00:00:{i % 60:02d}:{i:03d}\r\n"
                               f"callstack crc     : ${i:08x}, $00000000, $00000000\r\n"
                               f"exception class   : EOld\r\n\r\nmain thread ($1):\r\n" + "z" * 880 + "\r\n\r\n")
        big = "".join(old_reports)
        with open(local, "w", encoding="utf-8", newline="") as f:
            f.write(big)
        check(len(big) >= 120000, f"cap: local file of {len(big)} bytes")
        rc, box = run_case(exe, "cpp", url, "crash_probe.exe")
        requests = service.take()
        if check(len(requests) == 1 and rc == 1, "cap: one upload and exit code 1"):
            parts = list(parse_upload(requests[0]).iter_parts())
            sent = parts[-1].get_payload(decode=True).decode("utf-8")
            new_start = sent.rfind("\r\ndate/time") + 2  # the start of the last report
            kept = sent[:new_start]
            check(len(kept.encode()) < 75000 and big.endswith(kept) and kept.startswith("date/time"),
                  f"cap: kept {len(kept.encode())} bytes of whole newest reports")
            # One more old report would have reached the limit.
            check(len(kept.encode()) + len(old_reports[0]) >= 75000, "cap: no more was cut than needed")
        check(not os.path.exists(local), "cap: local report file deleted after upload")

        # Server error: silent, nothing saved beside the program.
        service.reply = (500, None)
        rc, box = run_case(exe, "cpp", url, "crash_probe.exe")
        check(box and rc == 1, f"500: box and exit code 1 (got {rc})")
        check(len(service.take()) == 1, "500: one attempt")
        check(not os.path.exists(os.path.join(folder, "bugreport.txt")), "500: nothing written locally")
        service.reply = (200, None)

        # A copy under another name keeps its checksum and table; the title follows the name.
        renamed = os.path.join(folder, "renamed.exe")
        shutil.copy(exe, renamed)
        rc, box = run_case(renamed, "av", url, "renamed.exe")
        check(box and rc == 1, f"renamed: box titled renamed.exe, exit code 1 (got {rc})")
        check_upload(service.take(), "renamed", "EAccessViolation", "WriteThroughNull")

        # A damaged file: the box at start-up, no upload, exit code 1.
        damaged = os.path.join(folder, "damaged.exe")
        data = bytearray(open(exe, "rb").read())
        data[len(data) // 2] ^= 0x01
        open(damaged, "wb").write(bytes(data))
        rc, box = run_case(damaged, "idle", url, "damaged.exe")
        check(box and rc == 1, f"damaged: box and exit code 1 (got {rc})")
        check(len(service.take()) == 0, "damaged: nothing uploaded")

        # An untrusted server: the upload fails silently (no TLS error is ignored).
        os.mkdir(os.path.join(work, "untrusted"))
        untrusted_pki = make_test_pki(os.path.join(work, "untrusted"))
        rogue = ReportService(untrusted_pki["cert"], untrusted_pki["key"])
        rc, box = run_case(exe, "cpp", f"https://localhost:{rogue.port}/except.php", "crash_probe.exe")
        check(box and rc == 1, f"untrusted: box and exit code 1 (got {rc})")
        check(len(rogue.take()) == 0, "untrusted: no request reached the server")
        rogue.close()
        service.close()
    finally:
        if ca_key:
            untrust_ca(ca_key)
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
