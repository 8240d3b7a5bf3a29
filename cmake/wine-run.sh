#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix inside the build tree.
# Usage: wine-run.sh PREFIX_DIR program.exe [args...]
set -u
prefix=$1; shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
server=/usr/lib/wine/wineserver
[ -x "$server" ] || server=$(command -v wineserver)
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  # One prefix creation at a time when tests run in parallel.
  ( flock 9; [ -f "$prefix/system.reg" ] || { "$wine" wineboot -i >/dev/null 2>&1; "$server" -w; } ) 9>"$prefix.lock"
fi
# The prefix's server and services (explorer, services.exe and the rest)
# take on the error output of the program that starts them and keep it open
# until the prefix is idle; whoever reads that output (ctest, a test script)
# would wait as long. So when none runs, they are started here by a program
# with no output of ours, and the server stays 5 s after the last program,
# long enough for the one below to find them up.
if "$server" -p5 </dev/null >/dev/null 2>&1; then
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
fi
exec "$wine" "$@"
