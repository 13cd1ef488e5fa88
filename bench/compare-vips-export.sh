#!/usr/bin/env bash
# Times the command-line export of a 4000 × 3000 PNG to JPEG at 90 % (decode in the helper,
# composite, encode) against `vips copy in.png out.jpg[Q=90]` on the same file, in one run, and
# the export to GIF. With a second build directory the same is timed for its executable too
# (before and after a change).
# Usage: bench/compare-vips-export.sh [build directory] [other build directory]
set -euo pipefail

build=${1:-build}
other=${2:-}
runs=5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v vips >/dev/null || { echo "vips is missing: scripts/install-deps.sh --bench" >&2; exit 1; }

"$build/bench/blur_bench" --write-photo="$work/in.png"
source "$(dirname "$0")/vips-timing.sh"

vips_jpeg=$(time_ms vips copy "$work/in.png" "$work/vips.jpg[Q=90]")
echo "4000 x 3000 PNG, wall times in ms ($(vips --version), $(nproc) cores)"
printf '%-28s %10s %10s %12s\n' build "to JPEG" "to GIF" "JPEG/vips"
for dir in "$build" $other; do
    jpeg=$(time_ms "$dir/velmaris-images" --export "$work/in.png" "$work/out.jpg" --quality 0.9)
    gif=$(time_ms --once "$dir/velmaris-images" --export "$work/in.png" "$work/out.gif")
    printf '%-28s %10s %10s %12s\n' "$dir" "$jpeg" "$gif" "$(ratio "$jpeg" "$vips_jpeg")"
done
printf '%-28s %10s\n' "vips copy" "$vips_jpeg"
