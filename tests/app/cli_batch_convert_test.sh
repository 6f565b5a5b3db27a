#!/usr/bin/env bash
# karvin convert SRC... DIR --format EXT: a folder of images with one broken file is converted
# file by file, the broken one reported and the exit code 1; existing targets are kept unless
# --overwrite is given; the same file named twice is converted once; a folder that cannot take
# the files is said once, before anything is converted; the one-file form still works.
set -euo pipefail
karvin=${KARVIN_BIN_DIR:?}/karvin
source "$(dirname "$0")/../scripts/script_support.sh"
cd "$scratch"

# Runs karvin without a display, as scripts may: stdout in $out, stderr in $err, the exit
# code in $code.
run() {
    set +e
    env -u DISPLAY -u QT_QPA_PLATFORM "$karvin" "$@" >out.txt 2>err.txt
    code=$?
    set -e
    out=$(cat out.txt)
    err=$(cat err.txt)
}

mkdir in out
/usr/bin/convert -size 64x48 gradient:red-blue in/a.bmp
/usr/bin/convert -seed 7 -size 30x20 plasma:fractal in/b.bmp
/usr/bin/convert -size 16x16 xc:green in/c.gif
# A bitmap cut short.
head -c 300 in/a.bmp >in/broken.bmp

run convert in/a.bmp in/b.bmp in/broken.bmp in/c.gif out --format png
[[ $code == 1 ]] || fail "exit $code with a broken file: $out / $err"
expected="in/a.bmp -> out/a.png
in/b.bmp -> out/b.png
in/c.gif -> out/c.png
3 converted, 0 left as they were, 1 failed"
[[ $out == "$expected" ]] || fail "stdout: $out"
[[ $err == "karvin convert: in/broken.bmp: "* && $(wc -l <err.txt) == 1 ]] ||
    fail "the broken file is not reported in one line: $err"
[[ ! -e out/broken.png ]] || fail "the broken file left a target"
for name in a b c; do
    src=$(ls in/$name.*)
    [[ $(/usr/bin/compare -metric AE "$src" out/$name.png null: 2>&1) == 0 ]] ||
        fail "out/$name.png differs from $src"
done

# Existing targets are kept, and said so, unless --overwrite is given; neither is a failure.
echo "mine" >out/a.png
run convert in/a.bmp out --format .png
[[ $code == 0 && $(cat out/a.png) == mine ]] || fail "existing target replaced: $code $out"
[[ $out == *"in/a.bmp: out/a.png exists, left as it is (--overwrite replaces it)"*"0 converted, 1 left as they were, 0 failed" ]] ||
    fail "kept target: $out"
run convert in/a.bmp out --format png --overwrite
[[ $code == 0 && $(/usr/bin/identify -format %wx%h out/a.png) == 64x48 ]] ||
    fail "--overwrite did not replace: $code $out $err"

# The same file named twice (also by another spelling) is converted once.
rm out/*
run convert in/a.bmp ./in/a.bmp in/../in/a.bmp out --format JPG --quality 90
[[ $code == 0 && $out == "in/a.bmp -> out/a.JPG
1 converted, 0 left as they were, 0 failed" ]] || fail "named twice: $code $out $err"

# Two sources for one target: the second fails instead of replacing the first's file.
/usr/bin/convert -size 8x8 xc:red in/a.tga
run convert in/a.bmp in/a.tga out --format png --overwrite
[[ $code == 1 && $err == *"in/a.tga: \"out/a.png\" is made from \"in/a.bmp\" already"* ]] ||
    fail "two sources for one target: $code $err"
[[ $(/usr/bin/identify -format %wx%h out/a.png) == 64x48 ]] || fail "the first target was replaced"

# A target folder that cannot take the files: one message, nothing read or written.
run convert in/a.bmp in/b.bmp missing --format png
[[ $code == 1 && $err == 'karvin: Cannot write into the folder "missing": No such file or directory' ]] ||
    fail "missing folder: $code $err"
[[ -z $out ]] || fail "missing folder printed: $out"
run convert in/a.bmp in/b.bmp in/a.bmp --format png
[[ $code == 1 && $err == 'karvin: Cannot write into the folder "in/a.bmp": it is not a folder' ]] ||
    fail "file as folder: $code $err"

# Wrong command lines.
for args in "in/a.bmp out --format" "in/a.bmp out --format xyz" "out --format png" \
    "in/a.bmp out --format ../x" "in/a.bmp out.png --overwrite"; do
    # shellcheck disable=SC2086 # the words of the command line
    run convert $args
    [[ $code == 2 && $err == "karvin convert: "*"; see karvin --help" ]] ||
        fail "karvin convert $args: $code $err"
done

# The one-file form is as it was: it replaces its target.
run convert in/b.bmp out/single.png
[[ $code == 0 && -z $out ]] || fail "one file: $code $out $err"
run convert in/a.bmp out/single.png
[[ $code == 0 && $(/usr/bin/identify -format %wx%h out/single.png) == 64x48 ]] ||
    fail "one file did not replace its target: $code $err"

echo ok
