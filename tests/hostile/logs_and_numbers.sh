#!/bin/sh
# The lag log and the evidence tools on the edges an unlucky operator meets:
#   - a capped log on a full disk keeps its newest rows (the oldest rotated
#     file makes room), in a small filesystem of its own (skipped where the
#     system lets nobody mount one);
#   - a scenario follows its log across every rotation: the transcript and
#     --log have every row the plug-in wrote;
#   - handles and strikes of 64-bit size read back, and a log spanning more
#     than 136 years gives its length in hours;
#   - check-ini is linear in sections and allowances, and a replay skips
#     long stretches without rows whatever the countdowns: both end in
#     seconds where they took minutes;
#   - a replay refuses settings larger than what the plug-in reads;
#   - numbers on the command line are decimal, and the count of too many
#     combinations is shown whole.
#   logs_and_numbers.sh SIM
set -u
sim=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" || exit 1
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# A lag line that belonged to no request: a row of about 90 bytes each.
lag_line='server PING Current:90 ms  Average:80 ms  Low:70 ms  High:120 ms  S2C: 0.0%  C2S: 0.0%  S2CWeapons: 0.0%'
lag_lines() {
  i=0
  while [ "$i" -lt "$1" ]; do
    echo "$lag_line"
    i=$((i + 1))
  done
}

# --- A full disk: 64 KiB, of which three old rotated files take 60.
if unshare -rm true 2>/dev/null; then
  mkdir disk
  { echo "ini LagLog=$folder/disk/lag.log"; echo "ini LagLogMaxBytes=30000"
    echo init; lag_lines 150; } >full.scenario
  unshare -rm sh -c '
    mount -t tmpfs -o size=64k tmpfs disk || exit 3
    for n in 1 2 3; do head -c 20000 /dev/zero | tr "\0" x >disk/lag.log.$n; done
    "$1" --output full.txt full.scenario
    status=$?
    ls disk >disk.txt
    grep -c "	none\$\|	connected\$" disk/lag.log >rows.txt
    exit $status' sh "$sim"
  status=$?
  [ $status -eq 0 ] || fail "full disk: exit status $status"
  grep -q "Lag log: the disk is full: removed $folder/disk/lag.log.3 to keep the newest rows" full.txt ||
    fail "full disk: no word of the removed file"
  grep -q "cannot write" full.txt && fail "full disk: rows were lost"
  [ "$(cat rows.txt)" = 151 ] || fail "full disk: $(cat rows.txt) rows of 151 kept"
  [ "$(tr '\n' ' ' <disk.txt)" = "lag.log lag.log.1 lag.log.2 " ] ||
    fail "full disk: files $(tr '\n' ' ' <disk.txt)"
else
  echo "(no private mount here: the full disk is not tried)"
fi

# --- Following the log across its rotations, several within one event.
{ echo "ini LagLog=lag.log"; echo "ini LagLogMaxBytes=500"; echo init
  for name in Al Bo Cy Di Ed Fa Gu Hy; do echo "arrive $name"; done
  lag_lines 12; echo term; echo init; lag_lines 3; } >rotating.scenario
"$sim" --output rotating.txt --log kept.log rotating.scenario
[ $? -eq 0 ] || fail "rotation: exit status"
# Connected and eight arrivals twice, fifteen lag lines.
shown=$(grep "lag.log: .*| " rotating.txt | grep -vc "lag.log: time | ")
[ "$shown" = 33 ] || fail "rotation: the transcript shows $shown rows of 33"
kept=$(grep -vc "^time" kept.log)
[ "$kept" = 33 ] || fail "rotation: --log kept $kept rows of 33"

# --- 64-bit handles and strikes, and a span past 32-bit seconds.
row() {  # TIME BOT PLAYER STRIKES ACTION
  printf '%s\t%s\t%s\t0\t1\t*auto\t90\t80\t70\t120\t0.0\t0.0\t0.0\t-\t%s\t%s\n' \
    "$1" "$2" "$3" "$4" "$5"
}
{ row 2026-01-01T00:00:00Z 4000000000 Bob 1/1000000000 none
  row 2026-01-01T00:00:05Z 18446744073709551615 Ann 0/2147483647 none
  row 2170-01-01T00:00:05Z 4000000000 Bob 2/1000000000 none
} >wide.log
"$sim" replay wide.log >wide.txt 2>wide.err
[ $? -eq 0 ] || fail "wide numbers: exit status: $(cat wide.err)"
grep -q "bot 4000000000: Bob" wide.txt || fail "wide numbers: handle 4000000000"
grep -q "bot 18446744073709551615: Ann" wide.txt ||
  fail "wide numbers: handle 2^64 - 1"
grep -q "Skipped lines: 0" wide.txt || fail "wide numbers: lines skipped"
# 144 years, 35 of them leap years (2100 is none), and 5 seconds.
grep -q "(3 rows, from 2026-01-01T00:00:00Z, 1262280:00:05 long)" wide.txt ||
  fail "wide numbers: $(head -1 wide.txt)"

# --- Linear time: 1 MiB of sections and allowances.
awk 'BEGIN { for (i = 0; i < 22000; ++i) printf "[arena a%d]\nallow=P%d +10\n", i, i % 900 }' \
  >many.ini
timeout 60 "$sim" check-ini many.ini >/dev/null 2>&1
[ $? -eq 124 ] && fail "check-ini of 22,000 sections: over a minute"
timeout 60 "$sim" replay --ini many.ini wide.log >/dev/null 2>&1
[ $? -eq 124 ] && fail "replay under 22,000 sections: over a minute"

# Ten years without rows while a player is listed, under countdowns of
# 68 years.
{ printf 'maxcheckrate=2147483647\ngrace=2147483647\nautocheck=2147483647\n'
  printf 'answertimeout=2147483647\n'; } >long.ini
{ row 2026-01-01T00:00:00Z 1 Bob 0/1 none
  row 2036-01-01T00:00:00Z 1 Bob 0/1 none; } >decade.log
timeout 60 "$sim" replay --ini long.ini decade.log >/dev/null 2>decade.err
status=$?
[ $status -eq 124 ] && fail "ten years of countdowns: over a minute"
[ $status -eq 0 ] || fail "ten years of countdowns: $(cat decade.err)"

# --- Settings past what the plug-in reads.
head -c 1100000 /dev/zero | tr '\0' '#' | fold -w 99 | head -c 1046000 >big.ini
err=$("$sim" replay --ini big.ini wide.log 2>&1 >/dev/null)
[ $? -eq 2 ] || fail "big settings: exit status"
case $err in
  *"big.ini has 1046000 bytes: the plug-in reads only the first 1048576"*) ;;
  *) fail "big settings: $err" ;;
esac

# --- Decimal numbers; a count too large for any integer type.
"$sim" arena --minutes 10 --seed 10 >ten.log || fail "seed 10"
"$sim" arena --minutes 010 --seed 010 >oh-ten.log || fail "seed 010"
cmp -s ten.log oh-ten.log || fail "seed 010 is not seed 10"
"$sim" arena --minutes 10 --seed 08 >/dev/null || fail "seed 08 refused"
"$sim" arena --seed 0x10 >/dev/null 2>&1 && fail "seed 0x10 taken"
err=$("$sim" sweep wide.log --vary strikes=1..1000 --vary current=1..1000 \
  --vary average=1..1000 --vary s2cploss=1..1000 --vary c2sploss=1..1000 \
  --vary s2cweapons=1..1000 --vary maxcheckrate=1..1000 2>&1 >/dev/null)
case $err in
  *"1000 x 1000 x 1000 x 1000 x 1000 x 1000 x 1000 = 1000000000000000000000 combinations"*) ;;
  *) fail "too many combinations: $err" ;;
esac

[ $failures -eq 0 ] && echo "passed"
exit $failures
