#!/usr/bin/env bash
# The evidence tools timed over a generated lag log of a million rows
# (bench/make_lag_log.py, made once and kept in the build folder), under a
# lag watch: automatic checks of every player every 10 s, ordered, three
# strikes.
#   - the replay rate of `tarvok-sim replay`, from start to end, the
#     fastest of three runs, beside awk's reading of the same log (the
#     fastest of three, in turns with the replay) and the ratio of the two;
#   - `tarvok-sim sweep` of 100 combinations (strikes 1 to 10 times
#     automatic checks every 10 to 100 s), one process per core.
#   evidence_times.sh BUILD_FOLDER [ROWS]
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

# Runs the simulator with the given words, its output into FILE, and prints
# the wall-clock time and the processor time of the program (and of its
# children) in user and system mode: on a shared machine the latter move less.
timed() {
  local output=$1
  shift
  local TIMEFORMAT='%R %U %S'
  { time "$build/tarvok-sim" "$@" > "$output" ; } 2>&1 >/dev/null | tail -1
}

# The baseline: awk reading the same log, counting its players and adding
# up a column, timed as the tools are.
reading() {
  local TIMEFORMAT='%R %U %S'
  { time awk -F'\t' '{n[$3]++; s+=$7} END{print length(n), s}' "$log" \
      >/dev/null ; } 2>&1 | tail -1
}

# What no replay can go under: awk reading the log and writing each line
# with a write of its own, as the replayed plug-in writes each row of its
# own log (a system call a row, so that a crash loses none).
readingAndWriting() {
  local TIMEFORMAT='%R %U %S'
  { time awk '{print; fflush()}' "$log" > "$build/rows-written.part" ; } \
      2>&1 | tail -1
  rm -f "$build/rows-written.part"
}

# The replay three times beside awk's reading, the fastest of each by
# processor time kept: other work on a shared machine only ever slows a run
# down. The ratio is of processor times.
times=$(for run in 1 2 3; do
  echo "replay $(timed "$build/replay-bench.txt" replay "$log" --ini "$settings")"
  echo "awk $(reading)"
  echo "writes $(readingAndWriting)"
done)
echo "$times" | awk -v rows="$rows" -v load="$(cut -d' ' -f1 /proc/loadavg 2>/dev/null)" '
  { cpu = $3 + $4
    if (!($1 in best) || cpu < best[$1]) { best[$1] = cpu; wall[$1] = $2; user[$1] = $3; sys[$1] = $4 } }
  END {
    printf "replay of a %d-row lag log (fastest of 3): %.2f s, %.0f rows/s; processor time %.2f s (user %.2f, system %.2f), %.0f rows/s\n",
           rows, wall["replay"], rows / wall["replay"], best["replay"], user["replay"], sys["replay"], rows / best["replay"]
    printf "awk reading the same log (fastest of 3): %.2f s; processor time %.2f s; the replay takes %.1f times its processor time (goal: at most 5); load %s\n",
           wall["awk"], best["awk"], best["replay"] / best["awk"], load
    printf "awk reading it and writing each line with a write of its own, as the replayed plug-in writes its rows (fastest of 3): processor time %.2f s (user %.2f, system %.2f), %.1f times the reading alone; the replay takes %.1f times it\n",
           best["writes"], user["writes"], sys["writes"], best["writes"] / best["awk"], best["replay"] / best["writes"]
  }'

# The sweep once, beside the same awk readings: its wall-clock time is the
# goal's measure, its processor time a combination against one reading of
# the log by awk the ratio that load moves less.
awkWall=$(echo "$times" | awk '$1 == "awk" { cpu = $3 + $4; if (best == "" || cpu < best) { best = cpu; wall = $2 } } END { print wall, best }')
read -r seconds user system <<< "$(timed "$build/sweep-bench.txt" \
  sweep "$log" --ini "$settings" --vary strikes=1..10 --vary autocheck=10..100:10)"
awk -v rows="$rows" -v seconds="$seconds" -v user="$user" -v sys="$system" \
    -v cores="$(nproc)" -v awkTimes="$awkWall" \
    -v load="$(cut -d' ' -f1 /proc/loadavg 2>/dev/null)" 'BEGIN {
  cpu = user + sys
  split(awkTimes, reading, " ")
  printf "sweep of 100 combinations over a %d-row lag log on %d cores: %.1f s (goal: under 20 s on 2 cores); processor time %.1f s (user %.1f, system %.1f), %.0f rows/s a core\n",
         rows, cores, seconds, cpu, user, sys, 100 * rows / cpu
  printf "awk reading the same log (fastest of 3): %.2f s; processor time %.2f s; a combination takes %.1f times the processor time of that reading, the whole sweep %.1f times its wall-clock time; load %s\n",
         reading[1], reading[2], cpu / 100 / reading[2], seconds / reading[1], load
}'
