#!/bin/sh
# Can the shipped programs load on the target systems? Lists every function
# each .exe imports (objdump -p) and compares it with what each target
# system's DLLs export (exports/windows95.txt, exports/nt40.txt).
#
#   check-imports.sh OBJDUMP EXPORTS_DIR PROGRAM.exe...
#
# Fails on an import that a target does not export, and on a failing stub
# listed without its reason. Prints each stub a program reaches, with the
# reason the list gives, and list entries that no program imports.
set -u
objdump=$1
exports_dir=$2
shift 2

imports=$(mktemp)
trap 'rm -f "$imports"' EXIT
for program in "$@"; do
  # "DLL Name: X" opens a DLL's table; its rows are "<tab>ADDRESS<tab> HINT NAME".
  "$objdump" -p "$program" | awk -v exe="$(basename "$program")" '
    /DLL Name:/ { dll = toupper($3); next }
    /^$/ { next }
    dll != "" && /^\t[0-9a-f]+\t/ { print exe, dll, $NF }
    /^[^\t ]/ { dll = "" }' >>"$imports" || exit 1
  if ! grep -q "^$(basename "$program") " "$imports"; then
    echo "FAIL $program: no imports found"
    exit 1
  fi
done

status=0
for list in "$exports_dir"/windows95.txt "$exports_dir"/nt40.txt; do
  target=$(basename "$list" .txt)
  awk -v target="$target" '
    # The list: "[DLL]" headers, then "NAME" or "NAME stub: WHY".
    FNR == NR {
      if ($0 ~ /^[ \t]*(#|$)/) next
      if ($0 ~ /^\[.*\]$/) { dll = toupper(substr($0, 2, length($0) - 2)); next }
      key = dll " " $1
      listed[key] = 1
      if ($2 == "stub:") {
        reason = $0
        sub(/^[^ ]+ stub:[ ]*/, "", reason)
        stub[key] = reason
        if (reason == "") { print "FAIL " target ": " key " is a stub without a reason"; failed = 1 }
      }
      next
    }
    {
      key = $2 " " $3
      used[key] = 1
      if (!(key in listed)) {
        print "FAIL " target ": " $1 " imports " $3 " from " $2 ", which " target " does not export"
        failed = 1
      } else if (key in stub) {
        print "stub " target ": " $1 " " $3 " (" $2 "): " stub[key]
      }
    }
    END {
      for (key in listed) if (!(key in used)) print "note " target ": " key " is listed but imported by no program"
      exit failed
    }' "$list" "$imports" || status=1
done
[ $status -eq 0 ] && echo "PASS: $(awk '{print $2, $3}' "$imports" | sort -u | wc -l) imports of $# programs are exported by Windows 95 and NT 4.0"
exit $status
