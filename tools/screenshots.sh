#!/usr/bin/env bash
# Builds Morvane and its window driver, then pictures the splash window and
# the screens under a private X server into docs/screens/*.png; the settings
# screen and its dialogs come from the settings window test's pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows --target Morvane morvane_driver morvane-db -j "$(nproc)"
xvfb-run -a -s "-screen 0 1024x768x24" python3 tools/screenshots.py
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows -R '^settings_window$' --output-on-failure
cp build/windows/tests/background/screens/*.png docs/screens/
