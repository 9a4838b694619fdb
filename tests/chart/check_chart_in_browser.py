#!/usr/bin/env python3
"""Renders a chart page of the simulator in headless chromium and checks it.

Usage: check_chart_in_browser.py SIM LIBRARY PANELS GOLDEN -- SIM-ARGUMENTS...

Runs SIM with SIM-ARGUMENTS (which write chart.html into the current
folder), then has chromium load the page from disk: the DOM after rendering
must hold PANELS panels, each with the five limit lines, drawn series and
the strokes of the checks on both plots;
the time ticks must rise, the value ticks be round and evenly spaced (pings
from 0), every limit line labelled and every mark titled; what an operator
reads on the page (the legend, the table's players, each panel's ticks,
limit labels and mark titles, in order) must equal the file GOLDEN; and a
screenshot must not be blank (many colours, and ink beyond the background).
PANELS "sweep:PLOT=N,N/PLOT=N" checks a sweep's page instead (GOLDEN unread):
per plot the marks and the rows each stands for, in the order drawn.
Exits 77, which ctest counts as skipped, only when no chromium is installed.
"""
import html.parser
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


class PageReader(html.parser.HTMLParser):
    """Collects what an operator reads, by the classes of the elements."""

    def __init__(self):
        super().__init__()
        self.lines = []
        self.problems = []
        self.stack = []
        self.text = ""
        self.legend = []
        self.first_cell = False

    def handle_starttag(self, tag, attrs):
        classes = dict(attrs).get("class", "") or ""
        self.stack.append((tag, classes))
        self.text = ""
        if tag == "tr":
            self.first_cell = True
        elif tag == "svg":
            self.plot = classes.split()[-1]
            self.plot_lines = []
            self.ticks = {"time": [], "date": [], "value": []}
            self.limits, self.labels = 0, 0

    def handle_data(self, data):
        self.text += data

    def handle_endtag(self, tag):
        if not self.stack:
            return
        opened, classes = self.stack.pop()
        names = classes.split()
        text = self.text.strip()
        self.text = ""
        if opened == "h2":
            self.lines.append("panel " + text)
        elif opened == "td" and self.first_cell:
            self.first_cell = False
            self.lines.append("table row " + text)
        elif opened == "span" and any(
                t == "p" and "legend" in c.split() for t, c in self.stack):
            self.legend.append(text)
        elif opened == "p" and "legend" in names:
            self.lines.append("legend " + " | ".join(self.legend + [text]).strip(" |"))
            self.legend = []
        elif opened == "text" and "tick" in names:
            self.ticks[names[1]].append(text)
        elif opened == "text" and "limit-label" in names:
            self.labels += 1
            self.plot_lines.append("    label " + text)
        elif opened == "title" and self.stack and self.stack[-1][0] in ("line", "path"):
            line_classes = self.stack[-1][1].split()
            if "limit" in line_classes:
                self.limits += 1
            elif "mark" in line_classes:
                self.plot_lines.append(
                    "    mark %s: %s" % (" ".join(line_classes[1:]),
                                         " / ".join(text.split("\n"))))
        elif opened == "svg":
            self.check_plot()
            self.lines.append("  %s plot" % self.plot)
            for kind in ("time", "date", "value"):
                self.lines.append("    %s ticks: %s" % (kind, ", ".join(self.ticks[kind])))
            self.lines += self.plot_lines

    def check_plot(self):
        times, values = self.ticks["time"], self.ticks["value"]
        if len(times) < 2:
            self.problems.append("a %s plot with %d time ticks" % (self.plot, len(times)))
        numbers = [float(re.match(r"-?[0-9.]+", v).group()) for v in values]
        steps = {round(b - a, 6) for a, b in zip(numbers, numbers[1:])}
        if len(numbers) < 3 or len(steps) != 1 or min(steps) <= 0:
            self.problems.append("%s value ticks not evenly rising: %s" % (self.plot, values))
        elif self.plot == "ping" and numbers[0] != 0:
            self.problems.append("a ping axis from %s" % values[0])
        expected = 2 if self.plot == "ping" else 3
        if self.labels != expected or self.limits != expected:
            self.problems.append("%s plot: %d limit lines with titles, %d labels"
                                 % (self.plot, self.limits, self.labels))


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check_replay_dom(dom, panels, golden):
    sections = re.findall(r'<section class="panel">(.*?)</section>', dom, re.S)
    if len(sections) != panels:
        fail("%d panels rendered, %d expected" % (len(sections), panels))
    for section in sections:
        if len(re.findall(r'<line class="limit ', section)) != 5:
            fail("a panel without its five limit lines")
        if '<polyline class="series current"' not in section:
            fail("a panel without its current ping")
        if len(re.findall(r'<path class="checks" d="M', section)) != 2:
            fail("a panel whose plots do not both mark the checks")
    if "<table class=\"summary\">" not in dom:
        fail("no summary table")
    page_reader = PageReader()
    page_reader.feed(dom)
    if page_reader.problems:
        fail("; ".join(page_reader.problems))
    read = "\n".join(page_reader.lines) + "\n"
    with open(golden, encoding="utf-8") as file:
        expected = file.read()
    if read != expected:
        actual = os.path.join(os.getcwd(), os.path.basename(golden) + ".actual")
        with open(actual, "w", encoding="utf-8") as file:
            file.write(read)
        subprocess.run(["diff", "-u", golden, actual])
        fail("what the page shows differs from %s (see %s)" % (golden, actual))


def check_sweep_dom(dom, expected):
    """A sweep's page: per plot (scores, and classes with --classes) the
    marks with their row counts as EXPECTED gives them ("scores=1,4,1"),
    each naming all its rows; numbered ticks on both axes; no mark near an
    axis title; exactly one base; the key; all within 700 pixels."""
    plots = re.findall(r'<svg class="tradeoff ([a-z]+)"[^>]*width="([0-9]+)"'
                       r'(.*?)</svg>', dom, re.S)
    wanted = dict(part.split("=") for part in expected.split("/"))
    if sorted(kind for kind, _, _ in plots) != sorted(wanted):
        fail("plots %s, expected %s" % ([k for k, _, _ in plots], sorted(wanted)))
    rows = None
    for kind, width, body in plots:
        if int(width) > 700 - 2 * 16:
            fail("a plot %s pixels wide" % width)
        counts = []
        marks = re.findall(r'<g class="mark([^"]*)">\s*<title>([^<]*)</title>'
                           r'(.*?)</g>', body, re.S)
        for classes, title, inside in marks:
            named = [line for line in title.split("\n") if "=" in line]
            label = re.search(r'<text class="count"[^>]*>([^<]*)</text>', inside)
            label = label.group(1) if label else ""
            count = int(re.search(r"([0-9]+) rows", label).group(1)) \
                if "rows" in label else 1
            if len(named) != count:
                fail("a mark labelled %r names %d rows" % (label, len(named)))
            if ("base" in classes.split()) != label.startswith("base"):
                fail("the base mark unlabelled, or another labelled base")
            counts.append(count)
        if ",".join(map(str, counts)) != wanted[kind]:
            fail("%s plot: marks of %s rows, expected %s"
                 % (kind, counts, wanted[kind]))
        if rows is not None and sum(counts) != rows:
            fail("the plots hold different numbers of rows")
        rows = sum(counts)
        if sum(1 for c, _, _ in marks if "base" in c.split()) != 1:
            fail("%s plot: not exactly one base mark" % kind)
        for axis in ("x", "y"):
            ticks = [int(t) for t in re.findall(
                r'<text class="tick %s"[^>]*>([0-9]+)</text>' % axis, body)]
            steps = {b - a for a, b in zip(ticks, ticks[1:])}
            if len(ticks) < 2 or ticks[0] != 0 or len(steps) != 1 or min(steps) <= 0:
                fail("%s plot: %s ticks %s" % (kind, axis, ticks))
        # Every mark inside the plot's frame, clear of the axes and their
        # titles, which stand outside it.
        frame = re.findall(r'<line class="axis" x1="([0-9.]+)" y1="([0-9.]+)" '
                           r'x2="([0-9.]+)" y2="([0-9.]+)"', body)
        left = min(float(x1) for x1, _, x2, _ in frame if x1 == x2)
        bottom = max(float(y1) for _, y1, _, y2 in frame if y1 == y2)
        for cx, cy, r in re.findall(
                r'<circle class="(?:point|ring)" cx="([0-9.]+)" cy="([0-9.]+)" '
                r'r="([0-9.]+)"', body):
            if float(cx) - float(r) <= left or float(cy) + float(r) >= bottom:
                fail("%s plot: a mark on an axis at %s,%s" % (kind, cx, cy))
        if len(re.findall(r'<text class="axis-title', body)) != 2:
            fail("%s plot without its two axis titles" % kind)
    if 'class="key"' not in dom or "Red: your settings" not in dom \
            or "Lower left is better" not in dom:
        fail("no key to the chart")
    if "<script" in dom:
        fail("the page holds a script")


def main():
    separator = sys.argv.index("--")
    sim, library, panels = sys.argv[1], sys.argv[2], sys.argv[3]
    golden = sys.argv[4]
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
        if panels.startswith("sweep:"):
            check_sweep_dom(dom, panels[len("sweep:"):])
        else:
            check_replay_dom(dom, int(panels), golden)

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
