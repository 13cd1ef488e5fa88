#!/usr/bin/env bash
# Runs bench/photo_decode_bench with repetitions and prints, per format, the medians of decoding a
# 12-megapixel photo in this process and through the decode helper, and their ratios to the
# format's own command-line decoder timed in the same run (heif-convert for HEIC and AVIF, dwebp
# for WebP). A ratio below 1 is faster than the tool.
# Usage: bench/compare-photo-decode.sh [build directory] [repetitions]
set -euo pipefail

build=${1:-build}
repetitions=${2:-5}
for tool in heif-convert dwebp; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/install-deps.sh --bench" >&2; exit 1; }
done
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/photo_decode_bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$json" 2>/dev/null
python3 - "$json" <<'PY'
import json, sys
medians = {b["run_name"].split("/")[0]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
           if b.get("aggregate_name") == "median"}
print("12 MP decode: medians in ms, every figure from this one run")
print(f"{'format':8} {'in process':>11} {'in helper':>10} {'tool':>8} {'process/tool':>13} {'helper/tool':>12}")
for name, tool in (("Heic", "HeifConvert"), ("Avif", "HeifConvert"), ("Webp", "Dwebp")):
    own, helper, base = (medians[f"BM_{name}{kind}"] for kind in ("InProcess", "InHelper", tool))
    print(f"{name:8} {own:11.1f} {helper:10.1f} {base:8.1f} {own / base:13.2f} {helper / base:12.2f}")
PY
