#!/usr/bin/env bash
# Builds the Windows programs and opens Morvane.exe under Wine in a program
# folder with the enciphered sample database (and Tessarin beside it). Without
# a display, Morvane runs under a private X server through a Smart Scan and
# the screenshot of its result screen is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bash tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target Morvane Tessarin morvane-db morvane_driver
dist=build/windows/dist
mkdir -p "$dist"
run() { "$top/cmake/wine-run.sh" "$top/build/windows/wineprefix" "$@"; }
cp build/windows/src/shell/win32/Morvane.exe build/windows/src/database/morvane-db.exe \
   build/windows/src/updater/Tessarin.exe data/sample-db.txt "$dist/"
[ -f "$dist/Tessarin.ini" ] || printf 'Server=http://127.0.0.1:8080\r\n' > "$dist/Tessarin.ini"
( cd "$dist" && run morvane-db.exe encrypt sample-db.txt DataBase.ref && run morvane-db.exe check DataBase.ref )
if [ -n "${DISPLAY:-}" ]; then
  echo "== Morvane.exe (close its window to end)"
  ( cd "$dist" && run Morvane.exe )
else
  shot=$top/build/windows/run-scan.png
  rm -f "$shot"
  script=$top/build/windows/run.script
  win() { echo "Z:$(realpath "$1" | tr / '\\')"; }
  cat > "$script" <<SCRIPT
start $(win "$dist")
wait "Morvane - Status"
click Scan
click "Smart Scan"
click Next
wait Next
click Next
wait "Morvane - System Scan Results"
rows
shot $(win "$(dirname "$shot")")\\run-scan.png Morvane
kill
SCRIPT
  echo "== no display: Morvane.exe runs a Smart Scan under xvfb-run"
  xvfb-run -a -s "-screen 0 1024x768x24" python3 - "$top" "$script" <<'PY'
import sys
sys.path.insert(0, sys.argv[1] + "/tests/window")
from harness import Harness
b = sys.argv[1] + "/build/windows"
h = Harness(sys.argv[1] + "/cmake/wine-run.sh", b + "/wineprefix", b + "/tests/window/morvane_driver.exe",
            b + "/src/shell/win32/Morvane.exe", b + "/src/database/morvane-db.exe", b)
lines = h.drive("run", open(sys.argv[2]).read())
print("\n".join(l for l in lines if not l.startswith(("> ", "SHOT"))))
PY
  echo "== screenshot of the result screen: $shot"
fi
echo "== Windows programs and the enciphered sample database are in $dist"
