#!/usr/bin/env python3
"""Renders a dispute report page in headless chromium and checks its DOM.

Usage: check_dispute_report_in_browser.py SIM LIBRARY LOG INI PLAYER

Runs "SIM replay LOG --ini INI --player PLAYER --report PAGE" and has
chromium load PAGE from disk. The log names the player with markup, and
puts markup in a figure and in a requester's name: after rendering, the
page must hold only the elements the report writes (no script, no element
made of a name or a figure), the player's name as the heading's text, both
verdict lines, one card per check of the player with its four entries (the
check with the move marked as dealt with), and a viewport for phones; a
screenshot at a phone's width must not be blank.
Exits 77, which ctest counts as skipped, only when no chromium is installed.
"""
import html.parser
import os
import subprocess
import sys
import tempfile

from check_chart_in_browser import SKIPPED, chromium_command, png_pixels

ALLOWED = {"html", "head", "meta", "title", "style", "body", "h1", "span", "p",
           "section", "h2", "dl", "dt", "dd"}


class ReportReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.stack, self.strange, self.viewport = [], set(), False
        self.heading, self.verdicts, self.cards = "", {}, []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag not in ALLOWED:
            self.strange.add(tag)
        if tag == "meta" and attrs.get("name") == "viewport":
            self.viewport = True
        if tag == "section":
            self.cards.append({"class": attrs.get("class", ""), "entries": []})
        if tag == "dd" and self.cards:
            self.cards[-1]["entries"].append(attrs.get("class", ""))
        if tag != "meta":
            self.stack.append((tag, attrs))

    def handle_endtag(self, tag):
        while self.stack:
            if self.stack.pop()[0] == tag:
                break

    def handle_data(self, data):
        if not self.stack:
            return
        tag, attrs = self.stack[-1]
        if tag == "span" and attrs.get("class") == "player":
            self.heading += data
        if tag == "p" and attrs.get("id", "").endswith("-verdict"):
            self.verdicts[attrs["id"]] = self.verdicts.get(attrs["id"], "") + data


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    sim, library, log, ini, player = sys.argv[1:6]
    chromium = chromium_command()
    if chromium is None:
        print("no chromium installed: skipped (scripts/install-deps.sh installs it)")
        return SKIPPED
    with tempfile.TemporaryDirectory() as folder:
        page = os.path.join(folder, "report.html")
        run = subprocess.run([sim, "replay", log, "--ini", ini, "--player",
                              player, "--report", page, "--library", library],
                             stdout=subprocess.DEVNULL)
        if run.returncode != 0 or not os.path.exists(page):
            fail("tarvok-sim ended with status %d and no page" % run.returncode)
        url = "file://" + page
        dom = subprocess.run(chromium + ["--dump-dom", url], check=True,
                             capture_output=True, text=True,
                             timeout=120).stdout
        reader = ReportReader()
        reader.feed(dom)
        if reader.strange:
            fail("elements the report does not write: %s" % sorted(reader.strange))
        if reader.heading != player:
            fail("the heading names %r, not %r" % (reader.heading, player))
        if not reader.viewport:
            fail("no viewport for phones")
        for side in ("logged-verdict", "replayed-verdict"):
            if "spectated once: 2 strikes" not in reader.verdicts.get(side, ""):
                fail("the %s reads %r" % (side, reader.verdicts.get(side)))
        if len(reader.cards) != 3:
            fail("%d check cards, 3 expected" % len(reader.cards))
        for card in reader.cards:
            if card["entries"] != ["figures", "limits", "logged", "replayed"]:
                fail("a card with the entries %s" % card["entries"])
        dealt = [card["class"] for card in reader.cards]
        if dealt != ["check", "check dealt", "check"]:
            fail("the cards are marked %s" % dealt)

        shot = os.path.join(folder, "shot.png")
        subprocess.run(chromium + ["--window-size=390,844",
                                   "--screenshot=" + shot, url],
                       check=True, capture_output=True, timeout=120)
        width, height, channels, rows = png_pixels(shot)
        ink = sum(1 for row in rows
                  for x in range(0, width * channels, channels)
                  if row[x:x + 3] != b"\xff\xff\xff")
        if ink < width * height // 100:
            fail("the phone-sized screenshot is blank: %d inked pixels" % ink)
        print("3 cards; phone screenshot %dx%d, %d inked pixels"
              % (width, height, ink))
    return 0


if __name__ == "__main__":
    sys.exit(main())
