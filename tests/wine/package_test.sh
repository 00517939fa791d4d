#!/bin/sh
# The i686 NSIS installer under Wine, headless, with the installer and the
# programs told that they run on the Windows named by WT_VERSION (win2k when
# unset). In full: silent install; the files and the Run entries are there
# and each Run entry starts its program; a second install ends the running
# programs and replaces them; silent uninstall ends the running programs and
# leaves nothing behind (files, folder, Run values, Add/Remove Programs key).
# With --no-powrprof, on a system without powrprof.dll: an install as the
# user sees it, which installs kelvane.exe but does not start it at logon,
# and says why.
#
#   tests/wine/package_test.sh [--no-powrprof] SETUP_EXE PROBE_EXE TEMPLATE_DIR PROGRAM_EXE...
#
# PROGRAM_EXE are the programs the installer should hold (plimset.exe,
# kelvane.exe); each one's Run value is its name with a capital first letter.
set -u
NO_POWRPROF=
if [ "${1:-}" = --no-powrprof ]; then
  NO_POWRPROF=1
  shift
fi
[ $# -ge 4 ] || { echo "usage: $0 [--no-powrprof] SETUP_EXE PROBE_EXE TEMPLATE_DIR PROGRAM_EXE..." >&2; exit 2; }
SETUP=$1
PROBE=$2
TEMPLATE=$3
shift 3
if [ ! -f "$SETUP" ]; then
  echo "FAIL package: no installer at $SETUP (it needs makensis: apt-get install nsis, then build the target windows_package)"
  exit 1
fi
. "$(dirname "$0")/wine-test-lib.sh"

# A 32-bit program on 64-bit Windows, as in this WoW64 prefix, gets the
# folder Program Files (x86).
INSTALL_DIR='C:\Program Files (x86)\Notebook Fn Keys'
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NotebookFnKeys'
NO_POWRPROF_TEXT="This Windows has no power-profile library (powrprof.dll), which the power-scheme switcher \
kelvane needs. kelvane.exe is installed, but it does not start at logon."
PROGRAMS=
for program in "$@"; do PROGRAMS="$PROGRAMS $(basename "$program" .exe)"; done

# reg_value KEY NAME: prints the value's data; fails when the key or value is
# missing. The installer, an i686 program, writes the 32-bit view.
reg_value() {
  out=$(wine reg query "$1" /v "$2" /reg:32 2>/dev/null) || return 1
  printf '%s\n' "$out" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p" | grep . || return 1
}

reg_key_exists() {
  wine reg query "$1" /reg:32 >/dev/null 2>&1
}

run_value_name() {
  printf '%s%s' "$(printf %s "$1" | cut -c1 | tr '[:lower:]' '[:upper:]')" "$(printf %s "$1" | cut -c2-)"
}

# The window class and title by which each program is found.
window_class() { case $1 in plimset) echo PLIMSET ;; kelvane) echo NorvoKelvaneClass ;; *) echo "?" ;; esac; }
window_title() { case $1 in plimset) echo Plimset ;; *) echo '*' ;; esac; }

# start_from_run_key NAME: starts the program with the command line of its
# Run entry, as the logon would, and keeps its window handle and, once it
# ends, its exit code in files. Without the TRAVOK driver plimset first shows
# "Can not load Travok.sys!!"; the box is answered.
start_from_run_key() {
  rm -f "$WT_WORK/$1.window" "$WT_WORK/$1.exit"
  command=$(reg_value "$RUN_KEY" "$(run_value_name "$1")") || return 1
  path=$(printf %s "$command" | sed 's/^"\(.*\)"$/\1/')
  (
    wine "$path" >"$WT_WORK/$1.out" 2>&1
    echo $? >"$WT_WORK/$1.exit"
  ) &
  if [ "$1" = plimset ]; then
    box=$(wt_probe wait '#32770' '*' 30000) || return 1
    wt_probe answer "$box"
  fi
  wt_probe wait "$(window_class "$1")" "$(window_title "$1")" 15000 >"$WT_WORK/$1.window"
}

# check_ended NAME WHO: the program's window is gone and it ended with code 0.
check_ended() {
  window=$(cat "$WT_WORK/$1.window" 2>/dev/null)
  if [ -n "$window" ] && wt_probe wait-gone "$window" 5000; then
    wt_pass "$2 ended $1"
  else
    wt_fail "$2 did not end $1"
  fi
  tries=200
  while [ ! -f "$WT_WORK/$1.exit" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  wt_check "$1 exit code after $2" 0 "$(cat "$WT_WORK/$1.exit" 2>/dev/null)"
}

start_all() {
  for name in $PROGRAMS; do
    if start_from_run_key "$name"; then wt_pass "$name started from its Run entry"; else wt_fail "$name did not start from its Run entry"; fi
  done
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

# check_installed_file UNIX_PROGRAM: the program is in the folder, unchanged.
check_installed_file() {
  if cmp -s "$1" "$UNIX_DIR/$(basename "$1")"; then
    wt_pass "$(basename "$1") installed unchanged"
  else
    wt_fail "$(basename "$1") missing or different in $INSTALL_DIR"
  fi
}

# The install as the user sees it, on a system without powrprof.dll: the
# directory page, then the box that says why kelvane does not start at
# logon, then the last page.
install_without_powrprof() {
  # Both system folders, so that the installer finds none whichever it asks.
  rm -f "$WINEPREFIX/drive_c/windows/system32/powrprof.dll" "$WINEPREFIX/drive_c/windows/syswow64/powrprof.dll"
  wt_spawn setup 'C:\Setup\setup.exe'
  window=$(wt_probe wait '#32770' '*' 30000) || { wt_fail "no installer window"; return; }
  wt_probe answer "$window"
  # The box bears the installer's caption; its window adds the page's name.
  caption=$(wt_probe text "$window" | sed 's/: Installing$//')
  wt_expect_box "no powrprof.dll" "$caption" "$NO_POWRPROF_TEXT" "buttons=1 icon=1" 30
  # The last page's button ends the installer once the copying is done.
  sleep 1
  tries=50
  while [ ! -f "$WT_WORK/setup.exit" ] && [ "$tries" -gt 0 ]; do
    wt_probe answer "$window" 2>/dev/null
    sleep 0.2
    tries=$((tries - 1))
  done
  wt_check "installer exit code" 0 "$(wt_exit_of setup 10)"
  for program in "$@"; do check_installed_file "$program"; done
  wt_check "plimset starts at logon" "\"$INSTALL_DIR\\plimset.exe\"" "$(reg_value "$RUN_KEY" Plimset)"
  if reg_value "$RUN_KEY" Kelvane >/dev/null; then
    wt_fail "kelvane starts at logon without powrprof.dll"
  else
    wt_pass "kelvane does not start at logon"
  fi
}

wt_begin package "$PROBE" "$TEMPLATE"
UNIX_DIR="$WINEPREFIX/drive_c/Program Files (x86)/Notebook Fn Keys"
wt_install "$SETUP" Setup/setup.exe
# The uninstaller runs on as a copy of itself named Au_.exe.
wt_setup_programs "" setup.exe uninstall.exe Au_.exe
if [ -n "$NO_POWRPROF" ]; then
  install_without_powrprof "$@"
  wt_end
fi

# Install.
wine 'C:\Setup\setup.exe' /S >"$WT_WORK/setup.out" 2>&1
wt_check "silent install exit code" 0 "$?"
for program in "$@"; do
  name=$(basename "$program")
  check_installed_file "$program"
  wt_check "Run entry of $name" "\"$INSTALL_DIR\\$name\"" \
    "$(reg_value "$RUN_KEY" "$(run_value_name "$(basename "$name" .exe)")")"
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

# The Run entries start the programs; installing again ends and replaces them.
start_all
wine 'C:\Setup\setup.exe' /S >"$WT_WORK/setup.out" 2>&1
wt_check "second install over the running programs: exit code" 0 "$?"
for name in $PROGRAMS; do check_ended "$name" "second install"; done

# Uninstall while the programs run, with a driver file the user put beside them.
start_all
printf 'driver' >"$UNIX_DIR/KELVANE.sys"
wine "$INSTALL_DIR\\uninstall.exe" /S >"$WT_WORK/uninstall.out" 2>&1
if wait_until_gone "$UNIX_DIR" 30; then
  wt_pass "program folder removed"
else
  wt_fail "program folder left with: $(find "$UNIX_DIR" -type f -printf '%f ')"
fi
for name in $PROGRAMS; do
  check_ended "$name" uninstall
  value=$(run_value_name "$name")
  if reg_value "$RUN_KEY" "$value" >/dev/null; then wt_fail "Run value $value left"; else wt_pass "Run value $value removed"; fi
done
if reg_key_exists "$UNINSTALL_KEY"; then wt_fail "Add/Remove Programs key left"; else wt_pass "Add/Remove Programs key removed"; fi
wt_end
