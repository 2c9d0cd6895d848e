#!/usr/bin/env python3
"""Reads swiftlane.exe back with icoutils' wrestool and binutils' objdump: the manifest,
the version block, the imported DLLs and the PE header."""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

exe = sys.argv[1]
failures = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)


def resource(rtype):
    return subprocess.run(["wrestool", "-x", "--raw", f"--type={rtype}", exe],
                          check=True, capture_output=True).stdout


# Manifest (RT_MANIFEST = 24).
ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "ws5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "ws16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
root = ET.fromstring(resource(24))
level = root.find(".//v3:requestedExecutionLevel", ns)
check(level is not None and level.get("level") == "requireAdministrator" and level.get("uiAccess") == "false",
      "requestedExecutionLevel requireAdministrator, uiAccess false")
check(root.findtext(".//ws5:dpiAware", namespaces=ns) == "true/pm", 'dpiAware "true/pm"')
check(root.findtext(".//ws16:dpiAwareness", namespaces=ns) == "PerMonitorV2", 'dpiAwareness "PerMonitorV2"')
cc = [a for a in root.iterfind(".//v1:dependentAssembly/v1:assemblyIdentity", ns)
      if a.get("name") == "Microsoft.Windows.Common-Controls"]
check(len(cc) == 1 and cc[0].get("version") == "6.0.0.0" and cc[0].get("publicKeyToken") == "6595b64144ccf1df"
      and cc[0].get("language") == "*" and cc[0].get("processorArchitecture") == "*",
      "Common-Controls 6.0.0.0 with the platform's publisher token, any language and processor")
os_ids = {e.get("Id").lower() for e in root.iterfind(".//c:supportedOS", ns)}
check(os_ids == {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                 "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                 "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}, "the five supportedOS identifiers, Vista to 10")

# Version block (RT_VERSION = 16).
ver = resource(16)
sig = ver.find(struct.pack("<I", 0xFEEF04BD))
check(sig >= 0, "VS_FIXEDFILEINFO present")
_, _, fms, fls, pms, pls = struct.unpack_from("<6I", ver, sig)
file_version = (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF)
product_version = (pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF)
check(file_version == (1, 5, 7, 0), f"file version 1.5.7.0 (read {file_version})")
check(product_version == (1, 5, 6, 0), f"product version 1.5.6.0 (read {product_version})")
text = ver.decode("utf-16-le", errors="replace")
for key in ("FileDescription", "ProductName"):
    m = re.search(key + r"\x00+([^\x00]*)", text)
    check(m is not None and m.group(1) == "Swiftlane", f'"{key}" is "Swiftlane"')

# Imports and header.
dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True, text=True).stdout
dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
windows_own = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "oleaut32.dll", "comctl32.dll", "gdiplus.dll", "winhttp.dll", "iphlpapi.dll", "ws2_32.dll",
               "version.dll", "dwmapi.dll", "uxtheme.dll", "msimg32.dll", "psapi.dll", "dbghelp.dll",
               "shlwapi.dll", "msvcrt.dll", "crypt32.dll", "bcrypt.dll", "ntdll.dll", "imm32.dll", "comdlg32.dll"}
check(dlls and dlls <= windows_own, f"imports only Windows' own DLLs ({', '.join(sorted(dlls))})")
check("Subsystem\t\t00000002" in dump, "GUI subsystem")
check(re.search(r"Magic\s+020b", dump) is not None, "64-bit (PE32+) image")

sys.exit(1 if failures else 0)
