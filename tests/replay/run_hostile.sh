#!/bin/sh
# Hostile sizes for the replay's reader: each must end at once with a clear
# error, in bounded memory.
#   run_hostile.sh SIM [MEMORY_KB]   (MEMORY_KB: a ulimit -v, or none)
sim=$1
memory=$2
fail() { echo "FAILED: $*"; exit 1; }

# An endless line: the reader gives up after 64 KiB.
if [ -e /dev/zero ]; then
  err=$("$sim" replay /dev/zero 2>&1 >/dev/null)
  [ $? -eq 2 ] || fail "/dev/zero: exit status"
  [ "$err" = "tarvok-sim replay: /dev/zero:1: line longer than 65536 bytes" ] ||
    fail "/dev/zero: $err"
fi

# A 200 MB line under a memory limit.
err=$(head -c 200000000 /dev/zero | tr '\0' a | (
  if [ -n "$memory" ]; then ulimit -v "$memory"; fi
  "$sim" replay /dev/stdin 2>&1 >/dev/null))
case $err in
  *"/dev/stdin:1: line longer than 65536 bytes") ;;
  *) fail "a 200 MB line: $err" ;;
esac
echo "passed"
