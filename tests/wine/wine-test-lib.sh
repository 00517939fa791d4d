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

# wt_start WINDOWS_PATH [ARGS...]: runs a program in the background.
wt_start() {
  WT_EXIT_FILE="$WT_WORK/exit-code"
  rm -f "$WT_EXIT_FILE"
  (
    wine "$@" >"$WT_WORK/program.out" 2>&1
    echo $? >"$WT_EXIT_FILE"
  ) &
  WT_PROGRAM_PID=$!
}

# wt_wait_exit SECONDS: waits for the program started last; prints its exit
# code, returns 1 when it is still running after SECONDS.
wt_wait_exit() {
  tries=$(($1 * 10))
  while [ ! -f "$WT_EXIT_FILE" ] && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  [ -f "$WT_EXIT_FILE" ] || return 1
  wait "$WT_PROGRAM_PID" 2>/dev/null || true
  cat "$WT_EXIT_FILE"
}

wt_probe() {
  wine "$WT_PROBE" "$@"
}

wt_pass() {
  echo "PASS $WT_NAME: $1"
  WT_PASSED=$((WT_PASSED + 1))
}

wt_fail() {
  echo "FAIL $WT_NAME: $1"
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
