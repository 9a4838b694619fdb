#!/usr/bin/env bash
# The replay rate of `tarvok-sim replay`: a generated lag log of a million
# rows (bench/make_lag_log.py, made once and kept in the build folder) played
# again through the plug-in under a lag watch, timed from start to end.
#   replay_rate.sh BUILD_FOLDER [ROWS]
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
# Automatic checks of every player every 10 s, ordered, three strikes.
printf 'deal=3\nqueue=1\nautocheck=10\ngrace=0\nstrikes=3\n' > "$settings"

# Wall-clock time, and the processor time of the program (and of its
# children) in user and system mode: on a shared machine the latter move less.
TIMEFORMAT='%R %U %S'
times=$( { time "$build/tarvok-sim" replay "$log" --ini "$settings" > "$build/replay-bench.txt" ; } 2>&1 >/dev/null | tail -1)
read -r seconds user system <<< "$times"
awk -v rows="$rows" -v seconds="$seconds" -v user="$user" -v sys="$system" 'BEGIN {
  cpu = user + sys
  printf "replay of a %d-row lag log: %.1f s, %.0f rows/s; processor time %.1f s (user %.1f, system %.1f), %.0f rows/s\n",
         rows, seconds, rows / seconds, cpu, user, sys, rows / cpu
}'
