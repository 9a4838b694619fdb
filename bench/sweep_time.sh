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

start=$(date +%s.%N)
"$build/tarvok-sim" sweep "$log" --ini "$settings" \
  --vary strikes=1..10 --vary autocheck=10..100:10 > "$build/sweep-bench.txt"
end=$(date +%s.%N)
awk -v rows="$rows" -v start="$start" -v end="$end" -v cores="$(nproc)" 'BEGIN {
  seconds = end - start
  printf "sweep of 100 combinations over a %d-row lag log on %d cores: %.1f s (%.0f rows/s replayed)\n",
         rows, cores, seconds, 100 * rows / seconds
}'
