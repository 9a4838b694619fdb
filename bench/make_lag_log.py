#!/usr/bin/env python3
"""Writes a lag log of ROWS rows (default one million) to standard output.

The arena: 50 players of one bot, each checked automatically every 10
seconds (5 rows a second), with an occasional manual check by a staff
member. Most connections are good; some players lag now and then, so the
log holds limits reached, warnings and spectates. Presence rows say who is
there: the bot's connection and the players' arrivals first, and a player
spectated by the bot moves to ship 8 and back into ship 1 before their next
check. ROWS counts the checks. The same ROWS always give the same bytes.
"""
import calendar
import random
import sys
import time

HEADER = ("time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow"
          "\thigh\ts2c\tc2s\ts2cweapons\tlimits\tstrikes\taction\n")
PLAYERS = 50
INTERVAL = 10
START = calendar.timegm((2026, 12, 7, 0, 0, 0))


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 1000000
    generator = random.Random(7)
    names = ["Pilot%02d" % i for i in range(PLAYERS)]
    laggy = set(names[::7])
    strikes = dict.fromkeys(names, 0)
    out = sys.stdout
    out.write(HEADER)
    start = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(START))
    out.write(start + "\t1" + "\t" * 12 + "-\t-\tconnected\n")
    for name in names:
        out.write("%s\t1\t%s\t0\t1%s-\t-\tarrived\n" % (start, name, "\t" * 9))
    spectated = set()
    written = 0
    second = 0
    while written < rows:
        for offset, name in enumerate(names):
            if written == rows:
                break
            if (second + offset) % INTERVAL != 0:
                continue
            lag = name in laggy and generator.random() < 0.3
            current = generator.randint(320, 900) if lag else generator.randint(40, 180)
            average = current * 9 // 10
            s2c = generator.uniform(2.5, 6.0) if lag else generator.uniform(0, 0.8)
            limits = ["current"] if current > 300 else []
            if average > 300:
                limits.append("average")
            if s2c > 2:
                limits.append("s2c")
            strikes[name] = strikes[name] + 1 if limits else 0
            action = "none"
            if strikes[name] == 3:
                action, strikes[name] = "spectated", 0
                shown = "3/3"
            else:
                action = "warned" if strikes[name] == 2 else (
                    "announced" if limits else "none")
                shown = "%d/3" % strikes[name]
            requester = "Staff" if generator.random() < 0.01 else "*auto"
            stamp = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(START + second))
            if name in spectated:
                out.write("%s\t1\t%s\t0\t1%s-\t-\tship\n" % (stamp, name, "\t" * 9))
                spectated.discard(name)
            out.write("%s\t1\t%s\t0\t1\t%s\t%d\t%d\t%d\t%d\t%.1f\t%.1f\t0.0\t%s\t%s\t%s\n"
                      % (stamp, name, requester, current, average, 30, current + 400,
                         s2c, generator.uniform(0, 1), ",".join(limits) or "-",
                         shown, action))
            if action == "spectated":
                out.write("%s\t1\t%s\t0\t8%s-\t-\tship\n" % (stamp, name, "\t" * 9))
                spectated.add(name)
            written += 1
        second += 1


if __name__ == "__main__":
    main()
