# Shared steps of the Wine tests, sourced by the test scripts.
#
# A test calls wt_begin with the template prefix and the probe, runs programs
# with wt_start, looks at them with wt_probe, records results with wt_check /
# wt_fail, and ends with wt_end, which prints the summary and sets the exit code.
# Every test gets its own copy of the template, removed again at the end.

WT_TOOLS=$(cd "$(dirname "$0")/../../tools" && pwd)
WT_PASSED=0
WT_FAILED=0
WT_PROGRAM_PID=
export WINEDEBUG=-all

# wt_begin TEST_NAME TEMPLATE_DIR PROBE_EXE
wt_begin() {
  WT_NAME=$1
  WT_PROBE=$2
  WT_TEMPLATE=$3
  [ -f "$WT_PROBE" ] || { echo "FAIL $WT_NAME: no probe at $WT_PROBE"; exit 1; }
  "$WT_TOOLS/wine-prefix.sh" template "$WT_TEMPLATE" || { echo "FAIL $WT_NAME: no Wine prefix"; exit 1; }
  WT_WORK=$(mktemp -d "${TMPDIR:-/tmp}/wine-test.XXXXXX")
  export WINEPREFIX="$WT_WORK/prefix"
  "$WT_TOOLS/wine-prefix.sh" copy "$WT_TEMPLATE" "$WINEPREFIX"
  trap wt_cleanup EXIT
  # Keep the server up between the short probe runs (and let it go on its own
  # a minute after the last program, should the cleanup never run).
  wineserver -p60
}

wt_cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WT_WORK"
}

# wt_install UNIX_FILE PATH_UNDER_C: copies a program into the prefix's drive
# C, e.g. to Notebook/plimset.exe, so that its path (and so the captions of its
# message boxes) is the same on every machine.
wt_install() {
  mkdir -p "$(dirname "$WINEPREFIX/drive_c/$2")"
  cp "$1" "$WINEPREFIX/drive_c/$2"
}

# wt_spawn LABEL WINDOWS_PATH [ARGS...]: runs a program in the background; its
# output (and the trace of its calls, see wt_trace_calls) goes to
# $WT_WORK/LABEL.out, its exit code to $WT_WORK/LABEL.exit.
wt_spawn() {
  label=$1
  shift
  rm -f "$WT_WORK/$label.exit"
  (
    WINEDEBUG=${WT_SPAWN_DEBUG:--all} wine "$@" >"$WT_WORK/$label.out" 2>&1
    echo $? >"$WT_WORK/$label.exit"
  ) &
}

# wt_exit_of LABEL SECONDS: waits for the program spawned as LABEL; prints its
# exit code, returns 1 when it is still running after SECONDS.
wt_exit_of() {
  tries=$(($2 * 10))
  while [ ! -f "$WT_WORK/$1.exit" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  [ -f "$WT_WORK/$1.exit" ] || return 1
  cat "$WT_WORK/$1.exit"
}

# wt_start WINDOWS_PATH [ARGS...]: runs the program under test in the background.
wt_start() {
  wt_spawn program "$@"
  WT_PROGRAM_PID=$!
}

# wt_wait_exit SECONDS: waits for the program started last by wt_start.
wt_wait_exit() {
  wt_exit_of program "$1" || return 1
  wait "$WT_PROGRAM_PID" 2>/dev/null || true
}

wt_probe() {
  wine "$WT_PROBE" "$@"
}

# printf, not echo: the shell's echo would turn the backslashes of Windows
# paths into escapes.
wt_pass() {
  printf '%s\n' "PASS $WT_NAME: $1"
  WT_PASSED=$((WT_PASSED + 1))
}

wt_fail() {
  printf '%s\n' "FAIL $WT_NAME: $1"
  WT_FAILED=$((WT_FAILED + 1))
}

# wt_check WHAT EXPECTED ACTUAL
wt_check() {
  if [ "$2" = "$3" ]; then
    wt_pass "$1"
  else
    wt_fail "$1: expected [$2], got [$3]"
  fi
}

wt_end() {
  echo "$WT_NAME: $WT_PASSED passed, $WT_FAILED failed"
  [ "$WT_FAILED" -eq 0 ] && [ "$WT_PASSED" -gt 0 ]
  exit $?
}

# ---------------------------------------------------------------------------
# The Windows version the programs under test see, and the trace of their
# calls to the system.

# WT_VERSION: the Windows that plimset.exe and kelvane.exe are told they run
# on (Wine's per-program version): win95, win98, winme, nt40 or win2k.
WT_VERSION=${WT_VERSION:-win2k}

# wt_is_9x: the programs run as Windows 95, 98 or Me.
wt_is_9x() {
  case $WT_VERSION in win95 | win98 | winme) return 0 ;; esac
  return 1
}

# wt_setup_programs CALLS [EXE...]: one registry import that gives
# plimset.exe, kelvane.exe and the other programs named the Windows version
# WT_VERSION and has Wine trace the program calls named in CALLS (";"
# between names; empty: no trace) of every program started by wt_spawn or
# wt_start. HKEY_CURRENT_USER is the same for 32-bit and 64-bit programs.
wt_setup_programs() {
  calls=$1
  shift
  mkdir -p "$(wt_log_dir)"
  reg_file="$(wt_log_dir)/programs.reg"
  {
    printf 'REGEDIT4\r\n\r\n'
    for program in plimset.exe kelvane.exe "$@"; do
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' \
        "$program" "$WT_VERSION"
    done
    if [ -n "$calls" ]; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n"RelayInclude"="%s"\r\n\r\n' "$calls"
    fi
  } >"$reg_file"
  wine reg import 'C:\wine-test\programs.reg' >/dev/null 2>&1 || wt_fail "could not set up the programs"
  [ -z "$calls" ] || WT_SPAWN_DEBUG=+relay
}

# wt_calls LABEL FUNCTION: the traced calls of FUNCTION made by the program
# spawned as LABEL, one a line: "ARGUMENTS = RESULT" as Wine writes them,
# texts without their addresses, e.g.
#   "\\\\.\\TRAVOK.VXD",00000000,00000000,00000000,00000001,04000000,00000000 = ffffffff
wt_calls() {
  awk -v f="$2" '
    index($0, ":Call ") && index($0, "." f "(") {
      start = index($0, "." f "(") + length(f) + 2
      arguments = substr($0, start)
      sub(/\) ret=[0-9a-f]*$/, "", arguments)
      waiting = 1
      next
    }
    waiting && index($0, ":Ret  ") && index($0, "." f "()") {
      result = $0
      sub(/.* retval=/, "", result)
      sub(/ .*/, "", result)
      print arguments " = " result
      waiting = 0
    }' "$WT_WORK/$1.out" 2>/dev/null | sed 's/[0-9a-f]\{8\} "/"/g'
}

# ---------------------------------------------------------------------------
# The scenarios of the real programs with the reference drivers, the companion
# stand-ins and the test power-profile library. Their scripts take the
# scenario's name and find everything else in the environment that CTest sets:
# WT_PROBE, WT_TEMPLATE, WT_FIXTURES (drvctl.exe, companion.exe, shutdown.exe,
# the drivers and powrprof/), WT_PLIMSET and WT_KELVANE.

# Where the fixtures write their logs: C:\wine-test.
wt_log_dir() { echo "$WINEPREFIX/drive_c/wine-test"; }

# wt_scenario_begin SCRIPT_NAME SCENARIO [CALLS]: a fresh prefix copy for the
# scenario, with the programs set up as wt_setup_programs CALLS does.
wt_scenario_begin() {
  wt_begin "$1 $2 ($WT_VERSION)" "$WT_PROBE" "$WT_TEMPLATE"
  mkdir -p "$(wt_log_dir)"
  wt_setup_programs "${3:-}"
}

wt_drvctl() {
  wine "$WT_FIXTURES/drvctl.exe" "$@"
}

# wt_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds;
# returns 1 when it has not within SECONDS.
wt_until() {
  tries=$(($1 * 5))
  shift
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.2
  done
}

# Installs and starts the reference key driver as the kernel-driver service
# TRAVOK, from C:\drivers\TRAVOK.sys.
wt_install_travok() {
  mkdir -p "$WINEPREFIX/drive_c/drivers"
  cp "$WT_FIXTURES/TRAVOK.sys" "$WINEPREFIX/drive_c/drivers/"
  if wt_drvctl install TRAVOK 'C:\drivers\TRAVOK.sys'; then
    return 0
  fi
  wt_fail "TRAVOK driver service did not start"
  return 1
}

# wt_travok_stat NAME: one count of what TRAVOK saw (see drvctl stats).
wt_travok_stat() {
  wt_drvctl stats | sed -n "s/^$1=//p"
}

# wt_travok_delivered N: TRAVOK has handed out at least N key events; for wt_until.
wt_travok_delivered() {
  [ "$(wt_travok_stat keysDelivered)" -ge "$1" ]
}

# wt_kelvane_stat NAME: one count of what KELVANE saw ("-" when never written).
wt_kelvane_stat() {
  wt_drvctl kelvane-stats | sed -n "s/^$1=//p"
}

# wt_companion NAME CLASS TITLE: starts a companion stand-in whose window has
# that class and title (TITLE may be empty) and waits until it can be found.
# Its messages go to C:\wine-test\NAME.log.
wt_companion() {
  [ -f "$WINEPREFIX/drive_c/wine-test/companion.exe" ] || cp "$WT_FIXTURES/companion.exe" "$(wt_log_dir)/"
  wt_spawn "companion-$1" 'C:\wine-test\companion.exe' "$2" "$3" "C:\\wine-test\\$1.log"
  title=$3
  [ -n "$title" ] || title='*'
  if ! wt_probe wait "$2" "$title" 10000 >/dev/null; then
    wt_fail "stand-in $1 (class $2, title '$3') did not start"
    return 1
  fi
}

# wt_messages NAME: the application messages (WM_USER and above, registered
# ones by name) that were posted to the stand-in NAME, as "MESSAGE WPARAM
# LPARAM" lines in order of arrival.
wt_messages() {
  log="$(wt_log_dir)/$1.log"
  [ -f "$log" ] || return 0
  awk '$4 == "posted" && ($1 == "Volctrl" || $1 >= "0400") { print $1, $2, $3 }' "$log"
}

# wt_has_messages NAME [COUNT]: NAME has received at least COUNT (1)
# application messages; for wt_until.
wt_has_messages() {
  [ "$(wt_count_messages "$1")" -ge "${2:-1}" ]
}

# wt_message_ticks NAME MESSAGE: the arrival ticks (ms) of one message.
wt_message_ticks() {
  awk -v m="$2" '$1 == m && $4 == "posted" { print $5 }' "$(wt_log_dir)/$1.log" 2>/dev/null
}

# wt_count_messages NAME: how many application messages NAME has received.
wt_count_messages() {
  wt_messages "$1" | wc -l | tr -d ' '
}

# wt_expect_box WHAT CAPTION TEXT STYLE [SECONDS]: waits for a message box,
# checks its caption, message and style ("buttons=N icon=0|1"), answers OK and
# waits until it has closed.
wt_expect_box() {
  if ! box=$(wt_probe box $((${5:-15} * 1000))); then
    wt_fail "$1: no message box"
    return 1
  fi
  wt_check "$1: caption" "$2" "$(wt_probe text "$box")"
  wt_check "$1: message" "$3" "$(wt_probe text "$box" 0xFFFF)"
  wt_check "$1: buttons and icon" "$4" "$(wt_probe boxstyle "$box")"
  wt_probe answer "$box"
  if ! wt_probe wait-gone "$box" 10000; then
    wt_fail "$1: box still open after OK"
    return 1
  fi
}

# wt_expect_no_box WHAT: no message box is open.
wt_expect_no_box() {
  if box=$(wt_probe box 0); then
    wt_fail "$1: unexpected box \"$(wt_probe text "$box" 0xFFFF)\""
    wt_probe answer "$box"
  else
    wt_pass "$1: no message box"
  fi
}

# wt_cpu_ms NAME: the processor time (user plus system, ms) so far of the
# process of this test's prefix whose name is NAME (Wine names a program's
# process after its file, e.g. plimset.exe).
wt_cpu_ms() {
  for dir in /proc/[0-9]*; do
    [ "$(cat "$dir/comm" 2>/dev/null)" = "$1" ] || continue
    tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    stat=$(cat "$dir/stat") || continue
    set -- ${stat##*) }
    echo $(((${12} + ${13}) * 1000 / $(getconf CLK_TCK)))
    return 0
  done
  return 1
}

# wt_in_range WHAT LOW HIGH VALUE: LOW <= VALUE <= HIGH, for real-time measures.
wt_in_range() {
  if [ -n "$4" ] && [ "$4" -ge "$2" ] && [ "$4" -le "$3" ]; then
    wt_pass "$1: $4 within $2..$3"
  else
    wt_fail "$1: [$4] not within $2..$3"
  fi
}
