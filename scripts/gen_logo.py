#!/usr/bin/env python3
"""Writes resources/logo.svg, the product logo: a blue badge holding a white lane and
forward chevron, and the word mark SWIFTLANE in slanted block letters.

Every shape is a plain filled outline in #32A3F2 or #FFFFFF on a 287.985 x 92.996 view
box, so the program's own SVG reader draws it. Usage: scripts/gen_logo.py [output]
"""
import os
import sys

BLUE = "#32A3F2"
WHITE = "#FFFFFF"
VIEW_W, VIEW_H = 287.985, 92.996

# Block letters on a grid: cap height H, stroke T; each letter is a list of rectangles
# (x, y, w, h) or polygons [(x, y), ...] in letter units, and an advance width.
H, T = 44.0, 10.0
MID = H / 2 - T / 2


def letters():
    return {
        "S": (26, [(0, 0, 26, T), (0, 0, T, H / 2 + T / 2), (0, MID, 26, T), (16, MID, T, H / 2 + T / 2),
                   (0, H - T, 26, T)]),
        "W": (36, [(0, 0, T, H), (26, 0, T, H), (13, H / 2 - 4, T, H / 2 + 4), (0, H - T, 36, T)]),
        "I": (T, [(0, 0, T, H)]),
        "F": (24, [(0, 0, T, H), (0, 0, 24, T), (0, MID, 20, T)]),
        "T": (26, [(0, 0, 26, T), (8, 0, T, H)]),
        "L": (23, [(0, 0, T, H), (0, H - T, 23, T)]),
        "A": (26, [(0, 0, T, H), (16, 0, T, H), (0, 0, 26, T), (0, MID + 2, 26, T)]),
        "N": (28, [(0, 0, T, H), (18, 0, T, H), [(0, 0), (T + 2, 0), (28, H), (18 - 2, H)]]),
        "E": (24, [(0, 0, T, H), (0, 0, 24, T), (0, MID, 21, T), (0, H - T, 24, T)]),
    }


def fmt(v):
    s = f"{v:.3f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def word_mark(text, left, right, top, slant):
    glyphs = letters()
    gap = 5.0
    raw_width = sum(glyphs[c][0] for c in text) + gap * (len(text) - 1) + slant * H
    scale = (right - left) / raw_width
    paths = []
    x = 0.0
    for c in text:
        advance, parts = glyphs[c]
        for part in parts:
            if isinstance(part, tuple):
                px, py, w, h = part
                pts = [(px, py), (px + w, py), (px + w, py + h), (px, py + h)]
            else:
                pts = part
            out = []
            for (u, v) in pts:
                # Slant to the right: the top of a letter leans forward.
                gx = x + u + slant * (H - v)
                out.append((left + gx * scale, top + v * scale))
            d = "M" + " L".join(f"{fmt(a)} {fmt(b)}" for a, b in out) + " Z"
            paths.append(d)
        x += advance + gap
    return paths, scale


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "logo.svg")
    s = VIEW_H  # the badge is a square as high as the view box
    r = 20.0
    badge = (f"M{fmt(r)} 0 H{fmt(s - r)} A{fmt(r)} {fmt(r)} 0 0 1 {fmt(s)} {fmt(r)} V{fmt(s - r)} "
             f"A{fmt(r)} {fmt(r)} 0 0 1 {fmt(s - r)} {fmt(s)} H{fmt(r)} A{fmt(r)} {fmt(r)} 0 0 1 0 {fmt(s - r)} "
             f"V{fmt(r)} A{fmt(r)} {fmt(r)} 0 0 1 {fmt(r)} 0 Z")
    # A forward chevron with the lane running into its notch.
    cy = s / 2
    chevron = [(36, cy - 27), (63, cy), (36, cy + 27), (50, cy + 27), (77, cy), (50, cy - 27)]
    lane = f"M22 {fmt(cy - 6)} H52 L46 {fmt(cy)} L52 {fmt(cy + 6)} H22 A6 6 0 0 1 22 {fmt(cy - 6)} Z"
    # The letters fill the width right of the badge and are centred vertically on it.
    _, scale = word_mark("SWIFTLANE", 106.0, VIEW_W - 1.0, 0.0, 0.2)
    words, _ = word_mark("SWIFTLANE", 106.0, VIEW_W - 1.0, (VIEW_H - H * scale) / 2, 0.2)

    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {VIEW_W} {VIEW_H}" '
        f'width="{VIEW_W}" height="{VIEW_H}">',
        f'  <path fill="{BLUE}" d="{badge}"/>',
        f'  <polygon fill="{WHITE}" points="{" ".join(f"{fmt(a)},{fmt(b)}" for a, b in chevron)}"/>',
        f'  <path fill="{WHITE}" d="{lane}"/>',
        f'  <g fill="{BLUE}">',
    ]
    lines += [f'    <path d="{d}"/>' for d in words]
    lines += ["  </g>", "</svg>", ""]
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
