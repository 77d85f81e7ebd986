#!/bin/sh
# Runs every benchmark given on the command line, one after the other, and
# ends with the summary lines ("BENCH <name> ratio=... target=... met|not met")
# that they printed, in order.
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
status=0
for bench in "$@"; do
  echo "==== $(basename "$bench")"
  "$bench" | tee -a "$summary" || status=1
done
echo
echo "==== summary"
grep '^BENCH ' "$summary"
exit $status
