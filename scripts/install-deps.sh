#!/usr/bin/env bash
# Installs every Debian package needed to build, test and run Velmaris Images.
# Safe to run repeatedly: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-qpa-plugins
  librsvg2-dev libgif-dev libimagequant-dev libtiff-dev libjpeg-dev libdeflate-dev libexiv2-dev libheif-dev libtbb-dev libsimdjson-dev zlib1g-dev libzip-dev
  libwebp-dev libjxl-dev libimage-exiftool-perl
  libmypaint-dev mypaint-brushes
  libgtest-dev libgmock-dev libbenchmark-dev
  # HEIF, AVIF and WebP files written by other programs, for the metadata tests
  libheif-examples webp
  clang libclang-rt-14-dev
  fonts-dejavu-core
  python3 python3-pil python3-psd-tools
)
if [ "${1:-}" = "--bench" ]; then
  # The baselines the benchmarks are compared against.
  packages+=(libvips-tools libheif-examples webp)
fi
if [ "${1:-}" = "--e2e" ]; then
  # scripts/e2e.sh: a virtual X server, synthetic input, screenshots and reading text off them.
  packages+=(xvfb xdotool imagemagick tesseract-ocr)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
