#!/usr/bin/env bash
# The real program and the image limits: `karvin info` reads headers only (a 22000 x 22000 PNG
# in well under 50 MB), the commands refuse images beyond the pixel limit before they take
# the memory, and every reader refuses a named pipe or a folder at once.
set -euo pipefail
karvin=${KARVIN_BIN_DIR:?}/karvin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# A true-colour PNG of 22000 x 22000 black pixels: 1.45 GB of pixels in a file of under 2 MB.
# Each row is compressed on its own (a full flush), so one row's bytes repeat.
/usr/bin/python3 - <<'EOF'
import struct, zlib

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

width = height = 22000
row = b"\0" * (1 + 3 * width)
compressor = zlib.compressobj(9)
first = compressor.compress(row) + compressor.flush(zlib.Z_FULL_FLUSH)
other = compressor.compress(row) + compressor.flush(zlib.Z_FULL_FLUSH)
length = len(row) * height
adler = ((length % 65521) << 16) | 1  # of `length` zero bytes
stream = first + other * (height - 1) + b"\x03\x00" + struct.pack(">I", adler)
with open("huge.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n")
    f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
    f.write(chunk(b"IDAT", stream))
    f.write(chunk(b"IEND", b""))
EOF

# Runs a command: its output in $out, its exit code in $code, its peak resident memory in
# kilobytes in $rss.
run() {
    set +e
    /usr/bin/time -f '%M' -o rss.txt "$@" >out.txt 2>&1
    code=$?
    set -e
    out=$(cat out.txt)
    rss=$(tail -n 1 rss.txt)
}

# What the program itself takes (its code, and the sanitizers' shadow memory in test builds):
# a refusal may take little more than that, never the picture's memory.
/usr/bin/convert -size 2x2 xc:red tiny.png
run "$karvin" info tiny.png
[[ $code == 0 ]] || fail "info of a tiny PNG: exit $code: $out"
small=$((rss + 20000))

run "$karvin" info huge.png
expected=$(printf 'Width: 22000\nHeight: 22000\nPixel format: True color\nResolution: 96 x 96 dpi')
[[ $code == 0 && $out == "$expected" ]] || fail "info of the huge PNG: exit $code: $out"
((rss < small)) || fail "info of the huge PNG took $rss kB (a tiny image: $((small - 20000)) kB)"

limit="Image size 22000x22000 (484 megapixels) is over the limit of 300 megapixels"
run "$karvin" convert huge.png out.bmp
[[ $code == 1 && $out == "karvin: $limit" ]] || fail "convert of the huge PNG: exit $code: $out"
((rss < small)) || fail "refusing the huge PNG took $rss kB (a tiny image: $((small - 20000)) kB)"
[[ ! -e out.bmp ]] || fail "convert left a file"
run "$karvin" transform huge.png out.bmp gray
[[ $code == 1 && $out == "karvin transform: reading huge.png: $limit" ]] ||
    fail "transform of the huge PNG: exit $code: $out"

# A resampled size beyond the limit is refused before its memory is taken.
/usr/bin/convert -size 20x4000 gradient:red-blue tall.png
run "$karvin" transform tall.png out.png resample:30000x30000:Lanczos3
[[ $code == 1 && $out == *"resample:30000x30000:Lanczos3: Image size 30000x30000 (900 megapixels) is over the limit of 300 megapixels"* ]] ||
    fail "resampling beyond the limit: exit $code: $out"
((rss < small)) || fail "refusing to resample took $rss kB (a tiny image: $((small - 20000)) kB)"

# Named pipes, folders and devices are refused at once by every command that reads images.
mkfifo pipe.png
mkdir folder.bmp
ln -s /dev/zero zero.tga
for input in pipe.png folder.bmp zero.tga; do
    for command in "info $input" "convert $input out.png" "transform $input out.png gray" \
        "print --pdf out.pdf $input"; do
        # shellcheck disable=SC2086 # the command's words
        run timeout 20 "$karvin" $command
        [[ $code == 1 && $out == *"Cannot read file \"$input\": it is a "* ]] ||
            fail "karvin $command: exit $code: $out"
    done
done

((failed == 0)) && echo "ok"
