#!/bin/sh
# The evidence tools against an unlucky operator: outputs pointed at
# inputs, special files, piped logs, logs named twice or with a gap, full
# disks, too few open files, failed writes of the standard output, a sweep
# stopped by a signal and a chart too large. Each ends in the right result
# or a clear error with exit status 2, never in lost files or an exit
# status 0 on a failure.
#   outputs_and_inputs.sh SIM [MEMORY_KB]   (a ulimit -v, or none)
set -u
sim=$1
memory=${2:-}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
mkdir temporary
TMPDIR="$folder/temporary"
export TMPDIR

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# expect STATUS MESSAGE ARGUMENT...: runs SIM ARGUMENT... and checks its
# exit status and that its standard error holds MESSAGE.
expect() {
  status=$1
  message=$2
  shift 2
  timeout 60 "$sim" "$@" >out.txt 2>err.txt
  got=$?
  if [ "$got" -ne "$status" ] || ! grep -qF -- "$message" err.txt; then
    fail "tarvok-sim $*: status $got (expected $status)"
    echo "  expected: $message"
    echo "  got:      $(head -c 400 err.txt)"
  fi
}
# The part of a replay's output after its first line (which names the log).
table() { tail -n +2 "$1"; }

"$sim" arena --minutes 20 --output arena.log || fail "arena"
printf 'strikes=2\n' >try.ini
cp arena.log arena.copy
"$sim" replay arena.log --ini try.ini >expected.txt 2>/dev/null ||
  fail "a plain replay"

# 1. An output that is an input is refused before any work, by identity.
expect 2 "refused: arena.log is one of the inputs" \
  replay arena.log --chart arena.log
expect 2 "refused: ./arena.log is arena.log, one of the inputs" \
  replay arena.log --transcript ./arena.log
expect 2 "refused: try.ini is one of the inputs" \
  replay arena.log --ini try.ini --chart try.ini
expect 2 "refused: arena.log is one of the inputs" \
  sweep arena.log --vary strikes=1,2 --chart arena.log
ln -s arena.log link.html
expect 2 "refused: link.html is arena.log, one of the inputs" \
  replay arena.log --chart link.html
mkdir here
cp try.ini here/tarvok.ini
(cd here && "$sim" replay ../arena.log --transcript tarvok.ini \
  >/dev/null 2>../err.txt)
[ $? -eq 2 ] && grep -qF "refused: tarvok.ini is one of the inputs" err.txt ||
  fail "replay --transcript over the folder's tarvok.ini: $(cat err.txt)"
(cd here && "$sim" --output ./tarvok.ini >/dev/null 2>../err.txt)
[ $? -eq 2 ] && grep -qF "refused: ./tarvok.ini is the tarvok.ini of the current folder, which the tools never write" err.txt ||
  fail "a run's --output over the folder's tarvok.ini: $(cat err.txt)"
(cd here && "$sim" replay ../arena.log --ini ../try.ini --chart tarvok.ini \
  >/dev/null 2>../err.txt)
[ $? -eq 2 ] && grep -qF "refused: tarvok.ini is the tarvok.ini of the current folder" err.txt ||
  fail "replay --chart over the folder's tarvok.ini: $(cat err.txt)"
expect 2 "refused: try.ini is one of the inputs" --ini try.ini --output try.ini
expect 2 "refused: try.ini is one of the inputs" --ini try.ini --log try.ini
cmp -s arena.log arena.copy || fail "the log was changed"
[ "$(cat try.ini)" = "strikes=2" ] || fail "try.ini was changed"
[ "$(cat here/tarvok.ini)" = "strikes=2" ] || fail "tarvok.ini was changed"

# 8. Special files are refused, never replaced; a folder that takes no new
# file is named before the replay; no OUT.part is left behind.
mkfifo out.fifo
expect 2 "cannot write out.fifo: it is a named pipe, not a regular file" \
  replay arena.log --chart out.fifo
expect 2 "cannot write out.fifo: it is a named pipe, not a regular file" \
  arena --output out.fifo
[ -p out.fifo ] || fail "the named pipe was replaced"
if [ "$(id -u)" -ne 0 ]; then
  expect 2 "cannot write /dev/null: it is a device, not a regular file" \
    replay arena.log --chart /dev/null
  mkdir locked
  chmod 555 locked
  expect 2 "no permission to write in the folder locked" \
    replay arena.log --chart locked/lag.html
fi
ls ./*.part* >/dev/null 2>&1 && fail "left behind: $(ls ./*.part*)"

# 13. Control bytes of a path are escaped in every message.
expect 2 "there is no folder no\\x1B]0;owned\\x07" \
  replay arena.log --chart "$(printf 'no\033]0;owned\007')/lag.html"

# 2. A piped log is read once into a temporary file: the same table.
"$sim" replay /dev/stdin --ini try.ini <arena.log >piped.txt 2>err.txt ||
  fail "replay /dev/stdin: $(cat err.txt)"
table expected.txt >a.txt
table piped.txt >b.txt
cmp -s a.txt b.txt || fail "replay of /dev/stdin differs from the file's"
mkfifo log.fifo
cat arena.log >log.fifo &
timeout 60 "$sim" replay log.fifo --ini try.ini >piped.txt 2>err.txt ||
  fail "replay of a named pipe: $(cat err.txt)"
table piped.txt >b.txt
cmp -s a.txt b.txt || fail "replay of a named pipe differs from the file's"
"$sim" sweep /dev/stdin --ini try.ini --vary strikes=1,2 <arena.log \
  >piped.txt 2>err.txt || fail "sweep /dev/stdin: $(cat err.txt)"
"$sim" sweep arena.log --ini try.ini --vary strikes=1,2 >swept.txt 2>&1
tail -n +2 swept.txt >a.txt
tail -n +2 piped.txt >b.txt
cmp -s a.txt b.txt || fail "sweep of /dev/stdin differs from the file's"
[ -z "$(ls temporary)" ] || fail "left in the temporary folder: $(ls temporary)"

# 12. A log named twice is read once; a gap in a rotated set is named.
"$sim" replay arena.log arena.log --ini try.ini >twice.txt 2>/dev/null ||
  fail "replay of a log named twice"
grep -qF "Note: arena.log is named twice: read once." twice.txt ||
  fail "no note of the log named twice"
grep -v "^Note: " twice.txt | tail -n +2 >b.txt
table expected.txt >a.txt
cmp -s a.txt b.txt || fail "a log named twice was counted twice"
lines=$(wc -l <arena.log)
split -l $((lines / 3 + 1)) arena.log piece.
mv piece.aa lag.log.3
mv piece.ab lag.log.1
mv piece.ac lag.log
"$sim" replay lag.log lag.log.3 lag.log.1 >gap.txt 2>/dev/null ||
  fail "replay of a set with a gap"
grep -qF "Note: lag.log.2 is missing between lag.log.3 and lag.log.1: the rows it holds are not replayed." \
  gap.txt || fail "no note of the gap: $(head -n 3 gap.txt)"

# 3. Too few open files for the logs, and no room for the replayed
# plug-in's own log: exit status 2 with the reason, never cut counts.
# Whatever the limit on open files, a replay of many logs gives the table
# of the replay without a limit, or exit status 2 with the reason: a log
# not opened, the plug-in's settings or log not opened, its log not read
# back. The logs' rows are kept after loading, so only a limit of a few
# files is too low: the limits are tried downwards to the first refusal
# (below it the program fails before it replays anything, down to the
# loading of its libraries).
mkdir many
split -d -a 3 -l 10 --additional-suffix=.log arena.log many/part
"$sim" replay many/*.log >a.txt 2>/dev/null || fail "a replay of many logs"
parts=$(ls many | wc -l)
refusals=0
for limit in $(seq $((parts + 20)) -1 3); do
  (ulimit -n "$limit"; exec "$sim" replay many/*.log) >b.txt 2>err.txt
  status=$?
  if [ "$status" -eq 2 ]; then
    refusals=$((refusals + 1))
    grep -qF "too many files open at once?" err.txt ||
      grep -qF "Too many open files" err.txt ||
      fail "$parts logs at ulimit -n $limit: $(tail -c 200 err.txt)"
    break
  elif [ "$status" -ne 0 ] || ! cmp -s a.txt b.txt; then
    fail "$parts logs at ulimit -n $limit: status $status, counts cut"
  fi
done
[ "$refusals" -gt 0 ] || fail "no limit was too low for $parts logs"
(trap "" XFSZ; ulimit -f 2; exec "$sim" replay arena.log >/dev/null 2>err.txt)
[ $? -eq 2 ] &&
  grep -qF "the replayed plug-in could not write its lag log" err.txt ||
  fail "replay with no room for its own log: $(tail -n 1 err.txt)"
[ -z "$(ls temporary)" ] || fail "left in the temporary folder: $(ls temporary)"

# 10. A failed write of the standard output, or of an output file, is
# exit status 2, and an older output stays as it was.
if [ -w /dev/full ]; then
  for command in "arena" "replay arena.log" "check-ini try.ini" "--help"; do
    # shellcheck disable=SC2086
    "$sim" $command >/dev/full 2>err.txt
    [ $? -eq 2 ] && grep -qF "cannot write the standard output" err.txt ||
      fail "tarvok-sim $command >/dev/full: $(cat err.txt)"
  done
fi
echo "an older transcript" >replay.txt
(trap '' XFSZ; ulimit -f 8
  exec "$sim" replay arena.log --transcript replay.txt >/dev/null 2>err.txt)
[ $? -eq 2 ] && grep -qF "cannot write replay.txt" err.txt ||
  fail "a transcript too large for the disk: $(tail -n 1 err.txt)"
[ "$(cat replay.txt)" = "an older transcript" ] ||
  fail "the older transcript was lost"

# 8. A replay stopped while writing leaves no OUT.part behind.
"$sim" arena --minutes 10080 --output week.log
printf 'autocheck=30\n' >auto.ini
"$sim" replay week.log --ini auto.ini --transcript week.txt >/dev/null 2>&1 &
pid=$!
for attempt in $(seq 100); do
  [ -s week.txt.part ] && break
  sleep 0.1
done
kill -s TERM "$pid"
wait "$pid"
[ $? -eq 143 ] || fail "a replay stopped by SIGTERM: status $?"
ls week.txt* >/dev/null 2>&1 && fail "left behind: $(ls week.txt*)"
[ -z "$(ls temporary)" ] || fail "left in the temporary folder: $(ls temporary)"

# 14. A sweep that cannot start all its processes (too few open files for
# their pipes) replays the missing combinations itself: the same table.
# At 16 open files about 10 of 24 can start, each with room for its
# replay. (The shell's own redirections stand outside the limit.)
"$sim" sweep arena.log --vary strikes=1..24 --processes 24 >a.txt 2>&1
(ulimit -n 16
  exec "$sim" sweep arena.log --vary strikes=1..24 --processes 24) \
  >b.txt 2>err.txt || fail "a sweep short of processes: $(cat err.txt)"
cmp -s a.txt b.txt || fail "a sweep short of processes differs"

# 14. A sweep stopped by SIGTERM or SIGHUP ends its replays and waits.
for signal in TERM HUP; do
  "$sim" sweep week.log --vary strikes=1..8 --processes 3 >/dev/null 2>&1 &
  pid=$!
  for attempt in $(seq 100); do
    children=$(ps -o pid= --ppid "$pid")
    [ "$(echo "$children" | wc -w)" -eq 3 ] && break
    sleep 0.1
  done
  [ -n "$children" ] || fail "the sweep started no replays"
  kill -s "$signal" "$pid"
  wait "$pid"
  for child in $children; do
    kill -0 "$child" 2>/dev/null && fail "SIG$signal left replay $child running"
  done
done
sleep 1
[ -z "$(ls temporary)" ] || fail "left in the temporary folder: $(ls temporary)"

# 15. A chart of more players than a page holds is refused at once, in
# bounded memory.
awk 'BEGIN {
  print "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\ts2c\tc2s\ts2cweapons\tlimits\tstrikes\taction"
  for (i = 0; i < 10001; ++i)
    printf "2000-01-01T00:00:00Z\t1\tp%d\t0\t1\t*auto\t100\t100\t100\t100\t0.0\t0.0\t0.0\t-\t0/1\tnone\n", i
}' >crowd.log
(if [ -n "$memory" ]; then ulimit -v "$memory"; fi
  exec timeout 60 "$sim" replay crowd.log --chart crowd.html >/dev/null 2>err.txt)
[ $? -eq 2 ] &&
  grep -qF "the chart would draw 10001 players, more than the 10000" err.txt ||
  fail "a chart of 10001 players: $(tail -n 1 err.txt)"
ls crowd.html* >/dev/null 2>&1 && fail "left behind: $(ls crowd.html*)"
# Fewer players, but more memory than the limit allows: a clear message,
# the chart's older page kept, never an abort.
if [ -n "$memory" ]; then
  awk 'BEGIN {
    print "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\ts2c\tc2s\ts2cweapons\tlimits\tstrikes\taction"
    for (t = 0; t < 20; ++t) for (i = 0; i < 9000; ++i)
      printf "2000-01-01T00:%02d:00Z\t1\tp%d\t0\t1\t*auto\t100\t100\t100\t100\t0.0\t0.0\t0.0\t-\t0/1\tnone\n", t, i
  }' >crowd.log
  echo "an older page" >crowd.html
  (ulimit -v 100000
    exec timeout 60 "$sim" replay crowd.log --chart crowd.html >/dev/null 2>err.txt)
  status=$?
  if [ "$status" -eq 2 ]; then
    grep -qF "tarvok-sim: out of memory: the run stopped" err.txt ||
      fail "out of memory: $(tail -c 300 err.txt)"
    [ "$(cat crowd.html)" = "an older page" ] || fail "the older page was lost"
  elif [ "$status" -ne 0 ]; then
    fail "a chart of 9000 players at ulimit -v 100000: status $status"
  fi
  ls crowd.html.* >/dev/null 2>&1 && fail "left behind: $(ls crowd.html.*)"
fi

exit "$failures"
