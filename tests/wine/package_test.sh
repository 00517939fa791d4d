#!/bin/sh
# The NSIS installer under Wine, headless, with the x86_64 programs: silent
# install; the files and the Run entries are there and a Run entry starts its
# program; a second install ends the running copy and replaces it; silent
# uninstall ends the running program and leaves nothing behind (files,
# folder, Run values, Add/Remove Programs key).
#
#   tests/wine/package_test.sh SETUP_EXE PROBE_EXE TEMPLATE_DIR PROGRAM_EXE...
#
# PROGRAM_EXE are the programs the installer should hold (plimset.exe, ...);
# each one's Run value is its name with a capital first letter.
set -u
[ $# -ge 4 ] || { echo "usage: $0 SETUP_EXE PROBE_EXE TEMPLATE_DIR PROGRAM_EXE..." >&2; exit 2; }
SETUP=$1
PROBE=$2
TEMPLATE=$3
shift 3
if [ ! -f "$SETUP" ]; then
  echo "FAIL package: no installer at $SETUP (it needs makensis: apt-get install nsis, then build the target windows_package)"
  exit 1
fi
. "$(dirname "$0")/wine-test-lib.sh"

INSTALL_DIR='C:\Program Files\Notebook Fn Keys'
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NotebookFnKeys'

# reg_value KEY NAME: prints the value's data; fails when the key or value is missing.
reg_value() {
  out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1
  printf '%s\n' "$out" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep . || return 1
}

reg_key_exists() {
  wine reg query "$1" >/dev/null 2>&1
}

run_value_name() {
  base=$(basename "$1" .exe)
  printf '%s%s' "$(printf %s "$base" | cut -c1 | tr '[:lower:]' '[:upper:]')" "$(printf %s "$base" | cut -c2-)"
}

# start_plimset_from_run_key: starts plimset with the command line of its Run
# entry, as the logon would, answers its "no driver" box and sets WINDOW to its
# window. (Not for a command substitution: the program must stay this shell's
# child, and its output must not hold the substitution open.)
start_plimset_from_run_key() {
  WINDOW=
  command=$(reg_value "$RUN_KEY" Plimset) || return 1
  path=$(printf %s "$command" | sed 's/^"\(.*\)"$/\1/')
  wt_start "$path"
  box=$(wt_probe wait '#32770' '*' 30000) || return 1
  wt_probe answer "$box"
  WINDOW=$(wt_probe wait PLIMSET Plimset 10000)
}

# wait_until_gone UNIX_PATH SECONDS: the uninstaller runs on as a copy of
# itself after the started one has returned, so its work is waited for.
wait_until_gone() {
  tries=$(($2 * 10))
  while [ -e "$1" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  [ ! -e "$1" ]
}

wt_begin package "$PROBE" "$TEMPLATE"
UNIX_DIR="$WINEPREFIX/drive_c/Program Files/Notebook Fn Keys"
wt_install "$SETUP" Setup/setup.exe

# Install.
wine 'C:\Setup\setup.exe' /S >"$WT_WORK/setup.out" 2>&1
wt_check "silent install exit code" 0 "$?"
for program in "$@"; do
  name=$(basename "$program")
  if cmp -s "$program" "$UNIX_DIR/$name"; then
    wt_pass "$name installed unchanged"
  else
    wt_fail "$name missing or different in $INSTALL_DIR"
  fi
  wt_check "Run entry of $name" "\"$INSTALL_DIR\\$name\"" "$(reg_value "$RUN_KEY" "$(run_value_name "$name")")"
done
for name in README.txt uninstall.exe; do
  if [ -s "$UNIX_DIR/$name" ]; then wt_pass "$name installed"; else wt_fail "$name not installed"; fi
done
# Notepad of Windows 95 shows a text without carriage returns as one line.
if [ -s "$UNIX_DIR/README.txt" ] && ! grep -q -v "$(printf '\r')\$" "$UNIX_DIR/README.txt"; then
  wt_pass "README.txt has Windows line ends"
else
  wt_fail "README.txt lacks Windows line ends"
fi
wt_check "Add/Remove Programs name" "Notebook Fn Keys" "$(reg_value "$UNINSTALL_KEY" DisplayName)"
wt_check "Add/Remove Programs uninstaller" "\"$INSTALL_DIR\\uninstall.exe\"" \
  "$(reg_value "$UNINSTALL_KEY" UninstallString)"

# The Run entry starts plimset; installing again ends it and replaces it.
if start_plimset_from_run_key; then
  wt_pass "plimset started from its Run entry"
  wine 'C:\Setup\setup.exe' /S >"$WT_WORK/setup.out" 2>&1
  wt_check "second install over a running plimset: exit code" 0 "$?"
  if wt_probe wait-gone "$WINDOW" 5000; then wt_pass "second install ended plimset"; else wt_fail "plimset still runs"; fi
  wt_check "plimset ended with exit code 0" 0 "$(wt_wait_exit 20)"
else
  wt_fail "plimset did not start from its Run entry"
fi

# Uninstall while plimset runs, with a driver file the user put beside the programs.
start_plimset_from_run_key || wt_fail "plimset did not start again"
printf 'driver' >"$UNIX_DIR/KELVANE.sys"
wine "$INSTALL_DIR\\uninstall.exe" /S >"$WT_WORK/uninstall.out" 2>&1
if wait_until_gone "$UNIX_DIR" 30; then
  wt_pass "program folder removed"
else
  wt_fail "program folder left with: $(ls "$UNIX_DIR" | tr '\n' ' ')"
fi
if [ -n "$WINDOW" ] && wt_probe wait-gone "$WINDOW" 5000; then
  wt_pass "uninstall ended plimset"
else
  wt_fail "plimset window still there after uninstall"
fi
wt_check "plimset ended with exit code 0" 0 "$(wt_wait_exit 20)"
for program in "$@"; do
  value=$(run_value_name "$program")
  if reg_value "$RUN_KEY" "$value" >/dev/null; then wt_fail "Run value $value left"; else wt_pass "Run value $value removed"; fi
done
if reg_key_exists "$UNINSTALL_KEY"; then wt_fail "Add/Remove Programs key left"; else wt_pass "Add/Remove Programs key removed"; fi
wt_end
