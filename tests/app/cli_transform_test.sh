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

# Marks: a redacted area is black through and through, a pixelated one uniform blocks.
"$karvin" transform "$work/in.png" "$work/marked.png" rect:2,2,20,10:00ff00:2 arrow:0,29,39,0 \
    'text:1,1:a\:b:10:#FFFFFF' redact:5,5,10,10 pixelate:20,10,20,20 text:0,0:
redacted=$(/usr/bin/convert "$work/marked.png" -crop 10x10+5+5 +repage \
    -format '%k %[hex:p{0,0}]' info:)
[[ $redacted == "1 000000" ]] || { echo "redacted area holds $redacted"; exit 1; }
block=$(/usr/bin/convert "$work/marked.png" -crop 12x12+20+10 +repage -format '%k' info:)
[[ $block == 1 ]] || { echo "a pixelated block holds $block colours"; exit 1; }
corner=$(/usr/bin/convert "$work/marked.png" -crop 1x1+39+29 +repage -format '%[hex:p{0,0}]' info:)
original=$(/usr/bin/convert "$work/in.png" -crop 1x1+39+29 +repage -format '%[hex:p{0,0}]' info:)
[[ $corner != "$original" ]] || { echo "pixelate left its last block alone"; exit 1; }

set +e
message=$("$karvin" transform "$work/in.png" "$work/x.bmp" rect:1,1,5,5:red:101 2>&1)
code=$?
set -e
[[ $code == 2 && $message == *'"rect:1,1,5,5:red:101": the line width must be'* ]] ||
    { echo "out-of-range width: exit $code, $message"; exit 1; }

set +e
"$karvin" transform "$work/in.png" "$work/x.bmp" swirl 2>/dev/null
code=$?
set -e
[[ $code == 2 ]] || { echo "unknown operation gave exit code $code"; exit 1; }
[[ ! -e $work/x.bmp ]]
echo "ok"
