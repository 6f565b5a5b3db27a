#!/usr/bin/env bash
# The real program: karvin transform runs every operation in one chain, writes JPEG that
# libjpeg's own decoder reads, and refuses a wrong command line with exit code 2.
set -euo pipefail
karvin=${KARVIN_BIN_DIR:?}/karvin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/convert -size 40x30 gradient:red-blue "$work/in.png"
"$karvin" transform "$work/in.png" "$work/out.bmp" \
    gray negative flip-h flip-v rotate:30 rotate:90 sharpen sharpen:50 smooth smooth:5 emboss \
    crop:1,2,3,4 convert:bw antialias display-resize:64x48 convert:color256:optimise:dither \
    convert:color16:optimise convert:gray16:dither convert:truecolor resample:50x40:Lanczos3 \
    fit:30x30 fit:20x20:plain
size=$(/usr/bin/identify -format '%wx%h' "$work/out.bmp")
[[ $size == 20x16 ]] || { echo "unexpected size $size"; exit 1; }

# Written as JPEG: libjpeg's own decoder reads the file, and the pixels are the ones karvin
# reads back.
"$karvin" transform "$work/in.png" "$work/out.jpg" flip-v fit:30x30
djpeg -bmp -outfile "$work/djpeg.bmp" "$work/out.jpg"
"$karvin" convert "$work/out.jpg" "$work/karvin.bmp"
difference=$(/usr/bin/convert -metric AE "$work/djpeg.bmp" "$work/karvin.bmp" -compare \
    -format '%[distortion]' info: 2>&1)
[[ $difference == 0 ]] || { echo "djpeg and karvin differ: $difference"; exit 1; }
# The source runs from red at the top to blue at the bottom; flipped, the top is blue.
top=$(/usr/bin/convert "$work/djpeg.bmp" -format '%[fx:p{0,0}.b > p{0,0}.r]' info:)
[[ $top == 1 ]] || { echo "flip-v did not turn the picture upside down"; exit 1; }

set +e
"$karvin" transform "$work/in.png" "$work/x.bmp" swirl 2>/dev/null
code=$?
set -e
[[ $code == 2 ]] || { echo "unknown operation gave exit code $code"; exit 1; }
[[ ! -e $work/x.bmp ]]
echo "ok"
