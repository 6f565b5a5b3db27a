#!/usr/bin/env bash
# Makes the reader fixtures of the codec tests in tests/imaging/ with other programs:
# ImageMagick (/usr/bin/convert), libtiff's tools, giflib's tools, libjpeg's tools and
# libpng's pngfix. The files are committed; run this again only to change them.
#
# Every picture is one of three 7x5 patterns (the test knows them too):
#   colour  pixel (x, y) = Colors[(x + 2y) mod 8]
#   grey    pixel (x, y) = Greys[(x + 2y) mod 8]
#   bilevel pixel (x, y) = black when (x + 2y) mod 3 = 0, else white
set -euo pipefail
cd "$(dirname "$0")"
# ImageMagick with the file's date chunks and other metadata left out, so that making the
# fixtures again gives the same bytes.
convert=im
im() { /usr/bin/convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "${!#}"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

colors=("255 0 0" "0 128 0" "0 0 255" "255 255 0" "0 255 255" "255 0 255" "255 255 255" "0 0 0")
greys=(0 51 102 153 204 255 68 136)
{
    echo "P3 7 5 255"
    for y in 0 1 2 3 4; do for x in 0 1 2 3 4 5 6; do echo "${colors[(x + 2 * y) % 8]}"; done; done
} >"$work/colour.ppm"
{
    echo "P2 7 5 255"
    for y in 0 1 2 3 4; do for x in 0 1 2 3 4 5 6; do echo "${greys[(x + 2 * y) % 8]}"; done; done
} >"$work/grey.pgm"
{
    echo "P1 7 5"
    for y in 0 1 2 3 4; do for x in 0 1 2 3 4 5 6; do
        if (((x + 2 * y) % 3 == 0)); then echo 1; else echo 0; fi
    done; done
} >"$work/bilevel.pbm"
colour=$work/colour.ppm grey=$work/grey.pgm bilevel=$work/bilevel.pbm
# Raw (binary) copies for the tools that read no plain text files.
$convert "$colour" "$work/colour_raw.ppm"
$convert "$grey" "$work/grey_raw.pgm"
rm -f ./*.bmp ./*.pcx ./*.tga ./*.png ./*.jpg ./*.tif ./*.gif

# BMP
$convert "$colour" -type TrueColor BMP3:bmp_24.bmp
$convert "$colour" -type Palette BMP3:bmp_palette.bmp
$convert "$colour" -type Palette -compress RLE BMP3:bmp_rle8.bmp
$convert "$bilevel" -type Bilevel BMP3:bmp_1.bmp
$convert "$grey" -type Grayscale BMP3:bmp_grey.bmp
$convert "$colour" -type TrueColor BMP2:bmp_os2.bmp
$convert "$colour" -alpha on -type TrueColorAlpha BMP:bmp_32_bitfields.bmp
$convert "$colour" -type TrueColor -define bmp:subtype=RGB565 BMP:bmp_16_565.bmp

# PCX
$convert "$colour" -type TrueColor pcx_24.pcx
$convert "$colour" -type Palette pcx_palette.pcx
$convert "$bilevel" -type Bilevel pcx_1.pcx

# TGA: ImageMagick stores its rows top first; turned upside down and marked bottom-left,
# the file shows the pattern the right way up.
$convert "$colour" -flip -orient BottomLeft -type TrueColor -compress None tga_24.tga
$convert "$colour" -orient TopLeft -type TrueColor -compress RLE tga_24_rle_top.tga
$convert "$colour" -flip -orient BottomLeft -type Palette -compress None tga_palette.tga
$convert "$colour" -flip -orient BottomLeft -type Palette -compress RLE tga_palette_rle.tga
$convert "$grey" -flip -orient BottomLeft -type Grayscale -compress None tga_grey.tga
$convert "$grey" -orient TopLeft -type Grayscale -compress RLE tga_grey_rle_top.tga
$convert "$colour" -flip -orient BottomLeft -alpha on -type TrueColorAlpha tga_32.tga

# PNG
$convert "$colour" -define png:color-type=2 -define png:bit-depth=8 png_rgb.png
$convert "$colour" -alpha on -define png:color-type=6 png_rgba.png
$convert "$colour" -depth 16 -define png:color-type=2 -define png:bit-depth=16 png_rgb16.png
$convert "$colour" -define png:color-type=3 -define png:bit-depth=8 png_palette8.png
$convert "$colour" -define png:color-type=3 -define png:bit-depth=4 png_palette4.png
$convert "$colour" -interlace PNG -define png:color-type=2 png_interlaced.png
$convert "$colour" -transparent red -define png:color-type=3 png_palette_trns.png
$convert "$bilevel" -define png:color-type=0 -define png:bit-depth=1 png_grey1.png
$convert "$grey" -define png:color-type=0 -define png:bit-depth=4 png_grey4.png
$convert "$grey" -define png:color-type=0 -define png:bit-depth=8 png_grey8.png
$convert "$grey" -depth 16 -define png:color-type=0 -define png:bit-depth=16 png_grey16.png
$convert "$grey" -alpha on -define png:color-type=4 png_grey_alpha.png
$convert "$bilevel" -define png:color-type=0 -define png:bit-depth=2 png_grey2.png
pngfix --quiet --out=png_pngfix.png png_rgb.png || true

# JPEG
# Full chroma resolution and the highest quality keep every pixel within a few levels.
jpeg=(-quality 100 -sampling-factor 1x1)
$convert "$colour" "${jpeg[@]}" -density 72 -units PixelsPerInch jpeg_rgb.jpg
$convert "$grey" "${jpeg[@]}" -colorspace Gray jpeg_grey.jpg
$convert "$colour" "${jpeg[@]}" -interlace JPEG jpeg_progressive.jpg
$convert "$colour" "${jpeg[@]}" -density 40 -units PixelsPerCentimeter jpeg_density_cm.jpg
$convert "$colour" "${jpeg[@]}" -colorspace CMYK jpeg_cmyk.jpg
cjpeg -quality 100 -sample 1x1 -progressive "$work/colour_raw.ppm" >jpeg_cjpeg.jpg
cjpeg -quality 100 -grayscale "$work/grey_raw.pgm" >jpeg_cjpeg_grey.jpg

# TIFF
$convert "$colour" -type TrueColor -compress None -density 200 -units PixelsPerInch tiff_rgb.tif
$convert "$colour" -type TrueColor -compress LZW tiff_lzw.tif
$convert "$colour" -type TrueColor -compress Zip tiff_zip.tif
$convert "$colour" -type TrueColor -compress RLE tiff_packbits.tif
$convert "$colour" -type Palette -compress None tiff_palette.tif
$convert "$colour" -depth 16 -type TrueColor tiff_rgb16.tif
$convert "$grey" -type Grayscale -depth 8 tiff_grey8.tif
$convert "$grey" -type Grayscale -depth 4 tiff_grey4.tif
$convert "$bilevel" -type Bilevel -compress Group4 tiff_g4.tif
$convert "$colour" -density 40 -units PixelsPerCentimeter tiff_density_cm.tif
ppm2tiff "$work/colour_raw.ppm" tiff_ppm2tiff.tif
tiffcp -t -w 16 -l 16 tiff_rgb.tif tiff_tiled.tif
tiffcp -p separate tiff_rgb.tif tiff_separate.tif
tiffcp -c jpeg:r:100 -r 16 tiff_rgb.tif tiff_jpeg.tif

# GIF
$convert "$colour" gif_palette.gif
$convert "$colour" -interlace GIF gif_interlaced.gif
$convert "$colour" -transparent red gif_transparent.gif
# Three frames: the pattern, then a 2x2 yellow square at (3, 1) that is disposed of by
# clearing, then a 1x1 blue pixel at (0, 0).
$convert -size 2x2 xc:yellow "$work/square.gif"
$convert -size 1x1 xc:blue "$work/dot.gif"
$convert -dispose None "$colour" -dispose Background -page +3+1 "$work/square.gif" \
    -dispose None -page +0+0 "$work/dot.gif" -set page 7x5 gif_animated.gif
giffix gif_palette.gif >gif_giffix.gif 2>/dev/null

ls -l
