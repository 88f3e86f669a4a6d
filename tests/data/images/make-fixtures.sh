#!/bin/sh
# Makes the PNG and JPEG fixtures of the image tests with ImageMagick, and beside each the
# reference decode ImageMagick gives (8-bit RGB, rows top to bottom). Run from this folder.
set -e
src="-size 37x23 -seed 7 plasma:red-blue"
convert $src -depth 8 rgb.png
convert $src -colorspace Gray -depth 8 grey.png
convert $src -alpha set -channel A -fx 'i/w' -depth 8 rgba.png
convert $src -depth 16 rgb16.png
convert $src -interlace PNG -depth 8 PNG24:interlaced.png
# A 4-bit palette image whose tRNS chunk makes entry 2 fully transparent (entries 0, 1 and 3
# opaque), written directly so the chunk is exactly this.
python3 - <<'PY'
import struct, zlib
def chunk(t, b): return struct.pack('>I', len(b)) + t + b + struct.pack('>I', zlib.crc32(t + b))
w, h = 13, 7
pal = bytes(c for i in range(16) for c in ((i * 16) % 256, (i * 40) % 256, (255 - i * 13) % 256))
rows = b''.join(b'\0' + bytes(((x + y) % 16) << 4 | ((x + y + 1) % 16) for x in range((w + 1) // 2)) for y in range(h))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 4, 3, 0, 0, 0))
png += chunk(b'PLTE', pal) + chunk(b'tRNS', bytes([255, 255, 0, 255]))
png += chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b'')
open('palette-trns.png', 'wb').write(png)
PY
convert $src -quality 85 baseline.jpg
convert $src -quality 85 -interlace JPEG progressive.jpg
convert $src -colorspace Gray -quality 85 grey.jpg
for f in *.png *.jpg; do convert "$f" -depth 8 "rgb:$f.rgb"; done
# 16-bit samples are scaled to 8 bits with rounding (v x 255 / 65535, to nearest): the reference
# is ImageMagick's 16-bit decode scaled that way.
convert rgb16.png -depth 16 rgb:- | python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
v = struct.unpack("<%dH" % (len(d) // 2), d)
sys.stdout.buffer.write(bytes((x * 255 + 32767) // 65535 for x in v))' > rgb16.png.rgb

# BMP fixtures: 1, 4, 8 (RLE8) and 24 bits bottom-up, 32 bits with alpha, 24 bits top-down.
small="-size 12x9 -seed 3 plasma:green-yellow"
convert $small -type Bilevel BMP3:mono.bmp
convert $small -colors 16 BMP3:p4.bmp
convert $small -colors 200 -compress RLE BMP3:rle8.bmp
convert $small -type TrueColor BMP3:rgb24.bmp
convert $small -define bmp:format=bmp4 -alpha on rgba32.bmp
for f in *.bmp; do convert "$f" -depth 8 "rgb:$f.rgb"; done
# A top-down copy of rgb24.bmp: the height negated and the rows reversed.
python3 - <<'PY'
import struct
d = bytearray(open('rgb24.bmp', 'rb').read())
off, w, h = struct.unpack_from('<I', d, 10)[0], *struct.unpack_from('<ii', d, 18)
stride = (w * 3 + 3) & ~3
rows = [d[off + i * stride: off + (i + 1) * stride] for i in range(h)]
struct.pack_into('<i', d, 22, -h)
d[off:off + h * stride] = b''.join(reversed(rows))
open('topdown24.bmp', 'wb').write(d)
PY
cp rgb24.bmp.rgb topdown24.bmp.rgb
