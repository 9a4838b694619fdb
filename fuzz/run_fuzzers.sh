#!/usr/bin/env bash
# Runs each fuzz target of build/fuzz for a bounded time, one after another
# (the machine has two cores), starting from its seed corpus in
# fuzz/corpus/<name>. New inputs go to build/fuzz/corpus/<name>, never into
# the repository; a crashing input is kept as build/fuzz/artifacts/<name>-*.
#
#   fuzz/run_fuzzers.sh SECONDS [NAME...]     (default: every target)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:?usage: run_fuzzers.sh SECONDS [NAME...]}"
shift
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  names=(command string config config_check events lag_log)
fi

build="$root/build/fuzz"
mkdir -p "$build/artifacts" "$build/logs"
failed=()
for name in "${names[@]}"; do
  work="$build/corpus/$name"
  log="$build/logs/$name.log"
  mkdir -p "$work"
  status=0
  # Corpus directories come last: the first one receives new inputs.
  "$build/${name}_fuzzer" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name-" \
    "$work" "$root/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  corpus="$(find "$work" -type f | wc -l)"
  if [ "$status" -eq 0 ]; then
    echo "fuzz $name: ${runs:-?} inputs in ${seconds} s, no finding (corpus $corpus)"
  else
    echo "fuzz $name: FINDING after ${runs:-?} inputs (exit $status); log $log"
    # The log's last line (where the input went) has no line end.
    grep -E 'ERROR|check failed|^  |SUMMARY|Test unit written' "$log" \
      | head -20 || true
    echo
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz targets with findings: ${failed[*]}" >&2
  exit 1
fi
