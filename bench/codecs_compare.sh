#!/usr/bin/env bash
# ImageMagick doing the work of codecs_bench on the same 1920x1080 screenshot: writing it in
# each format from an uncompressed BMP, reading each file, and the GIF colour reduction.
# Times are per run in milliseconds, with ImageMagick's start-up and its reading of the BMP
# (or writing nothing) measured alone and taken off. One thread, as our codecs use one.
set -euo pipefail
cd "$(dirname "$0")/.."
convert=/usr/bin/convert
export MAGICK_THREAD_LIMIT=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build-bench/bin/codecs_bench --write-screenshot="$work/screenshot.bmp"
cd "$work"

runs=${KARVIN_COMPARE_RUNS:-5}
milliseconds() { # average wall time of one run of the command
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do "$@" >/dev/null 2>&1; done
    end=$(date +%s%N)
    echo $(((end - start) / runs / 1000000))
}

startup=$(milliseconds $convert -size 1x1 xc:black null:)
read_bmp=$(milliseconds $convert screenshot.bmp null:)
printf '%-18s %12s %12s\n' "ImageMagick" "encode ms" "decode ms"
compare() { # compare NAME FILE OPTIONS...
    local name=$1 file=$2
    shift 2
    local encode decode
    encode=$(milliseconds $convert screenshot.bmp "$@" "$file")
    decode=$(milliseconds $convert "$file" null:)
    printf '%-18s %12d %12d\n' "$name" $((encode - read_bmp)) $((decode - startup))
}
compare BMP BMP3:out.bmp -type TrueColor
compare PCX out.pcx
compare TGA out.tga -compress None
compare PNG out.png -interlace PNG -quality 55
compare JPEG out.jpg -quality 80
compare "JPEG progressive" out_p.jpg -quality 80 -interlace JPEG
compare TIFF out.tif -compress None
compare GIF out.gif +dither -colors 256
reduction=$(milliseconds $convert screenshot.bmp +dither -colors 256 null:)
printf '%-18s %12d\n' "GifReduction" $((reduction - read_bmp))
