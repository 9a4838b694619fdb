#!/bin/sh
# Every reader of the simulator, given input without line ends or with one
# line too long, ends within seconds with "NAME:LINE: line longer than 65536
# bytes" and exit status 2, inside a memory limit that such input would
# break at once if it were read whole.
#   readers_under_memory_limit.sh SIM
set -u
sim=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1

# Three short lines, then 70,000 bytes without an end.
{ printf 'init\n## fine\n\n'; head -c 70000 /dev/zero | tr '\0' x; } >long.scenario
cp long.scenario long.ini
: >empty.log

failures=0
# expect MESSAGE INPUT ARGUMENT...: runs SIM ARGUMENT... with INPUT as its
# standard input and checks the first line of its message, its status and
# its time.
expect() {
  message=$1
  input=$2
  shift 2
  (
    ulimit -v 65536
    exec timeout 10 "$sim" "$@" <"$input" >out.txt 2>err.txt
  )
  status=$?
  if [ "$status" -ne 2 ] || [ "$(head -n 1 err.txt)" != "$message" ]; then
    echo "FAILED: tarvok-sim $* <$input: status $status (expected 2)"
    echo "  expected: $message"
    echo "  got:      $(head -c 300 err.txt)"
    failures=$((failures + 1))
  fi
}

expect "/dev/zero:1: line longer than 65536 bytes" /dev/null check-ini /dev/zero
expect "/dev/zero:1: line longer than 65536 bytes" /dev/null --ini /dev/zero
expect "/dev/zero:1: line longer than 65536 bytes" /dev/null /dev/zero
expect "(standard input):1: line longer than 65536 bytes" /dev/zero check-ini -
expect "(standard input):1: line longer than 65536 bytes" /dev/zero -i
expect "/dev/zero:1: line longer than 65536 bytes" /dev/null \
  replay empty.log --ini /dev/zero
expect "long.scenario:4: line longer than 65536 bytes" /dev/null long.scenario
expect "long.ini:4: line longer than 65536 bytes" /dev/null check-ini long.ini
expect "(standard input):4: line longer than 65536 bytes" long.scenario -i
# The interactive run carried out the lines before the long one.
grep -q -- "-- fine" out.txt || {
  echo "FAILED: -i did not carry out the lines before the long one"
  failures=$((failures + 1))
}
exit "$failures"
