#!/bin/sh
# Scenarios of the real plimset.exe under Wine with the reference TRAVOK
# driver and the companion stand-ins. Each scenario runs in a fresh copy of
# the template prefix, with plimset.exe told that it runs on the Windows
# named by WT_VERSION (win2k when unset).
#
#   tests/wine/plimset_scenarios.sh SCENARIO
#
# with WT_PROBE, WT_TEMPLATE, WT_FIXTURES and WT_PLIMSET in the environment
# (see wine-test-lib.sh). Scenarios: startup, no-driver, vantrel, stale-keys,
# targets-present, targets-absent, shutdown-key, burst, fast-phase.
set -u
[ $# -eq 1 ] || { echo "usage: $0 SCENARIO" >&2; exit 2; }
. "$(dirname "$0")/wine-test-lib.sh"

PLIMSET='C:\Notebook\plimset.exe'

start_plimset() {
  wt_install "$WT_PLIMSET" Notebook/plimset.exe
  wt_start "$PLIMSET"
  if ! PLIMSET_WINDOW=$(wt_probe wait PLIMSET Plimset 20000); then
    wt_fail "no window of class PLIMSET titled Plimset"
    wt_end
  fi
}

close_plimset() {
  wt_probe send "$PLIMSET_WINDOW" WM_CLOSE >/dev/null
  if code=$(wt_wait_exit 20); then
    wt_check "exit code after WM_CLOSE" 0 "$code"
  else
    wt_fail "plimset.exe still running 20 s after WM_CLOSE"
  fi
}

# press KEY...: queues key codes in the driver, as if the keys were pressed.
press() {
  wt_drvctl keys "$@" || wt_fail "could not queue keys $*"
}

# wait_delivered N: until the driver has handed out N key events in all.
wait_delivered() {
  wt_until 15 wt_travok_delivered "$1" || wt_fail "driver handed out $(wt_travok_stat keysDelivered) keys, not $1"
}

# The driver's name and open arguments for this Windows, as Wine traces the
# call: Windows 95 loads a dynamic VxD, every other system opens the device.
travok_open() {
  if [ "$WT_VERSION" = win95 ]; then
    printf '%s\n' '"\\\\.\\TRAVOK.VXD",00000000,00000000,00000000,00000001,04000000,00000000'
  else
    printf '%s\n' '"\\\\.\\TRAVOK",80000000,00000001,00000000,00000003,40000000,00000000'
  fi
}

# The program's opens, each with "opened" or "failed".
device_opens() {
  wt_calls program CreateFileA | sed 's/ = ffffffff$/ = failed/; s/ = [0-9a-f]*$/ = opened/'
}

# Start-up with the driver: the device path of this Windows, no box,
# reporting on, one start-up request, slow polling; a key dispatched;
# WM_CLOSE switches reporting off and ends with exit code 0.
scenario_startup() {
  wt_install_travok || return
  wt_companion launcher '#32770' Kedrin || return
  start_plimset
  wt_check "window is hidden and not topmost" "visible=0 topmost=0" "$(wt_probe state "$PLIMSET_WINDOW")"
  sleep 1
  wt_expect_no_box "start-up with the driver"
  wt_check "device opened once, by this Windows' path" "$(travok_open) = opened" "$(device_opens)"
  wt_check "reporting switched on once" "reporting=1 on=1 off=0" \
    "reporting=$(wt_travok_stat reporting) on=$(wt_travok_stat reportingOn) off=$(wt_travok_stat reportingOff)"
  wt_check "one start-up control request" 1 "$(wt_travok_stat startupRequests)"
  wt_check "every request with 2-byte buffers" 0 "$(wt_travok_stat badRequests)"
  first=$(wt_travok_stat queries)
  sleep 4
  # 500 ms timer: about 8 queries in 4 s.
  wt_in_range "queries in 4 s of slow polling" 5 10 $(($(wt_travok_stat queries) - first))
  wt_check "no read without a key" 0 "$(wt_travok_stat reads)"
  press 9
  wait_delivered 1
  wt_until 5 wt_has_messages launcher
  wt_check "key dispatched" "8100 9 0" "$(wt_messages launcher)"
  close_plimset
  wt_check "reporting switched off at the end" "reporting=0 off=1" \
    "reporting=$(wt_travok_stat reporting) off=$(wt_travok_stat reportingOff)"
  # Only the handle of the statistics request itself is open.
  wt_check "device handle released with the process" 1 "$(wt_travok_stat openHandles)"
}

# The dispatcher, an i686 program, sees the 32-bit view of HKLM\Software.
# No driver at all. Windows 95: the VxD cannot be found (error 2 under Wine),
# so no box and no DeleteFileA. Every other system: "Can not load
# Travok.sys!!". Either way the program idles (no spinning on the missing
# handle) and ends with exit code 0 on WM_CLOSE.
scenario_no_driver() {
  start_plimset
  if [ "$WT_VERSION" = win95 ]; then
    sleep 1
    wt_expect_no_box "VxD missing"
    wt_check "VxD path tried once" "$(travok_open) = failed" "$(device_opens)"
    wt_check "no DeleteFileA without a VxD" "" "$(wt_calls program DeleteFileA)"
  else
    wt_expect_box "driver missing" "$PLIMSET" "Can not load Travok.sys!!" "buttons=1 icon=1"
  fi
  if before=$(wt_cpu_ms plimset.exe); then
    sleep 3
    wt_in_range "processor time in 3 s of idling, ms" 0 150 $(($(wt_cpu_ms plimset.exe) - before))
  else
    wt_fail "no process plimset.exe"
  fi
  close_plimset
}

# The dispatcher, an i686 program, sees the 32-bit view of HKLM\Software.
vantrel_program() {
  wine reg query "HKLM\\Software\\Vantrel\\$1" /v Program /reg:32 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *Program *REG_SZ *//p'
}

vantrel_key_exists() {
  wine reg query "HKLM\\Software\\Vantrel\\$1" /reg:32 >/dev/null 2>&1
}

run_plimset_once() {
  start_plimset
  close_plimset
}

# The Vantrel copy, in three runs: without the product key nothing is made;
# with the Windows 95 key the NT 4.0 key is made with its "Program"; an NT 4.0
# key that exists already is left as it is.
scenario_vantrel() {
  wt_install_travok || return
  run_plimset_once
  if wine reg query 'HKLM\Software\Vantrel' /reg:32 >/dev/null 2>&1; then
    wt_fail "Vantrel key made although the product is absent"
  else
    wt_pass "no Vantrel key: nothing written"
  fi

  wine reg add 'HKLM\Software\Vantrel\Vantrel for Windows 95' /v Program /t REG_SZ \
    /d 'C:\Program Files\Vantrel\vantrel.exe' /f /reg:32 >/dev/null
  run_plimset_once
  wt_check "Program copied to the NT 4.0 key" 'C:\Program Files\Vantrel\vantrel.exe' \
    "$(vantrel_program 'Vantrel for Windows NT 4.0')"

  wine reg add 'HKLM\Software\Vantrel\Vantrel for Windows 95' /v Program /t REG_SZ /d 'C:\New\vantrel.exe' \
    /f /reg:32 >/dev/null
  run_plimset_once
  wt_check "existing NT 4.0 key left as it was" 'C:\Program Files\Vantrel\vantrel.exe' \
    "$(vantrel_program 'Vantrel for Windows NT 4.0')"

  wine reg delete 'HKLM\Software\Vantrel\Vantrel for Windows 95' /f /reg:32 >/dev/null
  wine reg delete 'HKLM\Software\Vantrel\Vantrel for Windows NT 4.0' /f /reg:32 >/dev/null
  run_plimset_once
  if vantrel_key_exists 'Vantrel for Windows NT 4.0'; then
    wt_fail "NT 4.0 key made without a Windows 95 key"
  else
    wt_pass "product key without the Windows 95 key: nothing written"
  fi
}

# Keys waiting when the dispatcher starts (reporting left on by an earlier
# run) are read and discarded; the next key is dispatched.
scenario_stale_keys() {
  wt_install_travok || return
  wt_drvctl report 1
  press 1 2 7
  wt_companion launcher '#32770' Kedrin || return
  start_plimset
  sleep 1.5
  wt_check "stale keys read by the drain" "delivered=3 waiting=0" \
    "delivered=$(wt_travok_stat keysDelivered) waiting=$(wt_travok_stat keysWaiting)"
  wt_check "stale keys not dispatched" "" "$(wt_messages launcher)"
  press 9
  wait_delivered 4
  wt_until 5 wt_has_messages launcher
  wt_check "next key dispatched" "8100 9 0" "$(wt_messages launcher)"
  wt_expect_no_box "stale keys"
}

# Every row of the dispatch table with its target present, the factory
# notice for each key, and the high byte ignored.
scenario_targets_present() {
  wt_install_travok || return
  wt_companion factory FactoryStandIn 'Factory Testing Programing - KT3' || return
  wt_companion switcher NorvoKelvaneClass '' || return
  wt_companion volume WIN32TEST volumeMeter || return
  wt_companion volume-other-class VolumeStandIn volumeMeter || return
  wt_companion media NorvoZOLBEXClass 'Media keys' || return
  wt_companion wireless WirelessStandIn 'Wireless Button Status' || return
  wt_companion launcher '#32770' Kedrin || return
  start_plimset
  press 3 5 8 49 50 33 34 35 36 64 1 0x100 255 0x103 0x2A
  wait_delivered 15
  sleep 0.5
  wt_check "factory notice for every key, in order" \
    "$(printf '8101 %s 0\n' 3 5 8 31 32 21 22 23 24 40 1 0 ff 3 2a)" "$(wt_messages factory)"
  wt_check "switcher: 0x1635 for keys 3 and 0x103" "$(printf '1635 0 0\n1635 0 0')" "$(wt_messages switcher)"
  wt_check "volume meter: Volctrl with 51, 51, 49, 50" \
    "$(printf 'Volctrl 0 33\nVolctrl 0 33\nVolctrl 0 31\nVolctrl 0 32')" "$(wt_messages volume)"
  wt_check "volumeMeter of another class: nothing" "" "$(wt_messages volume-other-class)"
  wt_check "multimedia keys 33 to 36" \
    "$(printf '8010 2002 0\n8010 2001 0\n8010 2003 0\n8010 2004 0')" "$(wt_messages media)"
  wt_check "wireless key" "040a 0 0" "$(wt_messages wireless)"
  wt_check "launcher: keys without a row, the high byte ignored" \
    "$(printf '8100 1 0\n8100 0 0\n8100 ff 0\n8100 2a 0')" "$(wt_messages launcher)"
  wt_expect_no_box "all targets present"
  wt_check "driver requests well formed" 0 "$(wt_travok_stat badRequests)"
  close_plimset
}

# Targets missing: silence for the switcher and the volume meter, a warning
# box at every press for the multimedia and wireless keys, the "Notification"
# box for the launcher's keys; the factory program still hears every key.
scenario_targets_absent() {
  wt_install_travok || return
  wt_companion factory FactoryStandIn 'Factory Testing Programing - KT3' || return
  start_plimset
  press 3 5 8 49 50
  wait_delivered 5
  sleep 1
  wt_expect_no_box "switcher and volume meter missing"
  press 33
  wt_expect_box "key 33, multimedia utility missing" "$PLIMSET" "I cannot find out zolbex utility" \
    "buttons=1 icon=1"
  press 36
  wt_expect_box "key 36, again" "$PLIMSET" "I cannot find out zolbex utility" "buttons=1 icon=1"
  press 64
  wt_expect_box "key 64, wireless utility missing" "$PLIMSET" "I cannot find out Wireless utility" \
    "buttons=1 icon=1"
  press 1
  wt_expect_box "key 1, launcher missing" "Notification" "Kedrin is NOT running !!!" "buttons=1 icon=0"
  wait_delivered 9
  sleep 0.3
  wt_check "factory notice also for keys whose target is missing" \
    "$(printf '8101 %s 0\n' 3 5 8 31 32 21 24 40 1)" "$(wt_messages factory)"
  close_plimset
}

shutdown_log() { cat "$(wt_log_dir)/shutdown.log" 2>/dev/null; }
shutdown_ran() { [ -s "$(wt_log_dir)/shutdown.log" ]; }

# run_shutdown_key INSTALL_DIR COMMAND_LINE EXPECTED_CWD: key 80 with
# plimset installed in INSTALL_DIR (under C:) and started with COMMAND_LINE.
run_shutdown_key() {
  wt_install "$WT_PLIMSET" "$1/plimset.exe"
  wt_install "$WT_FIXTURES/shutdown.exe" "$1/shutdown.exe"
  rm -f "$(wt_log_dir)/shutdown.log" "$(wt_log_dir)/factory.log"
  wt_companion factory FactoryStandIn 'Factory Testing Programing - KT3' || return
  # Started from a directory outside drive C, so that the change shows.
  cd "$WT_WORK" && wt_start "$WT_PROBE" exec "$2" && cd - >/dev/null
  PLIMSET_WINDOW=$(wt_probe wait PLIMSET Plimset 20000) || { wt_fail "$2: no window"; return; }
  press 80
  if box=$(wt_probe box 15000); then
    wt_check "$2: box text" "0x50" "$(wt_probe text "$box" 0xFFFF)"
    wt_check "$2: factory notice before the box" "8101 50 0" "$(wt_messages factory)"
    sleep 1
    wt_check "$2: shutdown.exe not started while the box is open" "" "$(shutdown_log)"
    wt_probe answer "$box"
    wt_until 10 shutdown_ran
    wt_check "$2: shutdown.exe ran once, in the program's directory" "ran cwd=$3" \
      "$(shutdown_log | sed 's/ cmdline=.*//')"
  else
    wt_fail "$2: no box for key 80"
  fi
  close_plimset
  wt_probe send "$(wt_probe find FactoryStandIn '*')" WM_CLOSE >/dev/null
}

# WM_CLOSE while the box "0x50" waits (as the uninstaller sends it): the
# program ends with 0, and shutdown.exe does not start, for nobody said OK.
run_close_during_shutdown_box() {
  rm -f "$(wt_log_dir)/shutdown.log"
  start_plimset
  press 80
  if wt_probe box 15000 >/dev/null; then
    wt_probe post "$PLIMSET_WINDOW" WM_CLOSE >/dev/null
    if code=$(wt_wait_exit 20); then
      wt_check "WM_CLOSE during the box: exit code" 0 "$code"
    else
      wt_fail "WM_CLOSE during the box: still running after 20 s"
    fi
    sleep 1
    wt_check "WM_CLOSE during the box: shutdown.exe not started" "" "$(shutdown_log)"
  else
    wt_fail "WM_CLOSE during the box: no box for key 80"
  fi
}

# Key 80: factory notice, working directory, the box "0x50", and
# shutdown.exe only after OK; with a quoted command line holding spaces and
# with an unquoted one whose folder name holds a hyphen (cut there); and not
# at all when the program is closed while the box waits.
scenario_shutdown_key() {
  wt_install_travok || return
  run_shutdown_key "Program Files/Note Book" '"C:\Program Files\Note Book\plimset.exe"' \
    'C:\Program Files\Note Book'
  run_shutdown_key "Note-Book" 'C:\Note-Book\plimset.exe' 'C:\'
  wt_install "$WT_FIXTURES/shutdown.exe" Notebook/shutdown.exe
  run_close_during_shutdown_box
}

# Three keys at once: one per tick, the first on the 500 ms timer, the next
# ones about 100 ms apart; a read that finds nothing at first is repeated.
scenario_burst() {
  wt_install_travok || return
  wt_companion factory FactoryStandIn 'Factory Testing Programing - KT3' || return
  wt_companion launcher '#32770' Kedrin || return
  start_plimset
  press 0x11 0x12 0x14
  wait_delivered 3
  sleep 0.3
  wt_check "three keys dispatched in order" "$(printf '8100 11 0\n8100 12 0\n8100 14 0')" \
    "$(wt_messages launcher)"
  set -- $(wt_message_ticks factory 8101)
  if [ $# -eq 3 ]; then
    wt_in_range "ms from first to second key" 50 400 $(($2 - $1))
    wt_in_range "ms from second to third key" 50 400 $(($3 - $2))
  else
    wt_fail "factory saw $# keys, not 3"
  fi
  # Now in the fast phase: the driver holds back the next 5 reads.
  wt_drvctl hold 5
  reads=$(wt_travok_stat reads)
  press 0x15
  wait_delivered 4
  sleep 0.3
  wt_check "held key dispatched once" "8100 15 0" "$(wt_messages launcher | tail -n +4)"
  wt_check "read repeated until the key came" 6 $(($(wt_travok_stat reads) - reads))
  close_plimset
}

# The 30 s fast phase: 100 ms polling after a key, not lengthened by a key
# at second 20, back to 500 ms at second 30.
scenario_fast_phase() {
  wt_install_travok || return
  wt_companion launcher '#32770' Kedrin || return
  start_plimset
  press 1
  wait_delivered 1
  start=$(date +%s)
  sleep 2
  q0=$(wt_travok_stat queries)
  sleep 5
  wt_in_range "queries in 5 s of the fast phase" 35 60 $(($(wt_travok_stat queries) - q0))
  sleep $((20 - ($(date +%s) - start)))
  press 2
  wait_delivered 2
  sleep $((32 - ($(date +%s) - start)))
  q0=$(wt_travok_stat queries)
  sleep 5
  wt_in_range "queries in 5 s after second 32" 7 14 $(($(wt_travok_stat queries) - q0))
  wt_check "both keys dispatched" "$(printf '8100 1 0\n8100 2 0')" "$(wt_messages launcher)"
  close_plimset
}

case "$1" in
  startup | no-driver | vantrel | stale-keys | targets-present | targets-absent | shutdown-key | burst | fast-phase)
    wt_scenario_begin plimset "$1" "CreateFileA;DeleteFileA"
    "scenario_$(echo "$1" | tr - _)"
    wt_end
    ;;
  *)
    echo "$0: no scenario $1" >&2
    exit 2
    ;;
esac
