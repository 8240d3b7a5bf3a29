#!/usr/bin/env bash
# Builds the Windows programs and runs what exists of them under Wine:
# the database tool checks the sample database it has just enciphered.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
dist=build/windows/dist
mkdir -p "$dist"
export WINEDEBUG=-all
run() { cmake/wine-run.sh "$PWD/build/windows/wineprefix" "$@"; }
if [ -f build/windows/src/database/morvane-db.exe ] && [ -f data/sample-db.txt ]; then
  cp build/windows/src/database/morvane-db.exe "$dist/"
  cp data/sample-db.txt "$dist/"
  (cd "$dist" && run morvane-db.exe encrypt sample-db.txt DataBase.ref && run morvane-db.exe check DataBase.ref) || true
fi
for exe in build/windows/src/updater/Tessarin.exe build/windows/src/shell/Morvane.exe; do
  [ -f "$exe" ] && cp "$exe" "$dist/"
done
echo "== Windows programs in $dist"
ls -l "$dist"
