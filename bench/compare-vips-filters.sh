#!/usr/bin/env bash
# Times our Gaussian blur, unsharp mask, median and emboss convolution against the nearest vips
# commands on the same 4000 × 3000 photo-like image, in one run, and prints the ratios.
# Usage: bench/compare-vips-filters.sh [build directory]   (default: build)
set -euo pipefail

build=${1:-build}
runs=3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/vips-timing.sh"

bench="$build/bench/filters_blur_bench"
"$bench" --write-photo="$work/photo.png"
# vips' own format maps straight into memory, so loading costs vips almost nothing.
vips copy "$work/photo.png" "$work/photo.v"
# The emboss kernel at intensity 1, bias 0.5 of full scale (vips matrix: width height scale offset).
printf '3 3 1 127.5\n-2 -1 0\n-1 1 1\n0 1 2\n' >"$work/emboss.mat"

vips_copy=$(time_ms vips copy "$work/photo.v" "$work/out.v")
vips_blur=$(time_ms vips gaussblur "$work/photo.v" "$work/out.v" 10)
vips_sharpen=$(time_ms vips sharpen "$work/photo.v" "$work/out.v")
vips_median=$(time_ms vips rank "$work/photo.v" "$work/out.v" 3 3 4)
vips_conv=$(time_ms vips conv "$work/photo.v" "$work/out.v" "$work/emboss.mat")
vips_conv_int=$(time_ms vips conv "$work/photo.v" "$work/out.v" "$work/emboss.mat" --precision integer)
ours_blur=$(bench_ms "$bench" "gaussianBlur/iterations:4/real_time")
ours_unsharp=$(bench_ms "$bench" "unsharpMask/iterations:4/real_time")
ours_median=$(bench_ms "$bench" "median/iterations:4/real_time")
ours_conv=$(bench_ms "$bench" "emboss/iterations:4/real_time")

echo "4000 x 3000 RGBA, wall times in ms ($(vips --version), $(nproc) cores)"
echo "vips copy .v -> .v (load/save floor): $vips_copy"
printf '%-36s %10s %10s %12s %16s\n' "task (ours / vips)" ours vips vips/ours "(vips-copy)/ours"
for task in "gaussianBlurFilter 10 / gaussblur 10:$ours_blur:$vips_blur" \
            "unsharpMaskFilter / sharpen:$ours_unsharp:$vips_sharpen" \
            "medianFilter / rank 3 3 4:$ours_median:$vips_median" \
            "convolution3x3Filter / conv:$ours_conv:$vips_conv" \
            "convolution3x3Filter / conv int:$ours_conv:$vips_conv_int"; do
    IFS=: read -r name ours theirs <<<"$task"
    printf '%-36s %10s %10s %12s %16s\n' "$name" "$ours" "$theirs" "$(ratio "$theirs" "$ours")" \
        "$(ratio "($theirs - $vips_copy)" "$ours")"
done
