#!/usr/bin/env bash
# Writes one tiny seed per flat type (and a progressive JPEG) into fuzz/seeds/decode_image/: the type
# byte the fuzz target reads (png 0, jpeg 1, gif 2, bmp 3, tiff 4, svg 5) followed by a small file of
# that type; and the paste and drop fuzzer's own few into fuzz/seeds/paste_drop/. The photo formats
# (HEIC, AVIF, WebP, JPEG XL) are written by the program's own encoders, the built executable given
# as the first argument (default build/velmaris-images); their signature picks their decoder, so
# they carry the png type byte.
# Usage: fuzz/make-decode-image-seeds.sh [velmaris-images]
set -euo pipefail
program=$(realpath "${1:-build/velmaris-images}")
cd "$(dirname "$0")"
out=seeds/decode_image
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
w, h = 8, 6
pixels = [((x * 32) % 256, (y * 40) % 256, 255 if (x + y) % 2 else 64) for y in range(h) for x in range(w)]
with open(f"{work}/in.ppm", "wb") as f:
    f.write(b"P6 %d %d 255\n" % (w, h) + bytes(c for p in pixels for c in p))
row = (w * 3 + 3) & ~3
# Bottom row first, blue-green-red pixels, rows padded to four bytes.
data = b"".join(bytes(c for p in pixels[y * w:(y + 1) * w] for c in p[::-1]).ljust(row, b"\0")
                for y in reversed(range(h)))
header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
with open(f"{work}/out.bmp", "wb") as f:
    f.write(header + info + data)
PY

vips copy "$work/in.ppm" "$work/out.png[strip]"
vips copy "$work/in.ppm" "$work/out.jpg[Q=80,strip]"
vips copy "$work/in.ppm" "$work/out-progressive.jpg[Q=80,strip,interlace]"
vips copy "$work/in.ppm" "$work/out.gif"
vips copy "$work/in.ppm" "$work/out.tif[strip]"
cat >"$work/out.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="8.4" height="6" viewBox="0 0 8.4 6"><rect width="8.4" height="3" fill="#f80"/><circle cx="4" cy="4" r="2" fill="blue" opacity="0.5"/></svg>
SVG

# A photo's metadata: EXIF with GPS and a sub-directory, and XMP (the exiv2 command).
cp "$work/out.jpg" "$work/out-exif.jpg"
exiv2 -M"set Exif.Image.Make Velmaris" -M"set Exif.Image.Orientation 6" \
  -M"set Exif.Photo.DateTimeOriginal 2026:05:04 10:11:12" -M"set Exif.GPSInfo.GPSLatitudeRef N" \
  -M"set Exif.GPSInfo.GPSLatitude 52/1 31/1 0/1" -M"set Xmp.dc.title lang=x-default Harbour" \
  -M"set Xmp.photoshop.City Berlin" "$work/out-exif.jpg"

index=0
for ext in png jpg gif bmp tif svg; do
  { printf "\\x$(printf %02x "$index")"; cat "$work/out.$ext"; } >"$out/$ext"
  index=$((index + 1))
done
{ printf '\x01'; cat "$work/out-progressive.jpg"; } >"$out/jpg-progressive"
{ printf '\x01'; cat "$work/out-exif.jpg"; } >"$out/jpg-exif"

# Translucent pixels, so that the alpha planes and chunks are exercised too.
vips bandjoin_const "$work/out.png" "$work/alpha.png" 170
for ext in heic avif webp jxl; do
  "$program" --export "$work/alpha.png" "$work/out.$ext" --quality 0.5
  { printf '\x00'; cat "$work/out.$ext"; } >"$out/$ext"
done
"$program" --export "$work/alpha.png" "$work/lossless.webp" --quality 1
{ printf '\x00'; cat "$work/lossless.webp"; } >"$out/webp-lossless"

# The paste and drop fuzzer reads these seeds too; its own are the formats only a dropped file of
# no known extension (README, 10) or a named one (icon.ico 8, pixmap.xpm 9) reaches.
python3 - "$out/png" seeds/paste_drop <<'PY'
import os, struct, sys
png = open(sys.argv[1], "rb").read()[1:]
out = sys.argv[2]
os.makedirs(out, exist_ok=True)
xpm = b'/* XPM */\nstatic char *p[] = {\n"4 2 2 1",\n"a c #ff8000",\n"b c None",\n"abab",\n"baba"};\n'
pbm = b"P1\n4 2\n1 0 1 0\n0 1 0 1\n"
ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 8, 6, 0, 0, 1, 32, len(png), 22) + png
for name, type_byte, data in (("ico", 8, ico), ("xpm", 9, xpm), ("pbm", 10, pbm)):
    with open(f"{out}/{name}", "wb") as f:
        f.write(bytes([type_byte]) + data)
PY

# Shapes of hostile SVG the decoder must refuse quickly: deep nesting, an entity used many times,
# uses of groups of uses, a filter over a huge canvas.
python3 - "$out" <<'PY'
import sys
out = sys.argv[1]
def svg(attributes, body):
    return f'<svg xmlns="http://www.w3.org/2000/svg" {attributes}>{body}</svg>'
uses = '<defs><g id="l0"><rect width="1" height="1"/></g>' + ''.join(
    f'<g id="l{n}">' + f'<use href="#l{n - 1}"/>' * 10 + '</g>' for n in range(1, 8)) + '</defs><use href="#l7"/>'
filtered = '<filter id="b"><feGaussianBlur stdDeviation="50"/></filter><rect width="16384" height="16384" filter="url(#b)"/>'
seeds = {
    "svg-deep": svg('width="4" height="4"', '<g>' * 2000 + '</g>' * 2000),
    "svg-entity": f'<!DOCTYPE svg [<!ENTITY e "{"x" * 1000}">]>'
                  + svg('width="4" height="4"', '<text>' + '&e;' * 100 + '</text>'),
    "svg-uses": svg('width="4" height="4"', uses),
    "svg-filter": svg('width="16384" height="16384"', filtered),
}
for name, text in seeds.items():
    with open(f"{out}/{name}", "wb") as f:
        f.write(b"\x05" + text.encode())  # the svg type byte
PY
ls -l "$out" seeds/paste_drop
