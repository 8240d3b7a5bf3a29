#!/usr/bin/env bash
# Retakes every picture of Morvane from the current build: MorvaneSetup.exe is
# installed silently into a fresh Wine prefix planted as tools/run.sh plants
# its demo, and tools/screenshots.py drives the program under Xvfb with the
# openbox window manager, so windows, dialogs and questions carry their title
# bars and frames.
#   tools/screenshots.sh                      pictures into docs/screens
#   tools/screenshots.sh --dpi 144 --out DIR  the same at 150% (192: 200%)
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=96
out=$PWD/docs/screens
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2 ;;
    --out) out=$(realpath -m "$2") ;;
    *) echo "usage: $0 [--dpi N] [--out DIR]" >&2; exit 2 ;;
  esac
  shift 2
done
bash tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target setup morvane_driver morvane-db -j 2

build=$PWD/build/windows
work=$build/pictures-$dpi
export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

[ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null || true
rm -rf "$work"
mkdir -p "$work"
echo "== fresh Wine prefix in $WINEPREFIX ($dpi dots per inch)"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
"$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
  /t REG_DWORD /d "$dpi" /f >/dev/null
echo "== MorvaneSetup.exe /S"
"$wine" "$build/MorvaneSetup.exe" /S
"$wineserver" -w
echo "== planting harmless traces that the shipped database knows"
source tools/plant-demo.sh
"$wineserver" -w

echo "== pictures into $out"
export out work
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  python3 tools/screenshots.py --prefix "$WINEPREFIX" --installed "C:\\Program Files\\Morvane" --out "$out" \
    --work "$work/run"
  code=$?
  kill $wm
  exit $code
'
"$wineserver" -k 2>/dev/null || true
