#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# the native suite (label native) and the Windows programs under Wine (label wine).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ googletest g++-mingw-w64-x86-64 wine64 xvfb xauth python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
echo "== linux: configure, build, test"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

echo "== windows: configure, build, test under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
# Windows of the GUI tests need a display; one private X server for the run.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows -j "$jobs"
echo "== all tests passed"
