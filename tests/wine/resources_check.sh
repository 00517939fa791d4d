#!/bin/sh
# Checks the resources linked into a real program against the list it must
# hold (strings, icons with their sizes and colour depth, menu, accelerators,
# dialogs, version), as Windows itself reads them.
#
#   tests/wine/resources_check.sh PROGRAM_EXE EXPECTED_TXT RESDUMP_EXE TEMPLATE_DIR
set -u
[ $# -eq 4 ] || { echo "usage: $0 PROGRAM_EXE EXPECTED_TXT RESDUMP_EXE TEMPLATE_DIR" >&2; exit 2; }
. "$(dirname "$0")/wine-test-lib.sh"

# The dumper stands in for the probe: the prefix needs only a program to run.
wt_begin "resources $(basename "$1")" "$3" "$4"
if actual=$(wine "$3" "$1"); then
  if [ "$actual" = "$(cat "$2")" ]; then
    wt_pass "resources as listed in $(basename "$2")"
  else
    wt_fail "resources differ from $(basename "$2"):"
    printf '%s\n' "$actual" | diff -u "$2" - | sed 1,2d
  fi
else
  wt_fail "resdump could not read $1"
fi
wt_end
