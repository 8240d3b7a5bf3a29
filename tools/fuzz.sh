#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, clang) and runs each one for
# SECONDS seconds (default 60) from its seed corpus and dictionary in
# tests/fuzz. Fails when any target crashes, leaks, times out or breaks a
# property. New inputs go to build/fuzz/runs/<target>/corpus, findings to
# build/fuzz/runs/<target>/ (crash-*, leak-*, timeout-*); keep a finding as a
# seed by copying it into tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-$(nproc)}"

failed=()
for src in tests/fuzz/fuzz_*.cpp; do
  t=$(basename "$src" .cpp)
  run=build/fuzz/runs/$t
  mkdir -p "$run/corpus"
  cp -n tests/fuzz/corpus/$t/* "$run/corpus/" 2>/dev/null || true
  dict=()
  [ -f tests/fuzz/$t.dict ] && dict=(-dict=tests/fuzz/$t.dict)
  # A target's own flags (one a line), after the common ones so that they win.
  own=()
  [ -f tests/fuzz/$t.options ] && mapfile -t own < tests/fuzz/$t.options
  echo "== $t: $seconds s"
  if ! build/fuzz/tests/fuzz/$t "${dict[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
      -max_len=8192 "${own[@]}" -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log.txt" 2>&1; then
    failed+=("$t")
    tail -40 "$run/log.txt"
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$run/log.txt" | tail -1 || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "== fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "== fuzzing: no faults"
