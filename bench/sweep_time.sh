#!/usr/bin/env bash
# The time of `tarvok-sim sweep`: 100 combinations (strikes 1 to 10 times
# automatic checks every 10 to 100 s) over the generated lag log of a
# million rows (made by replay_rate.sh when missing), one process per core.
#   sweep_time.sh BUILD_FOLDER [ROWS]
set -euo pipefail

build=$1
rows=${2:-1000000}
here=$(cd "$(dirname "$0")" && pwd)
log=$build/lag-$rows.log
settings=$build/replay-bench.ini

if [ ! -s "$log" ]; then
  python3 "$here/make_lag_log.py" "$rows" > "$log.part"
  mv "$log.part" "$log"
fi
printf 'deal=3\nqueue=1\nautocheck=10\ngrace=0\nstrikes=3\n' > "$settings"

# Wall-clock time, and the processor time of the program (and of its
# children) in user and system mode: on a shared machine the latter move less.
TIMEFORMAT='%R %U %S'
times=$( { time "$build/tarvok-sim" sweep "$log" --ini "$settings" \
  --vary strikes=1..10 --vary autocheck=10..100:10 > "$build/sweep-bench.txt" ; } 2>&1 >/dev/null | tail -1)
read -r seconds user system <<< "$times"
awk -v rows="$rows" -v seconds="$seconds" -v user="$user" -v sys="$system" \
    -v cores="$(nproc)" 'BEGIN {
  cpu = user + sys
  printf "sweep of 100 combinations over a %d-row lag log on %d cores: %.1f s; processor time %.1f s (user %.1f, system %.1f), %.0f rows/s a core\n",
         rows, cores, seconds, cpu, user, sys, 100 * rows / cpu
}'
