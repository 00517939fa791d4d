#!/bin/sh
# Takes a PNG screenshot of kelvane's real "Power Scheme" popup: kelvane.exe
# runs under Wine with its reference KELVANE driver and the test power-profile
# library, on a virtual X display (Xvfb) with Wine's X11 driver instead of the
# null one the tests use; the popup is opened with the message plimset posts
# on Fn+F3, moved one step, and photographed before it commits.
#
#   tools/wine-screenshot.sh [BUILD_DIR [OUTPUT_PNG]]
#
# BUILD_DIR is the x86_64 build (default build/win64, after
# `cmake --build --preset win64`); OUTPUT_PNG defaults to
# tests/wine/screenshots/power-scheme-popup.png. Needs Xvfb and ImageMagick's
# `import` besides Wine.
set -eu
cd "$(dirname "$0")/.."
BUILD=${1:-build/win64}
OUTPUT=${2:-tests/wine/screenshots/power-scheme-popup.png}
FIXTURES=$BUILD/tests/wine/fixtures
PROBE=$BUILD/tests/wine/probe.exe
KELVANE=$BUILD/switcher/kelvane.exe
for file in "$PROBE" "$KELVANE" "$FIXTURES/KELVANE.sys" "$FIXTURES/powrprof/full/powrprof.dll"; do
  [ -f "$file" ] || { echo "$0: $file is missing: build the win64 preset first" >&2; exit 1; }
done
for tool in Xvfb import wine; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 1; }
done

export WINEDEBUG=-all
WORK=$(mktemp -d "${TMPDIR:-/tmp}/wine-screenshot.XXXXXX")
export WINEPREFIX="$WORK/prefix"
DISPLAY_NUMBER=97
XVFB_PID=
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

tools/wine-prefix.sh template "$BUILD/wine-template"
tools/wine-prefix.sh copy "$BUILD/wine-template" "$WINEPREFIX"

Xvfb ":$DISPLAY_NUMBER" -screen 0 640x400x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
tries=50
until import -window root -crop 1x1+0+0 "$WORK/ready.png" 2>/dev/null; do
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || { echo "$0: Xvfb did not start: $(cat "$WORK/xvfb.log")" >&2; exit 1; }
  sleep 0.1
done

# The template uses the null driver; this copy draws on the X display. The
# driver is chosen when the wineserver starts, so restart it. Without a window
# manager on the display, captions would be missing: a Wine virtual desktop
# filling the display draws them, as Windows does.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d x11 /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 640x400 /f >/dev/null
wineserver -k || true
wineserver -w || true
wineserver -p60

# kelvane as installed on the notebook, with four schemes, the second active.
APP="$WINEPREFIX/drive_c/Power Tools"
mkdir -p "$APP" "$WINEPREFIX/drive_c/wine-test"
cp "$KELVANE" "$FIXTURES/KELVANE.sys" "$FIXTURES/powrprof/full/powrprof.dll" "$APP/"
printf 'active=1\nscheme=0 Home/Office Desk\nscheme=1 Portable/Laptop\nscheme=2 Presentation\nscheme=3 Always On\n' \
  >"$WINEPREFIX/drive_c/wine-test/schemes.txt"
WINEDLLOVERRIDES="powrprof=n" wine 'C:\Power Tools\kelvane.exe' >"$WORK/kelvane.out" 2>&1 &

main=$(wine "$PROBE" wait NorvoKelvaneClass '*' 30000) || { echo "$0: kelvane did not start" >&2; exit 1; }
# Fn+F3 twice: the popup opens on the active scheme and moves one step down.
wine "$PROBE" post "$main" 0x1635
popup=$(wine "$PROBE" wait NorvoKelvaneClass1 'Power Scheme' 10000) || { echo "$0: no popup" >&2; exit 1; }
wine "$PROBE" post "$main" 0x1635
sleep 0.5
set -- $(wine "$PROBE" rect "$popup")
margin=24
mkdir -p "$(dirname "$OUTPUT")"
import -window root -crop "$(($3 + 2 * margin))x$(($4 + 2 * margin))+$(($1 - margin))+$(($2 - margin))" +repage \
  "$OUTPUT"
echo "$OUTPUT: the popup at $1,$2, $3 by $4 pixels"
