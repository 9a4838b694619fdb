#!/usr/bin/env python3
"""Renders a chart page of the simulator in headless chromium and checks it.

Usage: check_chart_in_browser.py SIM LIBRARY PANELS -- SIM-ARGUMENTS...

Runs SIM with SIM-ARGUMENTS (which write chart.html into the current
folder), then has chromium load the page from disk: the DOM after rendering
must hold PANELS panels, each with the five limit lines and drawn series
(PANELS "points:N", a sweep's page: N points, each with its hover title,
one of them the base, and no script), and a screenshot must not be blank (many colours, and ink beyond the
background). Exits 77, which ctest counts as skipped, only when no chromium
is installed.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SKIPPED = 77


def chromium_command():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return [path, "--headless", "--no-sandbox", "--disable-gpu",
                    "--hide-scrollbars", "--allow-file-access-from-files"]
    return None


def png_pixels(path):
    """The width, height and RGB(A) rows of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, idat = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    if depth != 8 or colour not in (2, 6):
        raise ValueError("PNG of depth %d, colour type %d" % (depth, colour))
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - corner
                a, b, c = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                nearest = left if a <= b and a <= c else up if b <= c else corner
                line[i] = (line[i] + nearest) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check_replay_dom(dom, panels):
    sections = re.findall(r'<section class="panel">(.*?)</section>', dom, re.S)
    if len(sections) != panels:
        fail("%d panels rendered, %d expected" % (len(sections), panels))
    for section in sections:
        if len(re.findall(r'<line class="limit ', section)) != 5:
            fail("a panel without its five limit lines")
        if '<polyline class="series current"' not in section:
            fail("a panel without its current ping")
    if "<table class=\"summary\">" not in dom:
        fail("no summary table")


def check_sweep_dom(dom, points):
    circles = re.findall(r'<circle class="(point[^"]*)"[^>]*>(.*?)</circle>',
                         dom, re.S)
    if len(circles) != points:
        fail("%d points rendered, %d expected" % (len(circles), points))
    if sum(1 for kind, _ in circles if kind == "point base") != 1:
        fail("not exactly one point marked as the base")
    for _, inside in circles:
        if not re.match(r"\s*<title>[^<]*=[^<]*</title>\s*$", inside):
            fail("a point without its settings as hover text: " + inside)
    if "<script" in dom:
        fail("the page holds a script")


def main():
    separator = sys.argv.index("--")
    sim, library, panels = sys.argv[1], sys.argv[2], sys.argv[3]
    sim_arguments = sys.argv[separator + 1:]
    chromium = chromium_command()
    if chromium is None:
        print("no chromium installed: skipped (scripts/install-deps.sh installs it)")
        return SKIPPED

    with tempfile.TemporaryDirectory() as folder:
        page = os.path.join(folder, "chart.html")
        arguments = [a.replace("@CHART@", page) for a in sim_arguments]
        run = subprocess.run([sim] + arguments + ["--library", library],
                             stdout=subprocess.DEVNULL)
        if run.returncode != 0 or not os.path.exists(page):
            fail("tarvok-sim ended with status %d and no page" % run.returncode)
        url = "file://" + page

        dom = subprocess.run(chromium + ["--dump-dom", url], check=True,
                             capture_output=True, text=True,
                             timeout=120).stdout
        if panels.startswith("points:"):
            check_sweep_dom(dom, int(panels[len("points:"):]))
        else:
            check_replay_dom(dom, int(panels))

        shot = os.path.join(folder, "shot.png")
        subprocess.run(chromium + ["--window-size=1000,900",
                                   "--screenshot=" + shot, url],
                       check=True, capture_output=True, timeout=120)
        width, height, channels, rows = png_pixels(shot)
        colours, ink = set(), 0
        for row in rows:
            for x in range(0, width * channels, channels):
                pixel = row[x:x + 3]
                colours.add(pixel)
                if pixel != b"\xff\xff\xff":
                    ink += 1
        if len(colours) < 16 or ink < width * height // 50:
            fail("the screenshot is blank: %d colours, %d inked pixels"
                 % (len(colours), ink))
        print("%s panels; screenshot %dx%d with %d colours"
              % (panels, width, height, len(colours)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
