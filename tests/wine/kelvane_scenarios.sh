#!/bin/sh
# Scenarios of the real kelvane.exe under Wine with the reference KELVANE
# driver and the test power-profile library, and the whole road of a key
# press with plimset.exe and the reference TRAVOK driver. Each scenario runs
# in a fresh copy of the template prefix, with both programs told that they
# run on the Windows named by WT_VERSION (win2k when unset). On Windows
# 95/98/Me kelvane makes no service calls and loads its driver by opening
# \\.\KELVANE.VXD; there the test starts the KELVANE driver itself, as the
# system would load the VxD.
#
#   tests/wine/kelvane_scenarios.sh SCENARIO
#
# with WT_PROBE, WT_TEMPLATE, WT_FIXTURES, WT_KELVANE (and WT_PLIMSET for the
# road) in the environment (see wine-test-lib.sh). Scenarios: service,
# service-left-over, load-errors, popup, road.
set -u
[ $# -eq 1 ] || { echo "usage: $0 SCENARIO" >&2; exit 2; }
. "$(dirname "$0")/wine-test-lib.sh"

KELVANE_DIR='C:\Power Tools'
KELVANE="$KELVANE_DIR\\kelvane.exe"
SHOW_POPUP=0x1635

# install_kelvane [POWRPROF_VARIANT]: kelvane.exe, KELVANE.sys beside it and,
# unless the variant is "none", the test powrprof.dll (full, no-write or
# no-get-set), which Wine uses only when told to prefer a native one. On
# Windows 9x the driver is started here (once per scenario).
install_kelvane() {
  wt_install "$WT_KELVANE" "Power Tools/kelvane.exe"
  wt_install "$WT_FIXTURES/KELVANE.sys" "Power Tools/KELVANE.sys"
  if wt_is_9x && ! service_state | grep -q running; then
    wt_drvctl install KELVANE "$KELVANE_DIR\\KELVANE.sys" || wt_fail "KELVANE driver did not start"
  fi
  rm -f "$WINEPREFIX/drive_c/Power Tools/powrprof.dll"
  variant=${1:-full}
  if [ "$variant" = none ]; then
    # Without the override Wine would hand out its built-in stubs.
    export WINEDLLOVERRIDES="powrprof="
  else
    wt_install "$WT_FIXTURES/powrprof/$variant/powrprof.dll" "Power Tools/powrprof.dll"
    export WINEDLLOVERRIDES="powrprof=n"
  fi
}

# schemes ACTIVE "INDEX NAME"...: the power schemes the library reports,
# with a fresh log of its calls.
schemes() {
  change_schemes "$@"
  rm -f "$(wt_log_dir)/powrprof.log"
}

# change_schemes ACTIVE "INDEX NAME"...: the same, keeping the log.
change_schemes() {
  {
    echo "active=$1"
    shift
    for scheme in "$@"; do echo "scheme=$scheme"; done
  } >"$(wt_log_dir)/schemes.txt"
}

# Every call the library saw, "set-active INDEX GLOBAL POLICY" lines only.
activations() {
  grep '^set-active' "$(wt_log_dir)/powrprof.log" 2>/dev/null
}

library_calls() {
  cat "$(wt_log_dir)/powrprof.log" 2>/dev/null
}

start_kelvane() {
  wt_spawn kelvane "$KELVANE"
  if ! KELVANE_WINDOW=$(wt_probe wait NorvoKelvaneClass '*' 20000); then
    wt_fail "no window of class NorvoKelvaneClass"
    wt_end
  fi
  # The window comes before the driver service and the device: what follows
  # looks at the whole start-up, so wait until the device is open.
  wt_until 10 kelvane_device_open || wt_fail "kelvane did not open its device"
}

kelvane_device_open() {
  case $(wt_kelvane_stat OpenHandles) in
    "" | - | 0) return 1 ;;
  esac
}

# end_kelvane MESSAGE [WPARAM]: ends kelvane by sending its main window
# MESSAGE; checks the exit code.
end_kelvane() {
  wt_probe send "$KELVANE_WINDOW" "$@" >/dev/null
  if code=$(wt_exit_of kelvane 20); then
    wt_check "kelvane exit code" 0 "$code"
  else
    wt_fail "kelvane.exe still running 20 s after $1"
  fi
}

service_state() {
  wt_drvctl query KELVANE 2>/dev/null || echo "no service"
}

# The service kelvane leaves at exit: none on Windows NT; on Windows 9x the
# one the test started, untouched.
service_after_exit() {
  if wt_is_9x; then
    printf '%s\n' "state=running path=$KELVANE_DIR\\KELVANE.sys"
  else
    echo "no service"
  fi
}

# The driver's name and open arguments for this Windows, as Wine traces the
# call: the VxD name on Windows 9x, the device on Windows NT.
kelvane_open() {
  if wt_is_9x; then
    printf '%s\n' '"\\\\.\\KELVANE.VXD",00000000,00000000,00000000,00000001,04000000,00000000'
  else
    printf '%s\n' '"\\\\.\\KELVANE",c0000000,00000000,00000000,00000003,00000080,00000000'
  fi
}

# kelvane's opens of its driver, each with "opened" or "failed".
device_opens() {
  wt_calls kelvane CreateFileA | grep -F KELVANE | sed 's/ = ffffffff$/ = failed/; s/ = [0-9a-f]*$/ = opened/'
}

# The service calls kelvane made, one name a line.
SERVICE_CALLS="OpenSCManagerA OpenServiceA CreateServiceA StartServiceA ControlService DeleteService"
service_calls() {
  for call in $SERVICE_CALLS; do
    wt_calls kelvane "$call" | sed "s/^/$call /"
  done
}

# check_device_and_service WHAT: after kelvane has ended, the device was
# opened by this Windows' path and closed by the program itself; on Windows
# 9x no service call was made, on Windows NT the service is gone.
check_device_and_service() {
  wt_check "$1: device opened by this Windows' path" "$(kelvane_open) = opened" "$(device_opens)"
  handle=$(wt_calls kelvane CreateFileA | grep -F KELVANE | sed 's/.* = //')
  wt_check "$1: device closed by the program" "$handle = 00000001" \
    "$(wt_calls kelvane CloseHandle | grep -m1 "^$handle = ")"
  if wt_is_9x; then
    wt_check "$1: no service call" "" "$(service_calls)"
  fi
  wt_check "$1: service at exit" "$(service_after_exit)" "$(settled_service_state)"
}

# The form in which this Windows' library hands out scheme names.
names_form() { if wt_is_9x; then echo narrow; else echo wide; fi; }

# settled_service_state: the state once a start or stop under way has ended.
# Wine's StartServiceA returns while the driver's service still reports
# start-pending; on Windows a kernel driver has finished loading by then.
settled_service_state() {
  wt_until 5 service_not_pending
  service_state
}
service_not_pending() { ! service_state | grep -q pending; }

kelvane_counts() {
  wt_drvctl kelvane-stats | tr '\n' ' ' | sed 's/ $//'
}

# Start-up and exit on Windows NT: the service made from the program's own
# directory and started, the device opened; a second copy ends at once; at
# exit the device is closed before the service is stopped and deleted.
scenario_service() {
  install_kelvane
  schemes 0 "0 Home/Office Desk"
  start_kelvane
  wt_check "main window title" "Tesmor" "$(wt_probe text "$KELVANE_WINDOW")"
  wt_check "main window hidden" "visible=0 topmost=0" "$(wt_probe state "$KELVANE_WINDOW")"
  wt_check "service made from the program's directory, running" "state=running path=$KELVANE_DIR\\KELVANE.sys" \
    "$(settled_service_state)"
  wt_check "driver loaded once, device open" "1 1 1" \
    "$(wt_kelvane_stat Loads) $(wt_kelvane_stat Opens) $(wt_kelvane_stat OpenHandles)"
  wt_expect_no_box "start-up"
  wt_check "no scheme enumerated before a key" "" "$(library_calls | grep enum)"

  wt_spawn second "$KELVANE"
  if code=$(wt_exit_of second 20); then
    wt_check "second copy: exit code" 0 "$code"
  else
    wt_fail "second copy still running after 20 s"
  fi
  wt_check "second copy: no driver action" "1 1 1" \
    "$(wt_kelvane_stat Loads) $(wt_kelvane_stat Opens) $(wt_kelvane_stat OpenHandles)"
  wt_check "first copy still there" "$KELVANE_WINDOW" "$(wt_probe find NorvoKelvaneClass '*')"

  wt_probe send "$KELVANE_WINDOW" WM_COMMAND 104 >/dev/null
  sleep 0.5
  wt_check "command 104 changes nothing" "$KELVANE_WINDOW" "$(wt_probe find NorvoKelvaneClass '*')"
  end_kelvane WM_COMMAND 105
  wt_check "service deleted at exit" "no service" "$(settled_service_state)"
  wt_check "driver unloaded with no handle open" "1 0" \
    "$(wt_kelvane_stat Unloads) $(wt_kelvane_stat OpenHandlesAtUnload)"
}

# A KELVANE service left running by an earlier run is replaced by one from
# the program's directory; one registered but stopped keeps its registration
# and is only started.
scenario_service_left_over() {
  install_kelvane
  schemes 0 "0 Home/Office Desk"
  mkdir -p "$WINEPREFIX/drive_c/drivers"
  cp "$WT_FIXTURES/KELVANE.sys" "$WINEPREFIX/drive_c/drivers/"

  wt_drvctl install KELVANE 'C:\drivers\KELVANE.sys' || wt_fail "left-over service did not start"
  start_kelvane
  wt_check "running left-over: registered again from the program's directory" \
    "state=running path=$KELVANE_DIR\\KELVANE.sys" "$(settled_service_state)"
  wt_check "running left-over: stopped, then loaded again, device open" "2 1 1" \
    "$(wt_kelvane_stat Loads) $(wt_kelvane_stat Unloads) $(wt_kelvane_stat OpenHandles)"
  end_kelvane WM_CLOSE
  wt_check "running left-over: deleted at exit" "no service" "$(settled_service_state)"

  wt_drvctl create KELVANE 'C:\drivers\KELVANE.sys' || wt_fail "could not register the stopped service"
  start_kelvane
  wt_check "stopped left-over: registration kept, started" "state=running path=C:\\drivers\\KELVANE.sys" \
    "$(settled_service_state)"
  wt_check "stopped left-over: device open" 1 "$(wt_kelvane_stat OpenHandles)"
  end_kelvane WM_CLOSE
  wt_check "stopped left-over: deleted at exit" "no service" "$(settled_service_state)"
}

# run_load_error VARIANT TEXT: kelvane with a power-profile library that
# cannot be bound shows one box and ends with exit code 0, having asked the
# library for nothing and left nothing behind. The power-scheme key that
# arrives while the box is open changes nothing.
run_load_error() {
  install_kelvane "$1"
  schemes 0 "0 Home/Office Desk"
  wt_spawn kelvane "$KELVANE"
  if wt_probe box 20000 >/dev/null && main=$(wt_probe find NorvoKelvaneClass '*'); then
    wt_probe post "$main" $SHOW_POPUP || wt_fail "$1: could not post 0x1635"
    sleep 0.5
    wt_check "$1: no popup before the binding" "" "$(wt_probe find NorvoKelvaneClass1 '*')"
  fi
  wt_expect_box "$1" "Tesmor error message" "$2" "buttons=1 icon=1" 20
  if code=$(wt_exit_of kelvane 20); then
    wt_check "$1: exit code" 0 "$code"
  else
    wt_fail "$1: still running after the box"
  fi
  wt_expect_no_box "$1: only one box"
  wt_check "$1: the library was not called" "" "$(library_calls)"
  check_device_and_service "$1"
  if wt_is_9x; then
    wt_check "$1: no handle left open" 0 "$(wt_kelvane_stat OpenHandles)"
  else
    # The driver service installed at start-up does not outlive the program.
    wt_check "$1: device closed before the stop" 0 "$(wt_kelvane_stat OpenHandlesAtUnload)"
  fi
}

# Windows 95 ships no powrprof.dll, so there only its absence is tried.
scenario_load_errors() {
  run_load_error none "Can't load the powrprof.dll"
  [ "$WT_VERSION" = win95 ] && return
  run_load_error no-write "Can't find process WritePwrScheme() in the powrprof.dll"
  run_load_error no-get-set "Can't find process GetActivePwrScheme() in the powrprof.dll"
}

# Milliseconds since the epoch, for the quiet period.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

press_switcher() {
  wt_probe post "$KELVANE_WINDOW" $SHOW_POPUP || wt_fail "could not post 0x1635"
  LAST_PRESS=$(now_ms)
}

popup_topmost() { [ "$(wt_probe state "$POPUP")" = "visible=1 topmost=1" ]; }

popup_list() {
  wt_probe listbox "$POPUP" | head -1
}

# wait_commit WHAT: the popup closes 2.5 s after the last press, not before.
# LAST_PRESS may be a little early (keys go through plimset's polling).
wait_commit() {
  wait_ms=$((LAST_PRESS + 2000 - $(now_ms)))
  [ "$wait_ms" -le 0 ] || sleep "$((wait_ms / 1000)).$(printf '%03d' $((wait_ms % 1000)))"
  if [ "$(wt_probe find NorvoKelvaneClass1 'Power Scheme')" != "$POPUP" ]; then
    wt_fail "$1: popup closed less than 2 s after the last press"
    return
  fi
  if wt_probe wait-gone "$POPUP" 10000; then
    wt_in_range "$1: ms from the last press to the commit" 2400 6000 $(($(now_ms) - LAST_PRESS))
  else
    wt_fail "$1: popup still open 10 s after the last press"
  fi
}

open_popup() {
  press_switcher
  if ! POPUP=$(wt_probe wait NorvoKelvaneClass1 'Power Scheme' 10000); then
    wt_fail "$1: no popup"
    wt_end
  fi
}

# The popup: topmost, the schemes in order with the active one selected,
# each press one step down and round; the selection activated 2.5 s after the
# last press; the driver notice for "Presentation" only; a WM_TIMER or the
# end of the program closes it without activating anything.
scenario_popup() {
  install_kelvane
  schemes 1 "0 Home/Office Desk" "1 Portable/Laptop" "2 Presentation" "7 presentation"
  start_kelvane
  open_popup "first press"
  # The window can be found a moment before it is made topmost.
  wt_until 2 popup_topmost
  wt_check "popup visible and topmost" "visible=1 topmost=1" "$(wt_probe state "$POPUP")"
  wt_check "schemes in order, the active one selected" \
    "$(printf 'count=4 selection=1\nitem=Home/Office Desk\nitem=Portable/Laptop\nitem=Presentation\nitem=presentation')" \
    "$(wt_probe listbox "$POPUP")"
  wt_check "names handed out as this Windows' library does" "enum 4 $(names_form)" \
    "$(library_calls | grep '^enum' | head -1)"
  selections=""
  for _ in 2 3 4; do
    press_switcher
    sleep 0.3
    selections="$selections $(popup_list)"
  done
  wt_check "presses move the selection down and round" \
    " count=4 selection=2 count=4 selection=3 count=4 selection=0" "$selections"
  wait_commit "first opening"
  wt_check "first item activated" "set-active 0 null null" "$(activations)"
  wt_check "no driver notice for another scheme" - "$(wt_kelvane_stat Notices)"

  open_popup "second opening"
  wt_check "second opening selects the new active scheme" "count=4 selection=0" "$(popup_list)"
  press_switcher
  press_switcher
  sleep 0.3
  wt_check "two presses" "count=4 selection=2" "$(popup_list)"
  wait_commit "second opening"
  wt_check "Presentation activated" "set-active 2 null null" "$(activations | tail -n +2)"
  wt_check "driver notice for Presentation" 1 "$(wt_kelvane_stat Notices)"

  open_popup "third opening"
  press_switcher
  wait_commit "third opening"
  wt_check "scheme index, not list position, activated" "set-active 7 null null" "$(activations | tail -n +3)"
  wt_check "no notice for a name that differs in case" 1 "$(wt_kelvane_stat Notices)"

  open_popup "fourth opening"
  wt_probe post "$POPUP" $SHOW_POPUP
  sleep 0.3
  wt_check "0x1635 to the popup itself changes nothing" "count=4 selection=3" "$(popup_list)"
  change_schemes none "0 Only Scheme"
  press_switcher
  sleep 0.3
  wt_check "schemes changed while open: list kept until the next opening" "count=4 selection=0" \
    "$(popup_list)"
  wt_probe post "$KELVANE_WINDOW" 0x113 7
  if wt_probe wait-gone "$POPUP" 5000; then wt_pass "WM_TIMER closes the popup"; else wt_fail "popup open after WM_TIMER"; fi
  sleep 3
  wt_check "nothing activated after WM_TIMER" 3 "$(activations | wc -l | tr -d ' ')"

  open_popup "fifth opening"
  wt_check "new list at the next opening, no active scheme: no selection" \
    "$(printf 'count=1 selection=-1\nitem=Only Scheme')" "$(wt_probe listbox "$POPUP")"
  press_switcher
  sleep 0.3
  wt_check "a press without a selection selects item 0" "count=1 selection=0" "$(popup_list)"
  press_switcher
  sleep 0.3
  wt_check "one scheme: a press keeps item 0" "count=1 selection=0" "$(popup_list)"
  end_kelvane WM_CLOSE
  wt_check "popup gone with the program" "" "$(wt_probe find NorvoKelvaneClass1 '*')"
  wt_check "nothing activated at exit" 3 "$(activations | wc -l | tr -d ' ')"
  wt_check "bad driver requests" "-" "$(wt_kelvane_stat BadRequests)"
  check_device_and_service "exit"
}

# The whole road: Fn+F3 read from TRAVOK by plimset, posted to kelvane, the
# popup, the commit through powrprof.dll and the notice to KELVANE.
scenario_road() {
  wt_install_travok || return
  wt_install "$WT_PLIMSET" Notebook/plimset.exe
  install_kelvane
  schemes 2 "0 Home/Office Desk" "1 Portable/Laptop" "2 Presentation" "7 presentation"
  start_kelvane
  wt_start 'C:\Notebook\plimset.exe'
  PLIMSET_WINDOW=$(wt_probe wait PLIMSET Plimset 20000) || wt_fail "no plimset window"

  wt_drvctl keys 3
  LAST_PRESS=$(now_ms)
  if POPUP=$(wt_probe wait NorvoKelvaneClass1 'Power Scheme' 5000); then
    wt_in_range "ms from the key to the popup" 0 2000 $(($(now_ms) - LAST_PRESS))
    wt_check "active scheme selected" "count=4 selection=2" "$(popup_list)"
    wait_commit "one press"
    wt_check "one press re-activates the active scheme" "set-active 2 null null" "$(activations)"
    wt_check "notice to KELVANE" 1 "$(wt_kelvane_stat Notices)"
  else
    wt_fail "no popup after key 3"
  fi

  # 0x0103: the high byte is not looked at.
  wt_drvctl keys 3 0x103 3
  LAST_PRESS=$(now_ms)
  if POPUP=$(wt_probe wait NorvoKelvaneClass1 'Power Scheme' 5000); then
    wt_until 5 wt_travok_delivered 4
    sleep 0.3
    wt_check "three keys: opened, then two steps" "count=4 selection=0" "$(popup_list)"
    wait_commit "three presses"
    wt_check "selected scheme activated" "set-active 0 null null" "$(activations | tail -n +2)"
    wt_check "no second notice" 1 "$(wt_kelvane_stat Notices)"
  else
    wt_fail "no popup after keys 3, 0x103, 3"
  fi
  wt_expect_no_box "the road"

  end_kelvane WM_CLOSE
  check_device_and_service "the road"
  wt_probe send "$PLIMSET_WINDOW" WM_CLOSE >/dev/null
  if code=$(wt_wait_exit 20); then wt_check "plimset exit code" 0 "$code"; else wt_fail "plimset still running"; fi
  wt_check "key reporting off at the end" 0 "$(wt_travok_stat reporting)"
}

case "$1" in
  service | service-left-over | load-errors | popup | road)
    wt_scenario_begin kelvane "$1" "CreateFileA;CloseHandle;$(echo $SERVICE_CALLS | tr ' ' ';')"
    "scenario_$(echo "$1" | tr - _)"
    wt_end
    ;;
  *)
    echo "$0: no scenario $1" >&2
    exit 2
    ;;
esac
