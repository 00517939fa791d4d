#!/bin/sh
# Smoke test of the real kelvane.exe under Wine, headless. Wine's own
# powrprof.dll exports all four entry points (each a stub that fails, so the
# list of schemes is empty), so the binding succeeds and no box appears; the
# KELVANE driver is missing, so the device stays closed. The test opens the
# popup with KELVANE_SHOW_POPUP, measures the processor time of the quiet
# period, and ends the program with its Exit command.
#
#   tests/wine/kelvane_smoke.sh KELVANE_EXE PROBE_EXE TEMPLATE_DIR
set -u
[ $# -eq 3 ] || { echo "usage: $0 KELVANE_EXE PROBE_EXE TEMPLATE_DIR" >&2; exit 2; }
. "$(dirname "$0")/wine-test-lib.sh"

# The quiet period lasts 2.5 s; a loop that spun through it would use about
# that much processor time, one that waits uses next to none.
CPU_LIMIT_MS=250

# The Linux process of a program of this test's prefix (other prefixes may run
# copies of the same program).
program_pid() {
  for pid in $(pgrep -f "$1"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}

# User plus system time of a process, in milliseconds.
cpu_ms() {
  awk -v tck="$(getconf CLK_TCK)" '{ print int(($14 + $15) * 1000 / tck) }' "/proc/$1/stat"
}

now() { date +%s.%N; }

wt_begin kelvane-smoke "$2" "$3"
wt_install "$1" Notebook/kelvane.exe
wt_start 'C:\Notebook\kelvane.exe'

if ! window=$(wt_probe wait NorvoKelvaneClass Tesmor 30000); then
  wt_fail "no window of class NorvoKelvaneClass titled Tesmor within 30 s"
  wt_end
fi
wt_pass "window of class NorvoKelvaneClass titled Tesmor exists"
wt_check "main window is hidden" "visible=0 topmost=0" "$(wt_probe state "$window")"
if wt_probe find '#32770' '*' >/dev/null; then
  wt_fail "a message box appeared: $(wt_probe text "$(wt_probe find '#32770' '*')" 0xFFFF)"
else
  wt_pass "no error box: the power-profile library and its four entry points were found"
fi

# A second copy finds the first one's window and ends at once.
timeout 30 wine 'C:\Notebook\kelvane.exe' >/dev/null 2>&1
wt_check "second copy's exit code" 0 "$?"
wt_check "first copy still has its window" "$window" "$(wt_probe find NorvoKelvaneClass Tesmor)"

# The popup: opened by the dispatcher's message, closed 2.5 s after it.
if pid=$(program_pid 'Notebook.kelvane.exe'); then
  cpu_before=$(cpu_ms "$pid")
  posted_at=$(now)
  wt_probe post "$window" 0x1635 || wt_fail "KELVANE_SHOW_POPUP not posted"
  if popup=$(wt_probe wait NorvoKelvaneClass1 'Power Scheme' 5000); then
    wt_pass "popup \"Power Scheme\" opened"
    # The window is found as soon as it exists; it is made topmost just after.
    tries=10
    while state=$(wt_probe state "$popup") && [ "$state" != "visible=1 topmost=1" ] && [ $tries -gt 0 ]; do
      sleep 0.1
      tries=$((tries - 1))
    done
    wt_check "popup is visible and topmost" "visible=1 topmost=1" "$state"
    if wt_probe wait-gone "$popup" 10000; then
      gone_at=$(now)
      cpu_used=$(($(cpu_ms "$pid") - cpu_before))
      open_s=$(awk -v a="$posted_at" -v b="$gone_at" 'BEGIN { printf "%.2f", b - a }')
      echo "INFO kelvane-smoke: popup phase ${open_s} s, processor time ${cpu_used} ms"
      if awk -v s="$open_s" 'BEGIN { exit !(s >= 2.5) }'; then
        wt_pass "popup closed by itself after the quiet period (${open_s} s after the message)"
      else
        wt_fail "popup closed ${open_s} s after the message, before the 2.5 s quiet period"
      fi
      if [ "$cpu_used" -le "$CPU_LIMIT_MS" ]; then
        wt_pass "quiet period used ${cpu_used} ms of processor time (limit ${CPU_LIMIT_MS} ms)"
      else
        wt_fail "quiet period used ${cpu_used} ms of processor time (limit ${CPU_LIMIT_MS} ms)"
      fi
    else
      wt_fail "popup still open 10 s after the message"
    fi
  else
    wt_fail "no popup within 5 s of KELVANE_SHOW_POPUP"
  fi
else
  wt_fail "the kelvane.exe process of this prefix was not found"
fi

wt_probe post "$window" WM_COMMAND 105 || wt_fail "WM_COMMAND 105 not posted"
if wt_probe wait-gone "$window" 10000; then wt_pass "window gone after Exit (command 105)"; else wt_fail "window still there"; fi
if code=$(wt_wait_exit 20); then
  wt_check "exit code" 0 "$code"
else
  wt_fail "kelvane.exe still running 20 s after Exit"
fi
wt_end
