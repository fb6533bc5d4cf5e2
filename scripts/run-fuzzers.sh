#!/usr/bin/env bash
# Runs every fuzz target for a short time on its seed corpus; fails on a finding.
set -euo pipefail
dir="$1"; seconds="${2:-20}"
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for target in "$dir"/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  corpus="$root/build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/fuzz/corpus/$name"
  echo "== $name (${seconds}s)"
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$root/build/fuzz/$name-" "${args[@]}" 2>"$root/build/fuzz/$name.log"; then
    echo "FINDING in $name: see build/fuzz/$name.log"; tail -n 30 "$root/build/fuzz/$name.log"; status=1
  else
    grep -E 'stat::number_of_executed_units' "$root/build/fuzz/$name.log" || true
  fi
done
exit $status
