#!/usr/bin/env bash
# The real karvin's main window on its own X server (window manager and tray), with a capture
# that an earlier run left in the working folder: clicking its row shows the picture. A
# screenshot of the screen (build-test/test-output/main_window.png) must show the tool bar with
# its yellow "Click Me" button at the top, the option boxes below it, the list on the left
# and the picture at full size to the right of the list.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray --size 1024x768x24 \
        -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
output=$KARVIN_BIN_DIR/../test-output
mkdir -p "$output"
shot=$output/main_window.png
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
unset XDG_CACHE_HOME
work=$HOME/.cache/karvin
mkdir -p "$work" && chmod 700 "$work"

# Pixels of one colour in the screenshot, and the box around them (WxH+X+Y).
picture=C03090
count_of() { /usr/bin/convert "$shot" -fill black +opaque "#$1" -fill white -opaque "#$1" \
    -format '%[fx:mean*w*h]' info:; }
box_of() { /usr/bin/convert "$shot" -fill black +opaque "#$1" -fill white -opaque "#$1" \
    -trim -format '%wx%h%O\n' info:; }

# A 300 x 200 capture in a colour nothing else on the screen has.
/usr/bin/convert -size 300x200 "xc:#$picture" "BMP3:$work/pic1.bmp"

"$karvin" &
pids+=($!)
visible_karvin() { xdotool search --onlyvisible --name '^Karvin$'; }
wait_for 10 visible_karvin || fail "the window was not shown"
window=$(visible_karvin | head -n 1)
xdotool windowactivate --sync "$window"
sleep 0.5

import -window root "$shot"
[[ $(count_of $picture) == 0 ]] || fail "a picture is shown before a row was clicked"

# The first row of the list: below the menu bar, the tool bar, the option boxes and the
# list's header.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 60)) $((Y + 130)) click 1
sleep 1
import -window root "$shot"
echo "screenshot: $shot"

[[ $(count_of $picture) == 60000 ]] || fail "the picture is not shown whole at 100 % ($(count_of $picture) pixels)"
read -r size left top < <(box_of $picture | tr '+' ' ')
[[ $size == 300x200 ]] || fail "the picture's box is $size"
((left >= X + 209)) || fail "the picture starts at x $left, over the list"
((top >= Y + 56 + 20)) || fail "the picture starts at y $top, over the tool bar and the boxes"
# The yellow quick-start button sits in the tool bar above the picture.
read -r _ _ button_top < <(box_of FFFF00 | tr '+' ' ')
[[ $(count_of FFFF00) -gt 500 ]] || fail "no yellow \"Click Me\" button"
((button_top < top - 20)) || fail "the button is not above the option boxes"
# The list left of the picture is white, with the clicked row highlighted.
[[ $(/usr/bin/convert "$shot" -crop "150x300+$((X + 20))+$((top + 60))" -fill black +opaque white \
    -format '%[fx:mean]' info:) > 0.9 ]] || fail "no list left of the picture"

xdotool key --window "$window" alt+F4 || true
echo ok
