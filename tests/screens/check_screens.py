#!/usr/bin/env python3
"""Checks the screenshots of screens.sh at named points of the window's client area.

Points are given in pixels at 96 DPI; a screenshot at another DPI is checked at the same
points scaled, so the 144-DPI window has to match the 96-DPI one scaled by 1.5.
usage: check_screens.py OUT_DIR LANG...
"""
import subprocess
import sys
from pathlib import Path

ACCENT = 0x3D84DD
WHITE = 0xFFFFFF
LOGO_BLUE = 0x32A3F2
BUSY_EDGE = 0xD7D7D7  # grey of accent +70: the outline of the disabled start button
TAGLINE_GREY = 0x808080
STATES = ("idle", "busy", "running", "config", "inactive", "hot")
HOME = ("idle", "busy", "running", "inactive", "hot")
ACCENT_10 = 0x5090E0  # accent +10: the start button under the mouse

# Named places, in client pixels at 96 DPI (the header is 2 pixels below the accent strip).
STRIP = [(100, 0), (100, 1), (400, 1)]
START_EDGE = [(176, 350), (337, 350), (257, 316), (257, 383)]  # BtnStart 176, 316, 162 x 68
START_INSIDE = (182, 350)
START_CENTRE = (257, 298 + 52)  # (257, 298) in Card1, which starts at 52
# Inside the header buttons' fill, above their text (BtnHome 20, 12, BtnConfig 90, 12; 70 x 30).
HOME_BUTTON = (24, 15)
CONFIG_BUTTON = (94, 15)
LOGO = (385, 27)
LOGO_ARROW = (392, 27)
TAGLINE_BAND = (0, 240, 498, 273)
INDICATOR_RADIUS = 16


class Shot:
    def __init__(self, png: Path):
        self.info = {}
        self.rects = {}
        for line in png.with_suffix(".txt").read_text().splitlines():
            parts = line.split()
            if parts[0] in ("dpi",):
                self.info["dpi"] = int(parts[1])
            elif parts[0] == "client":
                self.info["size"] = (int(parts[3]), int(parts[4]))
            elif parts[0] == "language":
                self.info["language"] = parts[1]
            else:
                self.rects[parts[0]] = tuple(int(v) for v in parts[1:5])
        self.w, self.h = self.info["size"]
        raw = subprocess.run(["convert", str(png), "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
        if len(raw) != self.w * self.h * 3:
            raise ValueError(f"{png}: {len(raw)} bytes for {self.w}x{self.h}")
        self.raw = raw
        self.scale = self.info["dpi"] / 96

    def at(self, x, y):
        i = (y * self.w + x) * 3
        return (self.raw[i] << 16) | (self.raw[i + 1] << 8) | self.raw[i + 2]

    def p(self, point):
        """The pixel that covers the centre of a 96-DPI pixel at this DPI."""
        return int((point[0] + 0.5) * self.scale), int((point[1] + 0.5) * self.scale)

    def colour(self, point):
        return self.at(*self.p(point))


def hexc(c):
    return f"#{c:06X}"


def neutral(c):
    return (c >> 16) & 0xFF == (c >> 8) & 0xFF == c & 0xFF


def check(shot: Shot, lang, state, fail):
    def expect(point, want, what):
        got = shot.colour(point)
        if got != want:
            fail(f"{what} at {point} (pixel {shot.p(point)}): {hexc(got)}, expected {hexc(want)}")

    if shot.info.get("language") != lang:
        fail(f"language {shot.info.get('language')}, expected {lang}")
    w96, h96 = round(shot.w / shot.scale), round(shot.h / shot.scale)
    if (w96, h96) != (498, 426):
        fail(f"client area {shot.w}x{shot.h} at {shot.info['dpi']} DPI is not 498x426 scaled")

    for pt in STRIP:
        got = shot.colour(pt)
        if state == "inactive":
            if not neutral(got) or got == WHITE:
                fail(f"accent strip at {pt} while another window is active: {hexc(got)}, expected grey")
        elif got != ACCENT:
            fail(f"accent strip at {pt}: {hexc(got)}, expected {hexc(ACCENT)}")
    expect(LOGO, LOGO_BLUE, "logo")
    expect(LOGO_ARROW, WHITE, "logo's arrow")
    pressed, released = (CONFIG_BUTTON, HOME_BUTTON) if state == "config" else (HOME_BUTTON, CONFIG_BUTTON)
    expect(pressed, ACCENT, "pressed header button")
    expect(released, WHITE, "header button")
    if state not in HOME:
        return

    edge = BUSY_EDGE if state == "busy" else ACCENT
    for pt in START_EDGE:
        expect(pt, edge, "start button's outline")
    inside = {"running": ACCENT, "hot": ACCENT_10}.get(state, WHITE)
    expect(START_INSIDE, inside, "inside the start button")

    # The tagline: grey text, never darker than the grey, centred in the label.
    x0, y0 = shot.p(TAGLINE_BAND[:2])
    x1, y1 = shot.p(TAGLINE_BAND[2:])
    ink = [(x, y) for y in range(y0, y1) for x in range(x0, x1) if shot.at(x, y) != WHITE]
    if not ink:
        fail("no tagline")
    else:
        colours = {shot.at(x, y) for x, y in ink}
        if not all(neutral(c) for c in colours):
            fail(f"tagline has colours other than greys: {sorted(hexc(c) for c in colours if not neutral(c))[:5]}")
        darkest = min(c & 0xFF for c in colours)
        if darkest != TAGLINE_GREY & 0xFF:
            fail(f"tagline's darkest pixel is {hexc(darkest * 0x10101)}, expected {hexc(TAGLINE_GREY)}")
        left, right = min(x for x, _ in ink), max(x for x, _ in ink)
        centre = (left + right) / 2 / shot.scale
        # A full-width stop inks only the left of its cell, hence some slack.
        if abs(centre - 249.5) > 6:
            fail(f"tagline centred at x {centre:.1f} (96 DPI), expected 249.5")

    # The indicator and the start button share their centre.
    cx, cy = START_CENTRE[0] * shot.scale, START_CENTRE[1] * shot.scale
    for name in ("BtnStart", "Indicator"):
        x, y, w, h = shot.rects[name]
        if abs(x + w / 2 - cx) > 1 or abs(y + h / 2 - cy) > 1:
            fail(f"{name} centred at ({x + w / 2}, {y + h / 2}), expected ({cx}, {cy})")
    if state == "busy":
        bx, by, bw, bh = shot.rects["BtnStart"]
        dark = [(x, y) for y in range(by, by + bh) for x in range(bx, bx + bw)
                if max((shot.at(x, y) >> s) & 0xFF for s in (0, 8, 16)) < 96]
        if len(dark) < 4:
            fail("no busy dots on the start button")
        r = INDICATOR_RADIUS * shot.scale + 1
        stray = [(x, y) for x, y in dark if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 > r * r]
        if stray:
            fail(f"dark pixels outside the indicator's circle: {stray[:5]}")


def main():
    out = Path(sys.argv[1])
    langs = sys.argv[2:]
    failures = []
    checked = 0
    for lang in langs:
        for state in STATES:
            shots = {}
            # "moved144" holds a few windows moved from 96 to 144 DPI while open.
            for dpi_dir in ("96", "144", "moved144"):
                png = out / dpi_dir / f"{lang}-{state}.png"
                name = f"{dpi_dir}/{lang}-{state}"
                if not png.exists():
                    if dpi_dir != "moved144":
                        failures.append(f"{name}: missing")
                    continue
                shot = Shot(png)
                shots[dpi_dir] = shot
                check(shot, lang, state, lambda m, n=name: failures.append(f"{n}: {m}"))
                checked += 1
            # Every control of the 144-DPI window sits where the 96-DPI one does, scaled.
            for other in ("144", "moved144"):
                if "96" not in shots or other not in shots:
                    continue
                s = shots[other].scale / shots["96"].scale
                for ctl, r96 in shots["96"].rects.items():
                    r = shots[other].rects.get(ctl)
                    if r is None or any(abs(a * s - b) > 1 for a, b in zip(r96, r)):
                        failures.append(f"{other}/{lang}-{state}: {ctl} is {r}, 96 DPI x {s} is "
                                        f"{tuple(v * s for v in r96)}")
    for f in failures:
        print("FAIL", f)
    print(f"check_screens: {checked} screenshots, {len(failures)} failures")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
