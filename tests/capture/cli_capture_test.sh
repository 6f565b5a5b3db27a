#!/usr/bin/env bash
# The real karvin on its own X server (window manager and tray):
#  - "karvin capture" writes the screen, the active window or its client area as FILE, or
#    as the next picN of the current folder in the capture format of the settings;
#  - wrong command lines end with 2, a missing running instance with 1;
#  - "karvin trigger" makes the running karvin capture as on PrintScreen: the next pic file
#    in its working folder, equal to the screen, readable by its owner alone, in a working
#    folder that karvin made private (it was left open to others).
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray --size 1024x768x24 -- \
        bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache
mkdir -p "$HOME" "$scratch/here"
work=$XDG_CACHE_HOME/karvin

# same_pixels A B: the two pictures have the same size and not one pixel differs.
same_pixels() {
    local differing
    differing=$(/usr/bin/compare -metric AE "$1" "$2" null: 2>&1) || true
    [[ $differing == 0 ]] || {
        echo "$1 and $2 differ in $differing pixels" >&2
        return 1
    }
}

size_of() { /usr/bin/identify -format '%wx%h' "$1"; }

cd "$scratch/here"

echo "the whole screen into a named file of each format"
for file in screen.png screen.bmp screen.tif; do
    [[ $("$karvin" capture full -o "$file") == "$file" ]] || fail "capture did not name $file"
done
/usr/bin/import -window root reference.png
for file in screen.png screen.bmp screen.tif; do
    same_pixels "$file" reference.png || fail "$file is not the screen"
done

echo "without -o: the next pic name here, in the capture format of the settings"
[[ $("$karvin" capture) == "$scratch/here/pic1.bmp" ]] || fail "the first default name"
[[ $("$karvin" capture full) == "$scratch/here/pic2.bmp" ]] || fail "the second default name"
same_pixels pic1.bmp reference.png || fail "pic1.bmp is not the screen"

echo "wrong command lines"
status=0
"$karvin" capture sideways 2>/dev/null || status=$?
[[ $status == 2 ]] || fail "an unknown method ended with $status"
status=0
"$karvin" capture full -o shot.xyz 2>err.txt || status=$?
[[ $status == 2 ]] || fail "an unknown extension ended with $status"
grep -q 'Graphic files of .xyz format are not supported or not registered' err.txt ||
    fail "the unknown extension was not named: $(cat err.txt)"
[[ ! -e shot.xyz ]] || fail "a file of an unknown format was written"
status=0
env -u DISPLAY "$karvin" capture -o nodisplay.png 2>err.txt || status=$?
[[ $status == 1 ]] || fail "a capture without a display ended with $status"
grep -q 'no X11 display' err.txt || fail "without a display it said: $(cat err.txt)"

echo "karvin trigger with nothing running"
status=0
"$karvin" trigger 2>err.txt || status=$?
[[ $status == 1 ]] || fail "trigger without karvin ended with $status"
grep -q 'Karvin is not running' err.txt || fail "trigger said: $(cat err.txt)"

echo "the active window and its client area"
# Karvin's own window, shown two seconds after its start, is the active window.
mkdir -p "$work"
chmod 755 "$work"
# "Capture Only" (PrintSelection 2), everything else as the defaults: sixteen 32-bit fields.
for field in 0 2 1 0 0 0 0 0 0 1 0 1 1 0 27 0; do
    printf "\\x$(printf %02x "$field")\\0\\0\\0"
done >"$work/karvin.cfg"
"$karvin" &
pids+=($!)
wait_for 10 xdotool search --onlyvisible --name '^Karvin$' || fail "karvin's window did not appear"
main=$(xdotool search --onlyvisible --name '^Karvin$' | head -n 1)
wait_for 5 bash -c "[[ \$(xdotool getactivewindow) == $main ]]" || fail "karvin is not active"
eval "$(xdotool getwindowgeometry --shell "$main")"
"$karvin" capture client -o client.png >/dev/null
[[ $(size_of client.png) == "${WIDTH}x${HEIGHT}" ]] ||
    fail "the client area is $(size_of client.png), the window ${WIDTH}x${HEIGHT}"
"$karvin" capture window -o window.png >/dev/null
frame_width=$(/usr/bin/identify -format '%w' window.png)
frame_height=$(/usr/bin/identify -format '%h' window.png)
((frame_width >= WIDTH && frame_height >= HEIGHT)) ||
    fail "the window (${frame_width}x${frame_height}) is smaller than its client area"
/usr/bin/import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" client-reference.png
same_pixels client.png client-reference.png || fail "the client area is not the window's"

echo "karvin trigger captures in the running karvin"
"$karvin" trigger || fail "trigger ended with $?"
wait_for 10 test -s "$work/pic1.bmp" || fail "the running karvin stored no capture"
# The notice beside the tray icon that tells of the capture came after it and stays a while:
# the corner under the tray icon, where it shows, is left out of the comparison.
sleep 0.5
/usr/bin/import -window root after.png
without_notice() { /usr/bin/convert "$1" -fill black -draw "rectangle 700,0 1023,160" "$2"; }
without_notice "$work/pic1.bmp" capture-part.png
without_notice after.png after-part.png
same_pixels capture-part.png after-part.png || fail "the triggered capture is not the screen"
# A second trigger, with PNG as the capture format: the requests are handled in order, so
# once its capture (pic1.png) is stored the first trigger has been dealt with in full, and a
# second capture of the first would be there as pic2.bmp.
for field in 0 2 1 0 0 4 0 0 0 1 0 1 1 0 27 0; do
    printf "\\x$(printf %02x "$field")\\0\\0\\0"
done >"$work/karvin.cfg"
"$karvin" trigger || fail "the second trigger ended with $?"
wait_for 10 test -s "$work/pic1.png" || fail "the second trigger stored no capture"
captures=$(cd "$work" && ls pic* | xargs)
[[ $captures == "pic1.bmp pic1.png" ]] || fail "two triggers stored: $captures"
[[ $(stat -c %a "$work") == 700 ]] || fail "the working folder is $(stat -c %a "$work")"
[[ $(stat -c %a "$work/pic1.bmp") == 600 ]] || fail "the capture is $(stat -c %a "$work/pic1.bmp")"
[[ $(stat -c %a "$work/karvin.cfg") == 600 ]] || fail "karvin.cfg is $(stat -c %a "$work/karvin.cfg")"
echo "ok"
