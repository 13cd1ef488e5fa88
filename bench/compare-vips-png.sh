#!/usr/bin/env bash
# Times a PNG decode + re-encode of the same 4000 × 3000 image by our codecs and by `vips copy`,
# and prints the ratios. vips writes unfiltered rows by default; "filter=all" matches the adaptive
# filtering our encoder gets from libpng, so both comparisons are shown. Wall-clock times: run on
# an otherwise idle machine. Run after building the default preset.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bench/codec_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

VELMARIS_WRITE_PNG="$work/in.png" "$bench" --benchmark_filter='BM_Png' \
  --benchmark_format=json --benchmark_out="$work/ours.json" >/dev/null

# Milliseconds of the fastest of three runs of a command.
fastest() {
  local best=""
  for _ in 1 2 3; do
    local start end ms
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
plain=$(fastest vips copy "$work/in.png" "$work/plain.png")
filtered=$(fastest vips copy "$work/in.png" "$work/filtered.png[filter=all]")

python3 - "$work" "$plain" "$filtered" <<'PY'
import json, os, sys
work, plain, filtered = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
results = {b["name"].split("/")[0]: b["real_time"] for b in json.load(open(f"{work}/ours.json"))["benchmarks"]}
ours = results["BM_PngEncode"] + results["BM_PngDecode"]
size = lambda name: os.path.getsize(f"{work}/{name}.png") / 1e6
print(f"ours: decode {results['BM_PngDecode']:.0f} ms + encode {results['BM_PngEncode']:.0f} ms = {ours:.0f} ms"
      f" ({size('in'):.1f} MB)")
print(f"vips copy, default:    {plain:.0f} ms ({size('plain'):.1f} MB), ours / vips = {ours / plain:.2f}")
print(f"vips copy, filter=all: {filtered:.0f} ms ({size('filtered'):.1f} MB), ours / vips = {ours / filtered:.2f}")
PY
