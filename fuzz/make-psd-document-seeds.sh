#!/usr/bin/env bash
# Writes the seeds of psd_document_fuzz into fuzz/seeds/psd_document/: the native seed documents
# saved as PSD by our own writer (argument: the built velmaris-images), and the small files the
# exchange test makes with psd-tools (16-bit greyscale, zip channels, nested folders, no layers).
# Each is also a seed of decode_image_fuzz, behind the type byte it reads for PSD (7).
set -euo pipefail
program="$(realpath "${1:?usage: make-psd-document-seeds.sh path/to/velmaris-images}")"
cd "$(dirname "$0")"
out=seeds/psd_document
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
for seed in minimal selection text-and-effects; do
  cp "seeds/native_document/$seed.json" "$work/$seed.velmaris"
  QT_QPA_PLATFORM=offscreen "$program" --export "$work/$seed.velmaris" "$out/$seed.psd"
done
/usr/bin/python3 ../tests/files/psd_exchange.py write "$work" >/dev/null
for file in layered gray16 flat; do
  cp "$work/$file.psd" "$out/psd-tools-$file.psd"
done
for file in "$out"/*.psd; do
  { printf '\x07'; cat "$file"; } >"seeds/decode_image/psd-$(basename "$file" .psd)"
done
