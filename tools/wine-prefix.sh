#!/bin/sh
# Headless Wine prefixes for the tests of the real programs.
#
#   tools/wine-prefix.sh template DIR       make a headless template prefix in DIR,
#                                           unless DIR already holds a finished one
#   tools/wine-prefix.sh copy TEMPLATE DIR  make DIR a fresh copy of the template
#
# A template takes a few seconds to make (wineboot), a copy about one second, so
# a test run makes one template and every test starts from its own copy.
# Headless means Wine's null graphics driver: windows, message boxes and
# messages all work without an X display. Needs Debian's wine64 and
# wine32:i386 and the `wine` launcher: the prefix is a WoW64 one that runs
# i686 and x86_64 programs side by side. A program that crashes ends at
# once with its exception code, instead of waiting in Wine's debugger.
set -eu

# A finished template holds this file; a half-made one (interrupted wineboot)
# is made again from scratch, and so is one made before the template was a
# WoW64 one without Wine's debugger (it holds only an older mark).
READY_MARK=.headless-wow64-ready

export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installer dialogs during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="

usage() {
  echo "usage: $0 template DIR | copy TEMPLATE DIR" >&2
  exit 2
}

make_template() {
  dir=$1
  if [ -f "$dir/$READY_MARK" ]; then
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  export WINEPREFIX="$dir"
  # Keep wineboot's chatter out of the test output unless it fails.
  if ! wineboot -i 2>"$dir/wineboot.log"; then
    cat "$dir/wineboot.log" >&2
    exit 1
  fi
  if [ ! -d "$dir/drive_c/windows/syswow64" ]; then
    echo "$0: $dir is no WoW64 prefix: is wine32:i386 installed? (tools/install-deps)" >&2
    exit 1
  fi
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null
  # Without a debugger to start, Wine ends a crashed program at once.
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v winedbg.exe /t REG_SZ /d '' /f >/dev/null
  # The driver is chosen when the wineserver starts: stop it so that the next
  # start (in the copies) reads the new value, and so the registry is on disk.
  wineserver -k || true
  wineserver -w || true
  if ! grep -q '"Graphics"="null"' "$dir/user.reg"; then
    echo "$0: the null graphics driver did not reach $dir/user.reg" >&2
    exit 1
  fi
  touch "$dir/$READY_MARK"
}

copy_template() {
  template=$1
  dir=$2
  if [ ! -f "$template/$READY_MARK" ]; then
    echo "$0: $template is not a finished template (run: $0 template $template)" >&2
    exit 1
  fi
  rm -rf "$dir"
  cp -a "$template" "$dir"
}

[ $# -ge 1 ] || usage
case "$1" in
  template) [ $# -eq 2 ] || usage; make_template "$2" ;;
  copy) [ $# -eq 3 ] || usage; copy_template "$2" "$3" ;;
  *) usage ;;
esac
