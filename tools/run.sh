#!/usr/bin/env bash
# Builds the Windows programs and runs what exists of them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/test-all.sh --build-only
