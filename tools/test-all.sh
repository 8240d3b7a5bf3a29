#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# the native suite (label native), the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, every fuzz target for FUZZ_SECONDS seconds
# (default 10), and the Windows programs under Wine (label wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc)
echo "== linux: configure, build, test"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

echo "== linux-asan: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
ctest --preset linux-asan -j "$jobs"

echo "== fuzz: every libFuzzer target for a short while"
bash tools/fuzz.sh "${FUZZ_SECONDS:-10}"

echo "== windows: configure, build, test under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
# Windows of the GUI tests need a display; one private X server for the run.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows -j "$jobs"
echo "== all tests passed"
