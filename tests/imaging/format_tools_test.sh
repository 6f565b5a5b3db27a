#!/usr/bin/env bash
# Writes images with `karvin convert` and checks them with each format's own tools and with
# ImageMagick; checks `karvin info` and the command line's refusals.
set -uo pipefail
karvin=${KARVIN_BIN_DIR:?}/karvin
convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

passed=0 failed=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}
contains() { grep -qE -- "$2" <<<"$1"; } # contains TEXT REGEX

$convert -size 64x48 gradient:navy-orange -fill white -draw "rectangle 5,5 20,20" \
    -depth 8 -density 96 -units PixelsPerInch -define png:color-type=2 src.png
$convert src.png -colors 200 -type Palette png8:palette256.png
$convert src.png -colors 16 -define png:bit-depth=4 -define png:color-type=3 palette16.png

for extension in bmp gif jpg pcx png tga tif; do
    check "convert to $extension" "$karvin" convert src.png "out.$extension"
done
check "progressive JPEG" "$karvin" convert src.png progressive.jpg --quality 90 --progressive

# PNG: interlaced, gamma 0.5, 3780 pixels per metre at 96 dpi.
png=$(pngcheck -v out.png 2>&1)
check "pngcheck finds no error" contains "$png" "No errors detected"
check "PNG is interlaced" contains "$png" "24-bit RGB, interlaced"
check "PNG has gAMA 0.5" contains "$png" "gAMA .*: 0\.50000"
check "PNG has pHYs 3780" contains "$png" "3780x3780 pixels/meter"

# PNG of every depth the writer makes, and a picture large enough to be compressed in several
# parts: pngcheck inflates the whole stream and checks every CRC.
for format in bw gray16 gray256 color16 color256; do
    "$karvin" transform src.png "$format.png" "convert:$format" >/dev/null 2>&1
    check "pngcheck reads the $format PNG" contains "$(pngcheck -v "$format.png" 2>&1)" \
        "No errors detected"
done
$convert -size 1500x1000 gradient:white-navy \( -size 700x500 -seed 1 plasma:red-blue -blur 0x1 \) \
    -geometry +700+400 -composite -depth 8 -define png:color-type=2 large.png
check "convert a large picture to PNG" "$karvin" convert large.png large_out.png
large=$(pngcheck -v large_out.png 2>&1)
check "pngcheck reads the large PNG" contains "$large" "No errors detected"
check "the large PNG has several IDAT chunks" test "$(grep -c 'chunk IDAT' <<<"$large")" -gt 1
check "the large PNG keeps every pixel" contains \
    "$($convert -metric AE large_out.png large.png -compare -format '%[distortion]' info: 2>&1)" "^0$"

# TIFF: the tags written.
tiff=$(tiffinfo out.tif 2>&1)
check "TIFF rows per strip" contains "$tiff" "Rows/Strip: 16"
check "TIFF uncompressed" contains "$tiff" "Compression Scheme: None"
check "TIFF software" contains "$tiff" "Software: Envision Image Library"
check "TIFF date" contains "$tiff" "DateTime: [0-9]{4}:[0-9]{2}:[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"
check "TIFF resolution" contains "$tiff" "Resolution: 96, 96 pixels/inch"
check "TIFF planar" contains "$tiff" "Planar Configuration: single image plane"
check "TIFF RGB" contains "$tiff" "Photometric Interpretation: RGB color"
check "tiffdump reads the directory" contains "$(tiffdump out.tif 2>&1)" "RowsPerStrip \(278\) (SHORT|LONG) \(([34])\) 1<16>"

# GIF: one image with a global table of 256 entries.
gif=$(giftext out.gif 2>&1)
check "giftext reads to the end" contains "$gif" "GIF file terminated normally"
check "GIF screen size" contains "$gif" "Width = 64, Height = 48"
check "GIF global table" contains "$gif" "Has Global Color Map"

# JPEG: libjpeg's tools decode it; the progressive one is progressive.
check "djpeg decodes" djpeg -outfile out.ppm out.jpg
check "jpeginfo checks" contains "$(jpeginfo -c out.jpg 2>&1)" "64 x +48 24bit N JFIF .* OK"
check "jpeginfo sees progressive" contains "$(jpeginfo -c progressive.jpg 2>&1)" "24bit P JFIF .* OK"
# Quality 0 is the coarsest the library allows (its quality 1), and libjpeg's own decoder
# reads every pixel as karvin does.
check "convert at quality 0" "$karvin" convert src.png q0.jpg --quality 0
check "quality 0 is the coarsest" test "$(identify -format %Q q0.jpg 2>&1)" = 1
check "djpeg decodes quality 0" djpeg -bmp -outfile q0-djpeg.bmp q0.jpg
check "karvin reads quality 0" "$karvin" convert q0.jpg q0-karvin.bmp
check "djpeg and karvin read the same pixels" contains "$($convert -metric AE q0-djpeg.bmp q0-karvin.bmp -compare -format '%[distortion]' info: 2>&1)" "^0$"

# ImageMagick reads all seven.
for extension in bmp gif jpg pcx png tga tif; do
    check "identify reads $extension" contains "$(identify "out.$extension" 2>&1)" " 64x48 "
done
check "lossless BMP keeps the pixels" contains "$($convert -metric AE out.bmp src.png -compare -format '%[distortion]' info: 2>&1)" "^0$"

# Sizes and trailers.
check "24-bit BMP is 54 + height x stride bytes" test "$(stat -c %s out.bmp)" -eq $((54 + 48 * 192))
check "convert 256 colours to PCX" "$karvin" convert palette256.png palette.pcx
size=$(stat -c %s palette.pcx)
marker=$(od -An -tu1 -j $((size - 769)) -N1 palette.pcx | tr -d ' ')
check "256-colour PCX ends in 12 and 768 palette bytes" test "$marker" = 12

# Refusals: exact messages and exit codes.
message=$("$karvin" convert palette16.png out16.tga 2>&1)
check "TGA refuses 16 colours (exit 1)" test $? -eq 1
check "TGA refusal message" contains "$message" "TARGA image must be true color or 8 bit with palette"
check "no file left after a refusal" test ! -e out16.tga
message=$("$karvin" convert src.png out.xyz 2>&1)
check "unknown extension (exit 1)" test $? -eq 1
check "unknown extension message" contains "$message" "Graphic files of \.xyz format are not supported or not registered"
"$karvin" convert src.png out.png --quality 101 >/dev/null 2>&1
check "quality out of range is a usage error" test $? -eq 2
"$karvin" convert src.png >/dev/null 2>&1
check "missing target is a usage error" test $? -eq 2
printf 'BM garbage' >broken.bmp
message=$("$karvin" info broken.bmp 2>&1)
check "broken file (exit 1)" test $? -eq 1
check "broken file message" contains "$message" "BMP file is truncated"

# info
info=$("$karvin" info out.png)
check "info" test "$info" = "$(printf 'Width: 64\nHeight: 48\nPixel format: True color\nResolution: 96 x 96 dpi')"
check "info of a 16-colour PNG" contains "$("$karvin" info palette16.png)" "Pixel format: 16 color"

echo "$passed passed, $failed failed"
((failed == 0))
