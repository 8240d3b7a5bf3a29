#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix inside the build tree.
# Usage: wine-run.sh PREFIX_DIR program.exe [args...]
set -u
prefix=$1; shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # One prefix creation at a time when tests run in parallel.
  ( flock 9; [ -f "$prefix/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1; /usr/lib/wine/wineserver -w 2>/dev/null || wineserver -w; } ) 9>"$prefix.lock"
fi
exec "$wine" "$@"
