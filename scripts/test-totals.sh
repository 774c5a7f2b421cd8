#!/usr/bin/env bash
# Adds up the "Totals:" lines of Qt Test result files into one line. CTest counts executables,
# not cases, and does not count skipped cases at all. A result file without totals (the test
# crashed or was killed) counts as one failure.
set -euo pipefail
passed=0 failed=0 skipped=0
for f in "$1"/*.txt; do
  [ -e "$f" ] || continue
  line=$(grep -a '^Totals:' "$f" | tail -1 || true)
  if [ -z "$line" ]; then
    echo "no totals in $(basename "$f" .txt): it did not finish" >&2
    failed=$((failed + 1))
    continue
  fi
  read -r p f_ s <<<"$(sed -E 's/^Totals: ([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped.*/\1 \2 \3/' <<<"$line")"
  passed=$((passed + p)) failed=$((failed + f_)) skipped=$((skipped + s))
done
echo "$passed passed, $failed failed, $skipped skipped"
