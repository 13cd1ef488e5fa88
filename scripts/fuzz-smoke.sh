#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds (argument: seconds each).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The system libraries' own leaks (parser and font caches kept until exit) are not ours to report.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for target in build-fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  seeds=()
  for dir in "fuzz/seeds/${name%_fuzz}" $([ "$name" = paste_drop_fuzz ] && echo fuzz/seeds/decode_image); do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  mkdir -p "$corpus"
  log="build-fuzz/$name.log"
  echo "== $name for ${seconds}s"
  # The limits of the decoding helper process: 4 GB of memory, 10 s for one input.
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzzer $name found a failing input"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$log" || true
done
