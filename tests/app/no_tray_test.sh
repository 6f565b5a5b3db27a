#!/usr/bin/env bash
# The real karvin on a desktop without a tray (a window manager alone): at a capture the main
# window goes to the task bar (iconified, never withdrawn) so that nothing of it is captured,
# the desktop can bring it back, and it comes back painted, showing the capture. A second start
# brings it back to the front as well. Screenshots: build-test/test-output/no_tray_*.png.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --size 1024x768x24 \
        -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
output=$KARVIN_BIN_DIR/../test-output
mkdir -p "$output"
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
unset XDG_CACHE_HOME
work=$HOME/.cache/karvin
mkdir -p "$work" && chmod 700 "$work"

# "Capture Only" into BMP files, the window shown at the start.
python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<16i", 0, 2, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 27, 0))' \
    >"$work/karvin.cfg"
# Another program in front at the capture, in a colour nothing of Karvin has; the window
# manager gives it the whole screen.
desktop=C03090
count_in() { /usr/bin/convert "$1" -fill black +opaque "#$desktop" -fill white -opaque "#$desktop" \
    -format '%[fx:round(mean*w*h)]' info:; }
visible_karvin() { xdotool search --onlyvisible --name '^Karvin$'; }
active_is_karvin() { [[ $(xdotool getactivewindow getwindowname 2>/dev/null) == Karvin ]]; }
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/^[[:space:]]*window state: //p'; }

"$karvin" &
first=$!
pids+=("$first")
wait_for 10 visible_karvin || fail "the window was not shown"
window=$(visible_karvin | head -n 1)
wait_for 5 active_is_karvin || fail "the window is not active"
sleep 0.5

echo "a capture sends the window to the task bar"
xmessage -bg "#$desktop" -fg "#$desktop" -name other "another program" &
pids+=($!)
other_active() { [[ $(xdotool getactivewindow getwindowname 2>/dev/null) == other ]]; }
wait_for 10 other_active || fail "the other program did not come to the front"
sleep 0.5
"$karvin" trigger || fail "karvin trigger failed"
wait_for 10 test -e "$work/pic1.bmp" || fail "the capture was not stored"
sleep 0.5
[[ $(wm_state "$window") == Iconic ]] || fail "the window is $(wm_state "$window"), not iconified"
# Nothing of the window in the capture: the other program fills the screen.
[[ $(count_in "$work/pic1.bmp") -gt $((1024 * 700)) ]] || fail "the capture shows more than the other program"
other_active || fail "the other program did not get the focus back"

echo "the desktop brings it back, painted and showing the capture"
xdotool windowactivate "$window"
wait_for 5 visible_karvin || fail "the window did not come back"
sleep 1
shot=$output/no_tray_restored.png
import -window root "$shot"
echo "screenshot: $shot"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The view right of the list shows the capture, the other program's colour.
view=$scratch/view.png
/usr/bin/convert "$shot" -crop "300x200+$((X + 260))+$((Y + 140))" "$view"
[[ $(count_in "$view") == 60000 ]] || fail "the view does not show the capture ($(count_in "$view") pixels)"
# And the rest of the window is painted: the white list on the left.
[[ $(/usr/bin/convert "$shot" -crop "150x200+$((X + 20))+$((Y + 200))" -fill black +opaque white \
    -format '%[fx:mean]' info:) > 0.9 ]] || fail "the list is not painted"

echo "brought back by the desktop, it still steps aside at the next capture"
other=$(xdotool search --onlyvisible --name '^other$' | head -n 1)
xdotool windowactivate "$other"
wait_for 10 other_active || fail "the other program did not come to the front"
"$karvin" trigger
wait_for 10 test -e "$work/pic2.bmp" || fail "the second capture was not stored"
sleep 0.5
[[ $(wm_state "$window") == Iconic ]] || fail "the window is $(wm_state "$window"), not iconified"

echo "a second start brings the iconified window to the front"
"$karvin" &
second=$!
pids+=("$second")
wait_for 10 xdotool search --onlyvisible --name '^Warning$' || fail "no \"Warning\" box appeared"
box=$(xdotool search --onlyvisible --name '^Warning$' | head -n 1)
xdotool windowactivate --sync "$box" key Return
wait_for 10 bash -c "! kill -0 $second" || fail "the second start did not end"
wait_for 5 visible_karvin || fail "the first karvin did not come back"
[[ $(wm_state "$window") == Normal ]] || fail "the window is $(wm_state "$window")"
wait_for 5 active_is_karvin || fail "the first karvin's window is not active"
shot=$output/no_tray_second_start.png
import -window root "$shot"
echo "screenshot: $shot"
echo ok
