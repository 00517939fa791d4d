#!/bin/sh
# Do the shipped programs stay within their size budgets?
#
#   check-size.sh BUDGETS PROGRAM.exe...
#
# BUDGETS holds "NAME.exe BYTES" lines (# starts a comment). Fails when a
# program is larger than its budget or has none.
set -u
budgets=$1
shift
status=0
for program in "$@"; do
  name=$(basename "$program")
  budget=$(awk -v name="$name" '$1 == name { print $2 }' "$budgets")
  size=$(stat -c %s "$program") || exit 1
  if [ -z "$budget" ]; then
    echo "FAIL $name: no budget in $budgets"
    status=1
  elif [ "$size" -gt "$budget" ]; then
    echo "FAIL $name: $size bytes, over its budget of $budget"
    status=1
  else
    echo "PASS $name: $size bytes, budget $budget"
  fi
done
exit $status
