#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, clang) and runs each one for
# SECONDS seconds (default 60), JOBS at a time, from its seed corpus and dictionary in
# tests/fuzz. Fails when any target crashes, leaks, times out or breaks a
# property. New inputs go to build/fuzz/runs/<target>/corpus, findings to
# build/fuzz/runs/<target>/ (crash-*, leak-*, timeout-*); keep a finding as a
# seed by copying it into tests/fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
jobs=${JOBS:-$(nproc)}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"

# One target: SECONDS seconds from its seeds; its summary line, or the log's
# tail and a "failed" mark on a fault.
run_target() {
  local t=$1 run=build/fuzz/runs/$1
  mkdir -p "$run/corpus"
  rm -f "$run/failed"
  cp -n tests/fuzz/corpus/$t/* "$run/corpus/" 2>/dev/null || true
  local dict=()
  [ -f tests/fuzz/$t.dict ] && dict=(-dict=tests/fuzz/$t.dict)
  # A target's own flags (one a line), after the common ones so that they win.
  local own=()
  [ -f tests/fuzz/$t.options ] && mapfile -t own < tests/fuzz/$t.options
  if build/fuzz/tests/fuzz/$t "${dict[@]}" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
      -max_len=8192 "${own[@]}" -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log.txt" 2>&1; then
    echo "== $t: $seconds s, $(grep -E '^stat::number_of_executed_units' "$run/log.txt" | tail -1)"
  else
    touch "$run/failed"
    echo "== $t: FAILED"
    tail -40 "$run/log.txt"
  fi
}

# JOBS targets at a time (default: one a processor); each prints when done.
targets=()
for src in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$t" &
done
wait

failed=()
for t in "${targets[@]}"; do
  if [ -e "build/fuzz/runs/$t/failed" ]; then failed+=("$t"); fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "== fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "== fuzzing: no faults"
