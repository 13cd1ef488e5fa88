#!/usr/bin/env bash
# Writes OpenRaster seeds for the decode fuzzer into fuzz/seeds/decode_image/: the type byte the fuzz
# target reads for OpenRaster (6) followed by what our own writer makes of each native seed
# (layers, a group, text, effects, a selection). Argument: the velmaris-images executable.
set -euo pipefail
cd "$(dirname "$0")"
program=$(realpath "${1:-../build/velmaris-images}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for seed in minimal selection text-and-effects; do
  cp "seeds/native_document/$seed.json" "$work/$seed.velmaris"
  QT_QPA_PLATFORM=offscreen "$program" --export "$work/$seed.velmaris" "$work/$seed.ora"
  { printf '\x06'; cat "$work/$seed.ora"; } >"seeds/decode_image/ora-$seed"
done
ls -l seeds/decode_image/ora-*
