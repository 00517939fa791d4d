#!/bin/sh
# Smoke test of the real plimset.exe under Wine, headless. Without the TRAVOK
# driver the program reports "Can not load Travok.sys!!" in a box captioned
# with its own path, then runs on with its hidden window until WM_CLOSE.
#
#   tests/wine/plimset_smoke.sh PLIMSET_EXE PROBE_EXE TEMPLATE_DIR
set -u
[ $# -eq 3 ] || { echo "usage: $0 PLIMSET_EXE PROBE_EXE TEMPLATE_DIR" >&2; exit 2; }
. "$(dirname "$0")/wine-test-lib.sh"

wt_begin plimset-smoke "$2" "$3"
wt_install "$1" Notebook/plimset.exe
wt_start 'C:\Notebook\plimset.exe'

if box=$(wt_probe wait '#32770' '*' 30000); then
  wt_pass "a message box appeared"
  wt_check "box caption is the program's path" 'C:\Notebook\plimset.exe' "$(wt_probe text "$box")"
  wt_check "box message" 'Can not load Travok.sys!!' "$(wt_probe text "$box" 0xFFFF)"
  wt_probe answer "$box"
  if wt_probe wait-gone "$box" 10000; then wt_pass "box closed by OK"; else wt_fail "box still open after OK"; fi
else
  wt_fail "no message box within 30 s"
fi

if window=$(wt_probe wait PLIMSET Plimset 10000); then
  wt_pass "window of class PLIMSET titled Plimset exists"
  wt_check "window is hidden and not topmost" "visible=0 topmost=0" "$(wt_probe state "$window")"
  wt_probe send "$window" WM_CLOSE >/dev/null || wt_fail "WM_CLOSE not delivered"
  if wt_probe wait-gone "$window" 10000; then wt_pass "window gone after WM_CLOSE"; else wt_fail "window still there"; fi
else
  wt_fail "no window of class PLIMSET titled Plimset within 10 s"
fi

if code=$(wt_wait_exit 20); then
  wt_check "exit code" 0 "$code"
else
  wt_fail "plimset.exe still running 20 s after WM_CLOSE"
fi
wt_end
