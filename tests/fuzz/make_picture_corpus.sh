#!/bin/sh
# Writes the seeds of the picture fuzzer (picture_fuzz.cpp) into
# picture_corpus/: small pictures of every kind the decoders take, made by
# other tools (ImageMagick, cjpeg, exiftool) and a few written here, so that
# the fuzzer starts from every format, colour type and layout.
#
#   tests/fuzz/make_picture_corpus.sh
#
# Needs imagemagick, libjpeg-turbo-progs, libimage-exiftool-perl, python3.
set -eu
cd "$(dirname "$0")"
out=picture_corpus
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
rm -rf "$out"
mkdir -p "$out"
C=/usr/bin/convert  # /usr/local/bin/convert may be a stand-in
P=png:exclude-chunks=all

$C -size 12x9 -seed 3 plasma:fractal -define $P "$tmp/rgb.png"
$C "$tmp/rgb.png" -define $P "$out/rgb.png"
$C "$tmp/rgb.png" -alpha set -channel A -fx 'i/w' -define $P "$out/rgba.png"
$C "$tmp/rgb.png" -colorspace Gray -define $P "$out/grey.png"
$C "$tmp/rgb.png" -colorspace Gray -depth 16 -define $P "$out/grey16.png"
$C "$tmp/rgb.png" -depth 16 -define $P "$out/rgb16.png"
$C "$tmp/rgb.png" -colors 7 -define $P PNG8:"$out/palette.png"
$C "$tmp/rgb.png" -transparent '#808080' -fuzz 30% -colors 5 -define $P PNG8:"$out/palette-trns.png"
$C "$tmp/rgb.png" -colorspace Gray -monochrome -define $P "$out/grey1.png"
$C "$tmp/rgb.png" -interlace PNG -define $P "$out/interlaced.png"
$C "$tmp/rgb.png" -colorspace Gray -alpha set -channel A -fx 'j/h' -define $P "$out/grey-alpha.png"

$C "$tmp/rgb.png" "$tmp/rgb.ppm"
cjpeg -quality 80 "$tmp/rgb.ppm" > "$out/baseline.jpg"
cjpeg -progressive "$tmp/rgb.ppm" > "$out/progressive.jpg"
cjpeg -grayscale "$tmp/rgb.ppm" > "$out/grey.jpg"
cjpeg -restart 1 -sample 2x1 "$tmp/rgb.ppm" > "$out/restart.jpg"
cjpeg -arithmetic "$tmp/rgb.ppm" > "$out/arithmetic.jpg"
cjpeg -rgb "$tmp/rgb.ppm" > "$out/rgb.jpg"
$C "$tmp/rgb.png" -colorspace CMYK -quality 80 "$out/cmyk.jpg"
cp "$out/baseline.jpg" "$out/exif6.jpg"
exiftool -q -overwrite_original -n -Orientation=6 "$out/exif6.jpg"

$C "$tmp/rgb.png" -type Palette BMP3:"$out/palette8.bmp"
$C "$tmp/rgb.png" -colors 16 -type Palette -compress RLE BMP3:"$out/rle4.bmp"
$C "$tmp/rgb.png" -type Palette -compress RLE BMP3:"$out/rle8.bmp"
$C "$tmp/rgb.png" -monochrome BMP3:"$out/mono.bmp"
$C "$tmp/rgb.png" BMP3:"$out/rgb24.bmp"
$C "$tmp/rgb.png" BMP2:"$out/core24.bmp"
$C "$tmp/rgb.png" -alpha set -channel A -fx 'i/w' BMP:"$out/argb32.bmp"
$C "$tmp/rgb.png" -define bmp:subtype=RGB565 BMP:"$out/rgb565.bmp"
$C "$tmp/rgb.png" -alpha set -define bmp:subtype=ARGB4444 BMP:"$out/argb4444.bmp"

# A PNG with an eXIf chunk, and a 32-bit BMP whose fourth byte is padding.
python3 - "$out" <<'PY'
import struct, sys, zlib
out = sys.argv[1]
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
exif = b"MM" + struct.pack(">HIH", 42, 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, 8, 0) + bytes(4)
rows = b"".join(b"\0" + bytes((x * 20 + y * 30) % 256 for x in range(5)) for y in range(3))
with open(f"{out}/exif8.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 5, 3, 8, 0, 0, 0, 0)) +
            chunk(b"eXIf", exif) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
pixels = bytes((k * 37) % 256 for k in range(4 * 3 * 4))
info = struct.pack("<IiiHHIIiiII", 40, 4, 3, 1, 32, 0, len(pixels), 0, 0, 0, 0)
with open(f"{out}/padding32.bmp", "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels)
PY
ls "$out" | wc -l
