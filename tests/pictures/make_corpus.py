#!/usr/bin/python3
"""Writes the picture corpus of the viewer's tests: pictures in the forms users' files have,
made by Debian's ImageMagick (called by its Debian path) and Pillow, and for each picture an
independent decode by ImageMagick as a PAM file (NAME.pam beside NAME.EXT).

    make_corpus.py FOLDER

The folder is emptied first; "corpus.done" marks a complete corpus.
"""
import math
import os
import shutil
import struct
import subprocess
import sys

from PIL import Image

MAGICK = "/usr/bin/convert-im6.q16"
MOGRIFY = "/usr/bin/mogrify-im6.q16"


def magick(*args):
    subprocess.run([MAGICK, *args], check=True)


def detail(w, h):
    """Smooth colours crossed by fine lines and a checker: a change of one source pixel in
    the scaling shows, and no border is of one colour (the BMP decoder would trim it)."""
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            r = int(127 + 120 * math.sin(x * 0.11 + y * 0.03))
            g = int(127 + 120 * math.cos(y * 0.13 - x * 0.05))
            b = (x * 255 // max(1, w - 1) + y * 7) % 256
            if (x + 2 * y) % 7 == 0:
                r, g = 255 - r, 255 - g
            if (x // 3 + y // 3) % 2:
                b = 255 - b
            px[x, y] = (r, g, b)
    return im


def smooth(w, h):
    """Slow gradients only, for JPEG, whose decoders and scalers differ in fine detail."""
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            u, v = x / max(1, w - 1), y / max(1, h - 1)
            px[x, y] = (int(40 + 200 * u), int(220 - 180 * v),
                        int(128 + 100 * math.sin(3 * u + 2 * v)))
    return im


def with_alpha(w, h):
    """Colours with alpha from transparent to opaque."""
    im = detail(w, h).convert("RGBA")
    px = im.load()
    for y in range(h):
        for x in range(w):
            r, g, b, _ = px[x, y]
            px[x, y] = (r, g, b, (x * 255 // max(1, w - 1) + y * 3) % 256)
    return im


def top_down(source, target):
    """Rewrites a bottom-up 40-byte-header BMP with its rows in top-down order. Neither
    ImageMagick nor Pillow writes top-down rows; ImageMagick reads them for the reference."""
    data = bytearray(open(source, "rb").read())
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    stride = (width * bits + 31) // 32 * 4
    rows = [data[offset + i * stride: offset + (i + 1) * stride] for i in range(height)]
    data[offset: offset + stride * height] = b"".join(reversed(rows))
    struct.pack_into("<i", data, 22, -height)
    open(target, "wb").write(data)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    os.chdir(out)

    # Sources (not part of the corpus): small and large detail, smooth, alpha, 16-bit samples.
    detail(97, 61).save("src_detail.png")
    detail(97, 61).resize((800, 600), Image.BILINEAR).save("src_large.png")
    smooth(240, 160).save("src_smooth.png")
    with_alpha(97, 61).save("src_alpha.png")
    # Gradients computed at 16 bits carry samples that are no multiples of 257.
    magick("-size", "97x61", "gradient:rgb(10,200,30)-rgb(250,20,180)", "-swirl", "120",
           "-depth", "16", "src_16bit.png")
    magick("src_16bit.png", "src_alpha.png", "-compose", "CopyOpacity", "-composite",
           "-depth", "16", "src_16bit_alpha.png")
    # 4000 x 3000: enlarged from small pictures (written uncompressed, or nearly), 64 colours
    # for the GIF.
    detail(400, 300).resize((4000, 3000), Image.BILINEAR).save("src_4000x3000.ppm")
    detail(400, 300).quantize(64).resize((4000, 3000), Image.NEAREST).save(
        "src_4000x3000_64.png", compress_level=1)

    # GIF
    # Pillow writes the global map with the colours in use and, asked for a colour table,
    # the image's own full map: the image's indices then address different colours there.
    local = Image.new("P", (97, 61))
    palette = [0] * 768
    for i, colour in enumerate([(230, 40, 40), (40, 200, 60), (50, 70, 230), (240, 240, 240),
                                (250, 200, 20), (20, 20, 20)]):
        palette[3 * i: 3 * i + 3] = colour
        palette[3 * (10 * i + 10): 3 * (10 * i + 10) + 3] = [c // 3 for c in colour]
    local.putpalette(palette)
    local.putdata([10 * ((x // 5 + y // 4 + (x * y) % 3) % 6) + 10
                   for y in range(61) for x in range(97)])
    local.save("gif_local_map.gif", include_color_table=True)
    magick("src_large.png", "+dither", "-colors", "64", "-interlace", "GIF", "gif_interlaced.gif")
    magick("src_detail.png", "+dither", "-colors", "2", "gif_1bit.gif")
    magick("src_detail.png", "+dither", "-colors", "16", "gif_4bit.gif")
    magick("src_detail.png", "+dither", "-colors", "256", "gif_8bit.gif")
    detail(97, 61).quantize(16).save("gif_transparent.gif", transparency=3)
    magick("-size", "1x1", "xc:#3366CC", "gif_1x1.gif")
    magick("src_4000x3000_64.png", "gif_4000x3000.gif")

    # PNG in every colour type and bit depth
    grey = ["-colorspace", "Gray", "-define", "png:color-type=0"]
    magick("src_detail.png", *grey, "-threshold", "50%", "-define", "png:bit-depth=1",
           "png_grey_1bit.png")
    magick("src_detail.png", *grey, "-depth", "2", "-define", "png:bit-depth=2",
           "png_grey_2bit.png")
    magick("src_detail.png", *grey, "-depth", "4", "-define", "png:bit-depth=4",
           "png_grey_4bit.png")
    magick("src_detail.png", *grey, "-define", "png:bit-depth=8", "png_grey_8bit.png")
    magick("src_16bit.png", *grey, "-define", "png:bit-depth=16", "png_grey_16bit.png")
    magick("src_detail.png", "PNG24:png_rgb_8bit.png")
    magick("src_16bit.png", "PNG48:png_rgb_16bit.png")
    magick("src_detail.png", "+dither", "-colors", "2", "-define", "png:bit-depth=1",
           "PNG8:png_palette_1bit.png")
    magick("src_detail.png", "+dither", "-colors", "16", "-define", "png:bit-depth=4",
           "PNG8:png_palette_4bit.png")
    magick("src_detail.png", "+dither", "-colors", "200", "PNG8:png_palette_8bit.png")
    magick("src_alpha.png", "-channel", "A", "-threshold", "50%", "+channel", "+dither",
           "-colors", "32", "PNG8:png_palette_trns.png")
    grey_alpha = ["-colorspace", "Gray", "-define", "png:color-type=4"]
    magick("src_alpha.png", *grey_alpha, "-define", "png:bit-depth=8", "png_grey_alpha_8bit.png")
    magick("src_16bit_alpha.png", *grey_alpha, "-define", "png:bit-depth=16",
           "png_grey_alpha_16bit.png")
    magick("src_alpha.png", "PNG32:png_rgba_8bit.png")
    magick("src_16bit_alpha.png", "PNG64:png_rgba_16bit.png")
    magick("src_large.png", "-interlace", "PNG", "PNG24:png_interlaced.png")
    magick("-size", "1x1", "xc:#C03060", "PNG24:png_1x1.png")
    magick("src_4000x3000.ppm", "-define", "png:compression-level=1", "PNG24:png_4000x3000.png")

    # BMP
    magick("src_detail.png", "+dither", "-colors", "2", "BMP3:bmp_1bit.bmp")
    magick("src_detail.png", "+dither", "-colors", "16", "BMP3:bmp_4bit.bmp")
    magick("src_detail.png", "+dither", "-colors", "200", "-compress", "none", "BMP3:bmp_8bit.bmp")
    # A colour table of 20 entries, the pixel data right after it.
    short = detail(97, 61).quantize(20)
    short.putpalette(short.getpalette()[:60])
    short.save("bmp_8bit_short_table.bmp")
    magick("src_detail.png", "+dither", "-colors", "16", "-compress", "RLE", "BMP3:bmp_rle8.bmp")
    magick("src_detail.png", "-define", "bmp:subtype=RGB555", "BMP:bmp_16bit_555.bmp")
    magick("src_detail.png", "-define", "bmp:subtype=RGB565", "BMP:bmp_16bit_565.bmp")
    magick("src_large.png", "BMP3:bmp_24bit_v3.bmp")
    magick("src_detail.png", "-intent", "undefined", "BMP:bmp_24bit_v4.bmp")
    magick("src_detail.png", "BMP:bmp_24bit_v5.bmp")
    magick("src_detail.png", "BMP2:bmp_24bit_os2.bmp")
    magick("src_alpha.png", "BMP:bmp_32bit_alpha.bmp")
    with_alpha(97, 61).save("bmp_32bit_fourth_byte.bmp")
    top_down("bmp_24bit_v3.bmp", "bmp_top_down.bmp")
    magick("-size", "1x1", "xc:#20A040", "BMP3:bmp_1x1.bmp")

    # JPEG
    magick("src_smooth.png", "-quality", "92", "jpeg_baseline.jpg")
    magick("src_smooth.png", "-quality", "92", "-interlace", "Plane", "jpeg_progressive.jpg")
    magick("-size", "1x1", "xc:#8040C0", "-quality", "95", "jpeg_1x1.jpg")
    smooth(400, 300).resize((4000, 3000), Image.BICUBIC).save("src_jpeg_4000x3000.ppm")
    magick("src_jpeg_4000x3000.ppm", "-quality", "90", "jpeg_4000x3000.jpg")

    for name in os.listdir("."):
        if name.startswith("src_"):
            os.remove(name)
    # The references: NAME.pam for NAME.EXT (names are unique without their suffix).
    pictures = sorted(os.listdir("."))
    for depth, names in (("16", [n for n in pictures if "16bit" in n]),
                         ("8", [n for n in pictures if "16bit" not in n])):
        subprocess.run([MOGRIFY, "-format", "pam", "-depth", depth, *names], check=True)
    open("corpus.done", "w").write("ok\n")


if __name__ == "__main__":
    main()
