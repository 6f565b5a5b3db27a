#!/usr/bin/env bash
# The real karvin on its own X server (window manager and tray): a capture that "karvin
# trigger" makes while Delete's question is up selects its own row; Yes then deletes the
# image the user chose, and the new capture stays.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray --size 1024x768x24 \
        -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache
work=$XDG_CACHE_HOME/karvin
mkdir -p "$HOME" "$work"
chmod 700 "$work"

# "Capture Only" into BMP files, the window shown at the start: sixteen 32-bit fields.
for field in 0 2 1 0 0 0 0 0 0 1 0 1 1 0 27 0; do
    printf "\\x$(printf %02x "$field")\\0\\0\\0"
done >"$work/karvin.cfg"
# Two captures an earlier run left behind, listed at the start.
/usr/bin/convert -size 64x48 xc:red "BMP3:$work/pic1.bmp"
/usr/bin/convert -size 64x48 xc:blue "BMP3:$work/pic2.bmp"

visible_named() { xdotool search --onlyvisible --name "^$1\$"; }

"$karvin" &
pids+=($!)
wait_for 10 visible_named Karvin || fail "the window was not shown"
window=$(visible_named Karvin | head -n 1)
xdotool windowactivate --sync "$window"
# The first row of the list (pic1.bmp): below the menu bar, the tool bar, the option boxes and
# the list's header.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 60)) $((Y + 130)) click 1
xdotool key --window "$window" Delete
wait_for 10 visible_named Confirmation || fail "Delete asked no question"

"$karvin" trigger || fail "trigger ended with $?"
wait_for 10 test -s "$work/pic3.bmp" || fail "the running karvin stored no capture"
# The capture takes Karvin's windows off the screen and puts them back afterwards.
wait_for 10 visible_named Confirmation || fail "the question did not come back"
box=$(visible_named Confirmation | head -n 1)
xdotool windowactivate --sync "$box" key y
captures() { (cd "$work" && ls pic* | xargs); }
wait_for 10 bash -c "[[ \$(cd '$work' && ls pic* | xargs) == 'pic2.bmp pic3.bmp' ]]" ||
    fail "left in the working folder: $(captures)"
echo ok
