#!/usr/bin/env bash
# The real-time figures of the i686 programs (the ones we ship) under Wine,
# told that they run on Windows 2000, as rows of the figures table (see
# tools/figures). Each measurement runs in a fresh copy of the template
# prefix, with the reference drivers, the companion stand-ins and the test
# power-profile library of the Wine scenarios.
#
#   tests/wine/figures.sh [--short]
#
# --short takes fewer samples (what CI runs). The programs and fixtures come
# from build/win32 (or $FIGURES_BUILD). Budgets are shown, never asserted; the
# exit code is 1 only when a figure could not be measured.
#
# Clocks: latencies and the commit delay compare GetTickCount values taken in
# different Wine processes (drvctl, probe, the stand-in, the test library),
# all read from the one clock the wineserver keeps; start-up times come from
# the performance counter of the probe that starts the program; CPU time is
# utime + stime from /proc/PID/stat.
set -u
cd "$(dirname "$0")/../.."
. tests/wine/wine-test-lib.sh

build=${FIGURES_BUILD:-build/win32}
build=$(cd "$build" 2>/dev/null && pwd) || { echo "figures.sh: no build in ${FIGURES_BUILD:-build/win32}" >&2; exit 1; }
export WT_PROBE=$build/tests/wine/probe.exe
export WT_TEMPLATE=$build/wine-template
export WT_FIXTURES=$build/tests/wine/fixtures
export WT_PLIMSET=$build/dispatcher/plimset.exe
export WT_KELVANE=$build/switcher/kelvane.exe
for file in "$WT_PROBE" "$WT_FIXTURES/drvctl.exe" "$WT_FIXTURES/TRAVOK.sys" "$WT_PLIMSET" "$WT_KELVANE"; do
  [ -f "$file" ] || { echo "figures.sh: $file is missing (build the win32 preset)" >&2; exit 1; }
done

if [ "${1:-}" = "--short" ]; then
  LATENCY_ROUNDS=3 FAST_KEYS_PER_ROUND=4 POPUP_ROUNDS=2 STARTUP_RUNS=3
else
  LATENCY_ROUNDS=12 FAST_KEYS_PER_ROUND=8 POPUP_ROUNDS=6 STARTUP_RUNS=9
fi

# FIGURES_SAMPLES=DIR keeps the raw samples (one file per figure, one value a
# line) and each measurement's log in DIR.
if [ -n "${FIGURES_SAMPLES:-}" ]; then
  SAMPLES=$FIGURES_SAMPLES
  rm -rf "$SAMPLES" && mkdir -p "$SAMPLES" || exit 1
else
  SAMPLES=$(mktemp -d "${TMPDIR:-/tmp}/wine-figures.XXXXXX")
  trap 'rm -rf "$SAMPLES"' EXIT
fi
PLIMSET='C:\Notebook\plimset.exe'
KELVANE='C:\Power Tools\kelvane.exe'
LAUNCHER_LOG=launcher

# A figure failed when this holds text.
FAILED=

# sample NAME VALUE: one measured value of a figure.
sample() { echo "$2" >>"$SAMPLES/$1"; }

# random_sleep MIN_MS SPAN_MS: sleeps MIN_MS plus up to SPAN_MS, so that
# keys fall at any phase of the programs' timers.
random_sleep() {
  ms=$(($1 + RANDOM % ($2 + 1)))
  sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
}

# ---------------------------------------------------------------------------
# Key -> message latency of plimset.exe. Each round starts plimset, waits for
# its message loop, then at a random moment queues one launcher key in TRAVOK:
# the first key after start-up, found by the 500 ms timer (the slow phase).
# The keys that follow in the same round are queued one at a time, each after
# the previous one's message arrived, within the 30 s that the first key
# opened (the fast phase, 100 ms polling). Latency: the tick at which the
# stand-in of the launch utility got the message, less the tick at which
# drvctl had queued the key.

# next_key: sets KEY to a key number without a row of its own (0x11 to
# 0x1F in turn), so that it goes to the launch utility as wParam.
next_key() {
  NEXT_KEY=$(((NEXT_KEY - 0x10) % 15 + 0x11))
  KEY=$(printf '0x%x' "$NEXT_KEY")
}

launcher_lines() { awk '$1 == "8100" && $4 == "posted"' "$(wt_log_dir)/$LAUNCHER_LOG.log" 2>/dev/null; }
launcher_has() { [ "$(launcher_lines | wc -l)" -ge "$1" ]; }

# press_timed PHASE: queues one key, records its latency as a PHASE sample
# and leaves the tick of its message in MESSAGE_TICK.
LAUNCHER_MESSAGES=0
press_timed() {
  phase=$1
  next_key
  key=$KEY
  queued=$(wt_drvctl keys-timed "$key") || { wt_fail "could not queue key $key"; return 1; }
  LAUNCHER_MESSAGES=$((LAUNCHER_MESSAGES + 1))
  if ! wt_until 10 launcher_has "$LAUNCHER_MESSAGES"; then
    wt_fail "key $key: no message to the launch utility within 10 s"
    return 1
  fi
  set -- $(launcher_lines | sed -n "${LAUNCHER_MESSAGES}p")
  if [ "$2" != "$(printf '%x' "$key")" ]; then
    wt_fail "key $key: the launch utility got wParam $2"
    return 1
  fi
  MESSAGE_TICK=$5
  sample "$phase" $((MESSAGE_TICK - queued))
}

measure_latency() {
  wt_install_travok || return
  wt_companion "$LAUNCHER_LOG" '#32770' Kedrin || return
  wt_install "$WT_PLIMSET" Notebook/plimset.exe
  NEXT_KEY=0x10
  for round in $(seq "$LATENCY_ROUNDS"); do
    wt_start "$PLIMSET"
    window=$(wt_probe wait PLIMSET Plimset 20000) || { wt_fail "round $round: no plimset window"; return; }
    # WM_NULL is answered once the message loop runs, the timer set just before.
    wt_probe send "$window" 0 >/dev/null || { wt_fail "round $round: plimset takes no message"; return; }
    random_sleep 0 1000
    press_timed slow || return
    first=$MESSAGE_TICK
    for _ in $(seq "$FAST_KEYS_PER_ROUND"); do
      random_sleep 0 300
      press_timed fast || return
      # A key whose message came after the phase's end would measure the slow phase.
      [ $((MESSAGE_TICK - first)) -lt 29000 ] || { wt_fail "round $round: the keys took longer than the fast phase"; return; }
    done
    wt_probe send "$window" WM_CLOSE >/dev/null
    wt_wait_exit 20 >/dev/null || { wt_fail "round $round: plimset still running after WM_CLOSE"; return; }
  done
  wt_pass "latency: $LATENCY_ROUNDS rounds"
}

# ---------------------------------------------------------------------------
# kelvane.exe with the popup open. Each round opens the popup with 0x1635,
# posts it again a second later (the last press), and waits until the popup
# has closed. CPU: utime + stime of kelvane's Wine process (and of the
# wineserver, which carries its message calls) from just before the last
# press until the popup is gone: the 2.5 s quiet period and the commit.
# Commit delay: the tick of SetActivePwrScheme in the test library, less the
# tick of the last post plus 2500 ms.

# wine_pid NAME...: the process of this prefix named NAME (its comm, as Wine
# names it), or any of the NAMEs.
wine_pid() {
  for dir in /proc/[0-9]*; do
    name=$(cat "$dir/comm" 2>/dev/null) || continue
    case " $* " in *" $name "*) ;; *) continue ;; esac
    tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    echo "${dir#/proc/}"
    return 0
  done
  return 1
}

# cpu_ms PID: utime + stime of the process so far, in ms.
cpu_ms() {
  stat=$(cat "/proc/$1/stat") || return 1
  set -- ${stat##*) }
  echo $(((${12} + ${13}) * 1000 / $(getconf CLK_TCK)))
}

set_active_ticks() {
  awk '$1 == "set-active" { print $2 }' "$(wt_log_dir)/powrprof-ticks.log" 2>/dev/null
}

measure_popup() {
  wt_install "$WT_KELVANE" "Power Tools/kelvane.exe"
  wt_install "$WT_FIXTURES/KELVANE.sys" "Power Tools/KELVANE.sys"
  wt_install "$WT_FIXTURES/powrprof/full/powrprof.dll" "Power Tools/powrprof.dll"
  export WINEDLLOVERRIDES="powrprof=n"
  printf '%s\n' active=0 "scheme=0 Home/Office Desk" "scheme=1 Portable/Laptop" "scheme=2 Presentation" \
    "scheme=3 Always On" "scheme=4 Minimal Power Management" "scheme=5 Max Battery" >"$(wt_log_dir)/schemes.txt"
  wt_start "$KELVANE"
  main=$(wt_probe wait NorvoKelvaneClass '*' 20000) || { wt_fail "no kelvane window"; return; }
  wt_probe send "$main" 0 >/dev/null || { wt_fail "kelvane takes no message"; return; }
  kelvane=$(wine_pid kelvane.exe) || { wt_fail "no process kelvane.exe"; return; }
  server=$(wine_pid wineserver wineserver64) || { wt_fail "no wineserver"; return; }
  echo "kelvane.exe is process $kelvane ($(cpu_ms "$kelvane") ms CPU for its start-up), wineserver $server"
  for round in $(seq "$POPUP_ROUNDS"); do
    wt_probe post "$main" 0x1635 || { wt_fail "round $round: could not post 0x1635"; return; }
    popup=$(wt_probe wait NorvoKelvaneClass1 'Power Scheme' 10000) || { wt_fail "round $round: no popup"; return; }
    sleep 1
    cpu=$(cpu_ms "$kelvane") && server_cpu=$(cpu_ms "$server") || { wt_fail "no /proc stat"; return; }
    last=$(wt_probe post-tick "$main" 0x1635) || { wt_fail "round $round: could not post 0x1635"; return; }
    wt_probe wait-gone "$popup" 10000 || { wt_fail "round $round: popup open 10 s after the last press"; return; }
    sample popup-cpu $(($(cpu_ms "$kelvane") - cpu))
    sample popup-server-cpu $(($(cpu_ms "$server") - server_cpu))
    set -- $(set_active_ticks)
    [ $# -eq "$round" ] || { wt_fail "round $round: $# activations in all"; return; }
    eval "committed=\${$#}"
    sample commit-delay $((committed - last - 2500))
    sleep 0.5
  done
  wt_probe send "$main" WM_CLOSE >/dev/null
  wt_wait_exit 20 >/dev/null || wt_fail "kelvane still running after WM_CLOSE"
  wt_pass "popup: $POPUP_ROUNDS rounds"
}

# ---------------------------------------------------------------------------
# Start-up: the probe starts the program and times, on its performance
# counter, the moment its window exists and the moment its message loop
# first takes a message (see probe launch). Each run ends the program with
# WM_CLOSE and waits for its exit before the next.

# launch_runs NAME CLASS TITLE COMMAND_LINE
launch_runs() {
  out="$WT_WORK/launch.out"
  for run in $(seq "$STARTUP_RUNS"); do
    rm -f "$out"
    wine "$WT_PROBE" launch "$2" "$3" "$4" 20000 >"$out" 2>&1 &
    probe=$!
    if ! wt_until 25 grep -q '^hwnd=' "$out"; then
      wt_fail "$1 run $run: $(cat "$out")"
      return 1
    fi
    read -r window window_ms loop_ms <<<"$(sed 's/[a-z]*=//g' "$out")"
    sample "$1-window" "$window_ms"
    sample "$1-loop" "$loop_ms"
    wt_probe send "$window" WM_CLOSE >/dev/null
    wait "$probe" || { wt_fail "$1 run $run: exit code $?"; return 1; }
  done
}

measure_plimset_startup() {
  wt_install_travok || return
  wt_install "$WT_PLIMSET" Notebook/plimset.exe
  launch_runs plimset PLIMSET Plimset "$PLIMSET" && wt_pass "plimset start-up: $STARTUP_RUNS runs"
}

measure_kelvane_startup() {
  wt_install "$WT_KELVANE" "Power Tools/kelvane.exe"
  wt_install "$WT_FIXTURES/KELVANE.sys" "Power Tools/KELVANE.sys"
  wt_install "$WT_FIXTURES/powrprof/full/powrprof.dll" "Power Tools/powrprof.dll"
  export WINEDLLOVERRIDES="powrprof=n"
  printf '%s\n' active=0 "scheme=0 Home/Office Desk" >"$(wt_log_dir)/schemes.txt"
  launch_runs kelvane NorvoKelvaneClass '*' "\"$KELVANE\"" && wt_pass "kelvane start-up: $STARTUP_RUNS runs"
}

# ---------------------------------------------------------------------------
# Each measurement in a subshell of its own, with its own prefix copy (the
# library's cleanup runs when the subshell ends). Its output is kept for the
# case that it fails.

run_measurement() {
  (
    wt_scenario_begin figures "$1"
    "measure_$1"
    [ "$WT_FAILED" -eq 0 ] && [ "$WT_PASSED" -gt 0 ]
  ) >"$SAMPLES/$1.log" 2>&1 || {
    FAILED="$FAILED $1"
    echo "figures.sh: measurement $1 failed:" >&2
    grep -v '^PASS' "$SAMPLES/$1.log" >&2
  }
}

# stats NAME: "median/worst" of the samples of NAME (the median of an even
# count is the mean of the middle two, rounded down).
stats() {
  sort -n "$SAMPLES/$1" 2>/dev/null | awk '
    { v[NR] = $1 }
    END {
      if (NR == 0) { print "failed"; exit }
      m = NR % 2 ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2)
      print m "/" v[NR]
    }'
}

count() { cat "$SAMPLES/$1" 2>/dev/null | wc -l | tr -d ' '; }

row() { printf "| %-64s | %14s | %-10s |\n" "$1" "$2" "$3"; }

# seconds_stats NAME: the same in seconds, for CPU time.
seconds_stats() {
  stats "$1" | awk -F/ '$1 == "failed" { print; exit } { printf "%.2f/%.2f\n", $1 / 1000, $2 / 1000 }'
}

for measurement in latency popup plimset_startup kelvane_startup; do
  run_measurement "$measurement"
done

row "Wine: key -> message, slow phase, ms (median/worst of $(count slow))" "$(stats slow)" "<= 500"
row "Wine: key -> message, fast phase, ms (median/worst of $(count fast))" "$(stats fast)" "<= 100"
row "Wine: kelvane CPU s, popup's last 2.5 s (median/worst of $(count popup-cpu))" \
  "$(seconds_stats popup-cpu)" "-"
row "Wine: wineserver CPU s meanwhile, all programs (median/worst)" "$(seconds_stats popup-server-cpu)" "-"
row "Wine: kelvane commit after the 2.5 s mark, ms (median/worst)" "$(stats commit-delay)" "-"
row "Wine: plimset start-up to window, ms (median/worst of $(count plimset-window))" \
  "$(stats plimset-window)" "-"
row "Wine: plimset start-up to message loop, ms (median/worst)" "$(stats plimset-loop)" "-"
row "Wine: kelvane start-up to window, ms (median/worst of $(count kelvane-window))" \
  "$(stats kelvane-window)" "-"
row "Wine: kelvane start-up to message loop, ms (median/worst)" "$(stats kelvane-loop)" "-"

[ -z "$FAILED" ]
