#!/usr/bin/env bash
# The real program: karvin print writes the layouts into a PDF file (as "Print to file"
# does), one file for all the jobs of a run, and refuses what it cannot print.
set -euo pipefail
karvin=${KARVIN_BIN_DIR:?}/karvin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No display: images are measured against a 1920 x 1080 screen. No print server: nothing
# can reach a real printer.
unset DISPLAY
export CUPS_SERVER=127.0.0.1:9

fail() { echo "$*"; exit 1; }
pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
# Whether the point of page $2 of a PDF, given in hundredths of the page's width and height,
# is red or white ($5).
colour_is() {
    local pdf=$1 page=$2 x=$3 y=$4 colour=$5 test
    pdftoppm -png -r 40 -f "$page" -l "$page" -singlefile "$pdf" "$work/raster"
    case $colour in
    red) test='r>0.8 && g<0.25 && b<0.25' ;;
    white) test='r>0.95 && g>0.95 && b>0.95' ;;
    esac
    local px="int($x*w/100)" py="int($y*h/100)"
    test=${test//r/p{$px,$py}.r}
    test=${test//g/p{$px,$py}.g}
    test=${test//b/p{$px,$py}.b}
    [[ $(/usr/bin/convert "$work/raster.png" -format "%[fx:$test]" info:) == 1 ]]
}

/usr/bin/convert -size 1920x1080 xc:red "$work/red.png"
/usr/bin/convert -size 640x480 xc:red "$work/small.bmp"
/usr/bin/convert -size 1024x768 xc:red "$work/wide.tif"
/usr/bin/convert -size 200x5000 xc:red "$work/tall.png"

# A full-screen capture fills the page width, centred: red in the middle, white above.
"$karvin" print --pdf "$work/one.pdf" "$work/red.png"
[[ $(pages "$work/one.pdf") == 1 ]] || fail "one image, $(pages "$work/one.pdf") pages"
colour_is "$work/one.pdf" 1 50 50 red || fail "no red in the middle of the page"
colour_is "$work/one.pdf" 1 50 10 white || fail "not white above the picture"

# On a display, images are measured against its screen: 1024 x 768 fills the page width on a
# 1024 x 768 screen, and half of it without a display (1920 x 1080).
"${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --size 1024x768x24 -- \
    "$karvin" print --pdf "$work/display.pdf" "$work/wide.tif"
colour_is "$work/display.pdf" 1 5 50 red || fail "not as wide as the page on a 1024 x 768 display"
"$karvin" print --pdf "$work/nodisplay.pdf" "$work/wide.tif"
colour_is "$work/nodisplay.pdf" 1 5 50 white || fail "as wide as the page without a display"

# A tall image prints in slices, each a job of its own, all in the one file.
"$karvin" print --pdf "$work/tall.pdf" --layout image "$work/tall.png"
(( $(pages "$work/tall.pdf") >= 2 )) || fail "the tall image was not sliced"
colour_is "$work/tall.pdf" 1 5 50 red || fail "no slice at the left of the page"

# Many to a page and thumbnails put several images on one page, with their file names.
for layout in many thumbnails; do
    "$karvin" print --pdf "$work/$layout.pdf" --layout $layout "$work/small.bmp" "$work/wide.tif"
    [[ $(pages "$work/$layout.pdf") == 1 ]] || fail "$layout: $(pages "$work/$layout.pdf") pages"
    pdftotext "$work/$layout.pdf" - | grep -q "small.bmp" || fail "$layout: no file name"
done

# Captions, with the date for the date layouts.
"$karvin" print --pdf "$work/caption.pdf" --layout caption-below --caption "Garden in May" \
    "$work/small.bmp"
pdftotext "$work/caption.pdf" - | grep -q "Garden in May" || fail "caption missing"
"$karvin" print --pdf "$work/date.pdf" --layout date-above "$work/small.bmp"
pdftotext "$work/date.pdf" - | grep -q "$(date +%y)" || fail "date missing"

# A full-screen capture of a 1920 x 1080 screen prints with a caption, stretched and many to
# a page.
# Centred with a caption; at the top of the page stretched and many to a page.
for layout_at in caption-below:50 date-above:50 stretch:10 many:10; do
    layout=${layout_at%:*}
    "$karvin" print --pdf "$work/full-$layout.pdf" --layout $layout --caption "Full screen" \
        "$work/red.png" || fail "$layout: a 1920 x 1080 capture was not printed"
    colour_is "$work/full-$layout.pdf" 1 50 "${layout_at#*:}" red ||
        fail "$layout: no picture on the page"
done
pdftotext "$work/full-caption-below.pdf" - | grep -q "Full screen" || fail "no caption"

# An image taller than any page: refused by many to a page and the caption layouts (exit 1,
# the others still printed), printed by the image layout in slices and stretched.
for layout in many caption-above; do
    set +e
    "$karvin" print --pdf "$work/high.pdf" --layout $layout "$work/tall.png" "$work/small.bmp" \
        2>"$work/err"
    code=$?
    set -e
    [[ $code == 1 ]] || fail "a tall image, $layout: exit code $code"
    grep -q "tall.png is larger than your printer page" "$work/err" || fail "$layout: no refusal"
    [[ $(pages "$work/high.pdf") == 1 ]] || fail "$layout: the other image was not printed"
done
"$karvin" print --pdf "$work/high2.pdf" --layout stretch "$work/tall.png"

# Wrong command lines (2) and what cannot be printed (1) leave no file behind.
expect_code() {
    local expected=$1
    shift
    set +e
    "$karvin" print "$@" 2>"$work/err"
    local code=$?
    set -e
    [[ $code == "$expected" ]] || fail "print $*: exit code $code, not $expected"
    [[ -s $work/err ]] || fail "print $*: no message"
    [[ ! -e $work/x.pdf ]] || fail "print $*: wrote a file"
}
expect_code 2 --pdf "$work/x.pdf"
expect_code 2 --pdf "$work/x.pdf" --layout poster "$work/red.png"
expect_code 2 --pdf "$work/x.pdf" --printer lp "$work/red.png"
expect_code 2 --pdf
expect_code 1 --pdf "$work/x.pdf" "$work/missing.png"
expect_code 1 --pdf "$work/x.pdf" "$work/red.png" "$work/missing.png"
echo "not an image" >"$work/broken.png"
expect_code 1 --pdf "$work/x.pdf" "$work/broken.png"
expect_code 1 --printer "No Such Printer" "$work/red.png"
expect_code 1 "$work/red.png"
grep -q "no printer is set up" "$work/err" || fail "no word about the missing printer"
expect_code 1 --pdf "$work/no such folder/x.pdf" "$work/red.png"
echo "ok"
