#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds (argument: seconds each).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build-fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  seeds="fuzz/seeds/${name%_fuzz}"
  mkdir -p "$corpus"
  log="build-fuzz/$name.log"
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=20 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/$name-" "$corpus" $([ -d "$seeds" ] && echo "$seeds") >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzzer $name found a failing input"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$log" || true
done
