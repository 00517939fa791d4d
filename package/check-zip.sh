#!/bin/sh
# Checks the zip of the real programs: it holds exactly README.txt and the
# given programs, each unchanged and each an i686 program, and README.txt has
# Windows line ends.
#
#   package/check-zip.sh ZIP README_TXT PROGRAM_EXE...
set -u
[ $# -ge 3 ] || { echo "usage: $0 ZIP README_TXT PROGRAM_EXE..." >&2; exit 2; }
ZIP=$1
shift
passed=0
failed=0
pass() { echo "PASS package_zip: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL package_zip: $1"; failed=$((failed + 1)); }

[ -f "$ZIP" ] || { echo "FAIL package_zip: no zip at $ZIP (build the target windows_package)"; exit 1; }
ZIP=$(cd "$(dirname "$ZIP")" && pwd)/$(basename "$ZIP")
work=$(mktemp -d "${TMPDIR:-/tmp}/package-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT

expected=$(for file in "$@"; do basename "$file"; done | sort | tr '\n' ' ')
listed=$(cmake -E tar tf "$ZIP" | sort | tr '\n' ' ')
if [ "$expected" = "$listed" ]; then
  pass "entries: $listed"
else
  fail "entries: expected [$expected], got [$listed]"
fi

(cd "$work" && cmake -E tar xf "$ZIP") || fail "cannot unpack"
# The PE header's machine field (at the offset that 0x3C holds, plus 4):
# 0x014c is i386.
pe_machine() {
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}
for file in "$@"; do
  name=$(basename "$file")
  if cmp -s "$file" "$work/$name"; then pass "$name unchanged"; else fail "$name differs from $file"; fi
  case "$name" in
    *.exe)
      machine=$(pe_machine "$work/$name")
      if [ "$machine" = 014c ]; then pass "$name is i686"; else fail "$name: PE machine $machine, not 014c (i686)"; fi
      ;;
  esac
done
if [ -s "$work/README.txt" ] && ! grep -q -v "$(printf '\r')\$" "$work/README.txt"; then
  pass "README.txt has Windows line ends"
else
  fail "README.txt lacks Windows line ends"
fi

echo "package_zip: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
