#!/usr/bin/env bash
# Builds the Windows programs and runs what exists of them under Wine. The main
# window is not built yet: this enciphers the sample database with morvane-db,
# checks it, and opens Tessarin.exe (the updater) when a display is available.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bash tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
dist=build/windows/dist
mkdir -p "$dist"
run() { "$top/cmake/wine-run.sh" "$top/build/windows/wineprefix" "$@"; }
cp build/windows/src/database/morvane-db.exe build/windows/src/updater/Tessarin.exe data/sample-db.txt "$dist/"
[ -f "$dist/Tessarin.ini" ] || printf 'Server=http://127.0.0.1:8080\r\n' > "$dist/Tessarin.ini"
cd "$dist"
echo "== morvane-db.exe encrypt sample-db.txt DataBase.ref"
run morvane-db.exe encrypt sample-db.txt DataBase.ref
echo "== morvane-db.exe check DataBase.ref"
run morvane-db.exe check DataBase.ref
if [ -n "${DISPLAY:-}" ]; then
  echo "== Tessarin.exe (close its window to end)"
  run Tessarin.exe
else
  echo "== no display: Tessarin.exe not opened (run under X, or: xvfb-run -a bash tools/run.sh)"
fi
echo "== Windows programs and the enciphered sample database are in $dist"
