#!/usr/bin/env bash
# Times Image Size of one 4000 × 3000 layer to 2000 × 1500 against `vips resize` on the same image.
# Usage: bench/compare-vips-image-size.sh [build directory]   (default: build)
set -euo pipefail

build=${1:-build}
runs=3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/blur_bench" --write-photo="$work/photo.png"
# vips' own format maps straight into memory, so loading costs vips almost nothing.
vips copy "$work/photo.png" "$work/photo.v"

# Mean wall time in milliseconds of a command over $runs runs.
time_ms() {
    local total=0 start end
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        total=$((total + end - start))
    done
    echo "scale=1; $total / $runs / 1000000" | bc
}

vips_copy=$(time_ms vips copy "$work/photo.v" "$work/out.v")
vips_resize=$(time_ms vips resize "$work/photo.v" "$work/out.v" 0.5)
ours=$("$build/bench/image_operations_bench" --benchmark_filter='resizeImageOneLayer' --benchmark_min_time=0.2 \
           --benchmark_format=csv 2>/dev/null \
       | awk -F, '$1 ~ /resizeImageOneLayer/ { printf "%.1f\n", $3 }')

echo "4000 x 3000 RGBA -> 2000 x 1500, wall times in ms ($(vips --version), $(nproc) cores)"
echo "vips copy .v -> .v (load/save floor): $vips_copy"
echo "vips resize 0.5: $vips_resize"
echo "ours (Image Size, one layer): $ours"
echo "vips/ours: $(echo "scale=2; $vips_resize / $ours" | bc)  (vips-copy)/ours: $(echo "scale=2; ($vips_resize - $vips_copy) / $ours" | bc)"
