#!/usr/bin/env bash
# Times our Gaussian blur (sigma 10 and 50), our 4000 × 3000 → 1000 × 750 resample and Image Size
# to 2000 × 1500 against the vips commands on the same image, in one run, and prints the ratios.
# Usage: bench/compare-vips.sh [build directory]   (default: build)
set -euo pipefail

build=${1:-build}
runs=3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/blur_bench" --write-photo="$work/photo.png"
# vips' own format maps straight into memory, so loading costs vips almost nothing.
vips copy "$work/photo.png" "$work/photo.v"

source "$(dirname "$0")/vips-timing.sh"

vips_copy=$(time_ms vips copy "$work/photo.v" "$work/out.v")
vips_blur10=$(time_ms vips gaussblur "$work/photo.v" "$work/out.v" 10)
# Seconds long; once is enough on a shared machine.
vips_blur50=$(time_ms --once vips gaussblur "$work/photo.v" "$work/out.v" 50)
vips_resize=$(time_ms vips resize "$work/photo.v" "$work/out.v" 0.25)
vips_half=$(time_ms vips resize "$work/photo.v" "$work/out.v" 0.5)
ours_blur10=$(bench_ms "$build/bench/blur_bench" "gaussianBlurPhoto/10/process_time/real_time")
ours_blur50=$(bench_ms "$build/bench/blur_bench" "gaussianBlurPhoto/50/process_time/real_time")
ours_resize=$(bench_ms "$build/bench/resample_bench" "resamplePhoto/1000/750/process_time/real_time")
ours_half=$("$build/bench/image_operations_bench" --benchmark_filter='resizeImageOneLayer' --benchmark_min_time=0.2 \
               --benchmark_format=csv 2>/dev/null | awk -F, '$1 ~ /resizeImageOneLayer/ { printf "%.1f\n", $3 }')

echo "4000 x 3000 RGBA, wall times in ms ($(vips --version), $(nproc) cores)"
echo "vips copy .v -> .v (load/save floor): $vips_copy"
printf '%-22s %10s %10s %12s %16s\n' task ours vips vips/ours "(vips-copy)/ours"
for task in "gaussblur 10:$ours_blur10:$vips_blur10" "gaussblur 50:$ours_blur50:$vips_blur50" \
            "resize 0.25:$ours_resize:$vips_resize" "image size 0.5:$ours_half:$vips_half"; do
    IFS=: read -r name ours theirs <<<"$task"
    printf '%-22s %10s %10s %12s %16s\n' "$name" "$ours" "$theirs" "$(ratio "$theirs" "$ours")" \
        "$(ratio "($theirs - $vips_copy)" "$ours")"
done
