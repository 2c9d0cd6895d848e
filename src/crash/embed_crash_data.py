#!/usr/bin/env python3
"""Post-link step: appends our function-name table and the file's CRC-32 to an executable.

usage: embed_crash_data.py <exe> <nm> [<strip>]   (with strip, the image ships without symbols)
The crash reporter reads the table to name frames of its call stacks and checks the CRC at
start-up. Running it again on the same file replaces the earlier trailer.
"""
import struct
import subprocess
import sys
import zlib

MAGIC = b"SwlCrsh1"
MAX_NAME = 240


def varint(n):
    out = bytearray()
    while True:
        b = n & 0x7F
        n >>= 7
        out.append(b | (0x80 if n else 0))
        if not n:
            return bytes(out)


def image_base(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE file")
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    return struct.unpack_from("<Q", data, opt + 24)[0] if magic == 0x20B else struct.unpack_from("<I", data, opt + 28)[0]


def strip_trailer(data):
    if data.endswith(MAGIC) and len(data) >= 16:
        size = struct.unpack_from("<I", data, len(data) - 16)[0]
        return data[:len(data) - 16 - size]
    return data


def main():
    exe, nm = sys.argv[1], sys.argv[2]
    strip = sys.argv[3] if len(sys.argv) > 3 else ""
    with open(exe, "rb") as f:
        data = strip_trailer(f.read())
    with open(exe, "wb") as f:  # nm reads the bare image
        f.write(data)
    base = image_base(data)
    out = subprocess.run([nm, "-C", "--defined-only", exe], check=True, capture_output=True, text=True,
                         errors="replace").stdout
    names = {}
    for line in out.splitlines():
        parts = line.split(" ", 2)
        # Section and label symbols (".text", ".l_end") name no function.
        if len(parts) != 3 or parts[1] not in ("T", "t") or parts[2].startswith("."):
            continue
        addr = int(parts[0], 16) - base
        if 0 <= addr < 1 << 32:
            names.setdefault(addr, parts[2][:MAX_NAME])
    if strip:
        # The names are taken; the symbol and debug sections need not ship. Stripping moves
        # no code, so the addresses above stay valid.
        subprocess.run([strip, "--strip-all", exe], check=True)
        with open(exe, "rb") as f:
            data = f.read()
    payload = bytearray(struct.pack("<I", len(names)))
    prev = 0
    for rva in sorted(names):
        name = names[rva].encode("utf-8")
        payload += varint(rva - prev) + varint(len(name)) + name
        prev = rva
    body = data + bytes(payload) + struct.pack("<I", len(payload))
    crc = zlib.crc32(body) & 0xFFFFFFFF
    with open(exe, "wb") as f:
        f.write(body + struct.pack("<I", crc) + MAGIC)


if __name__ == "__main__":
    main()
