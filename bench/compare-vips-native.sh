#!/usr/bin/env bash
# Baseline for the native format benchmark: the five 4000 × 3000 layers as PNG files, each re-encoded
# by `vips copy` (a PNG decode plus encode), one after another. Compare the total with
# BM_NativeEncode + BM_NativeDecode of build/bench/native_format_bench.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bench/native_format_bench
[ -x "$bench" ] || { echo "build first: cmake --build --preset default" >&2; exit 1; }
command -v vips >/dev/null || { echo "vips is missing: scripts/install-deps.sh --bench" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$bench" --write-layer-pngs="$folder"
ls -l "$folder"/layer*.png | awk '{ total += $5 } END { printf "5 layer PNGs: %.1f MB\n", total / 1e6 }'
start=$(date +%s.%N)
for n in 1 2 3 4 5; do
  vips copy "$folder/layer$n.png" "$folder/out$n.png"
done
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" 'BEGIN { printf "vips copy of 5 PNGs one after another: %.2f s\n", e - s }'
