#!/usr/bin/env bash
# Builds Morvane and its window driver, then pictures the splash window and
# the screens under a private X server into docs/screens/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target Morvane morvane_driver morvane-db -j "$(nproc)"
xvfb-run -a -s "-screen 0 1024x768x24" python3 tools/screenshots.py
