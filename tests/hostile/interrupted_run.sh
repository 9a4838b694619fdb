#!/bin/sh
# An interrupted run leaves nothing behind: tarvok-sim -i, with the plug-in
# writing its lag log and waiting for the next typed line inside its work
# folder, gets SIGINT (as from Ctrl-C), SIGTERM or SIGHUP. Each time the
# work folder is gone and the program ended by that signal. So, too, when
# the reader of its transcript goes away (tarvok-sim | head): SIGPIPE.
#   interrupted_run.sh SIM
set -u
sim=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/temporary"
mkfifo "$folder/typed"

failures=0
for pair in INT:2 TERM:15 HUP:1; do
  signal=${pair%:*}
  # A shell starts a program in the background with SIGINT ignored; env
  # gives it the default back, as a terminal's foreground program has it.
  TMPDIR="$folder/temporary" env --default-signal=INT "$sim" -i \
    <"$folder/typed" >"$folder/out.txt" 2>&1 &
  sim_pid=$!
  exec 3>"$folder/typed"
  printf 'ini LagLog=lag.log\ninit\narrive Al\nAl: !lagme\n' >&3
  # Interrupted once the plug-in has written a row into the work folder.
  for attempt in $(seq 100); do
    grep -q "lag.log:" "$folder/out.txt" && break
    sleep 0.1
  done
  grep -q "lag.log:" "$folder/out.txt" || {
    echo "FAILED: no lag log row before SIG$signal"
    failures=$((failures + 1))
  }
  kill -s "$signal" "$sim_pid"
  wait "$sim_pid"
  status=$?
  exec 3>&-
  expected=$((128 + ${pair#*:}))
  left=$(ls "$folder/temporary")
  if [ -n "$left" ] || [ "$status" -ne "$expected" ]; then
    echo "FAILED: after SIG$signal: status $status (expected $expected)," \
         "left in the temporary folder: ${left:-nothing}"
    cat "$folder/out.txt"
    failures=$((failures + 1))
    rm -rf "$folder/temporary/"*
  fi
done
# The reader takes one byte and goes; the lines typed after that make the
# simulator write again, into the closed pipe. (Writes of ours into the
# fifo after the simulator ended must not end this script; the simulator
# is started before, as a signal ignored stays ignored in a child.)
rm -f "$folder/status"
{
  TMPDIR="$folder/temporary" "$sim" -i <"$folder/typed" 2>"$folder/out.txt"
  echo $? >"$folder/status"
} | head -c 1 >/dev/null &
trap '' PIPE
exec 3>"$folder/typed"
printf 'ini LagLog=lag.log\ninit\narrive Al\n' >&3
for attempt in $(seq 100); do
  [ -e "$folder/status" ] && break
  for line in $(seq 50); do echo 'Al: !lagme' >&3 2>/dev/null; done
  sleep 0.1
done
exec 3>&-
wait
status=$(cat "$folder/status" 2>/dev/null)
left=$(ls "$folder/temporary")
if [ -n "$left" ] || [ "$status" != 141 ]; then
  echo "FAILED: after the reader went away: status ${status:-none}" \
       "(expected 141), left in the temporary folder: ${left:-nothing}"
  cat "$folder/out.txt"
  failures=$((failures + 1))
fi
# A shell that ignores SIGPIPE passes that on: the reader going away is
# then no signal but a write that fails, and the run must say so and end
# with status 2, not 0, its work folder removed all the same.
rm -f "$folder/status"
(
  trap '' PIPE
  TMPDIR="$folder/temporary" "$sim" -i <"$folder/typed" 2>"$folder/out.txt"
  echo $? >"$folder/status"
) | head -c 1 >/dev/null &
exec 3>"$folder/typed"
printf 'ini LagLog=lag.log\ninit\narrive Al\n' >&3
# The lines typed after the reader went away make the simulator write in
# vain; the end of its input ends the run.
for attempt in $(seq 10); do
  for line in $(seq 50); do echo 'Al: !lagme' >&3 2>/dev/null; done
  sleep 0.1
done
exec 3>&-
wait
status=$(cat "$folder/status" 2>/dev/null)
left=$(ls "$folder/temporary")
if [ -n "$left" ] || [ "$status" != 2 ] ||
  ! grep -qF "cannot write the standard output" "$folder/out.txt"; then
  echo "FAILED: with SIGPIPE ignored, after the reader went away: status" \
       "${status:-none} (expected 2), left in the temporary folder:" \
       "${left:-nothing}"
  cat "$folder/out.txt"
  failures=$((failures + 1))
fi
exit "$failures"
