#!/usr/bin/env bash
# The real karvin on its own X server (window manager and tray):
#  - a first start with an empty cache folder creates ~/.cache/karvin (0700) with the
#    64-byte default karvin.cfg and shows the window two seconds later;
#  - a second start shows "Warning" (answered here with Return) and ends, while the first,
#    waiting in the tray, comes to the front;
#  - closing the window ends the program and leaves only the settings files.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
unset XDG_CACHE_HOME
mkdir -p "$HOME"
work=$HOME/.cache/karvin

visible_karvin() { xdotool search --onlyvisible --name '^Karvin$'; }
active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
active_is_karvin() { [[ $(active_title) == Karvin ]]; }

# wait_exit PID SECONDS: the exit status of PID, or fails when it is still running.
wait_exit() {
    local pid=$1
    wait_for "$2" bash -c "! kill -0 $pid" || fail "karvin ($pid) did not end"
    local status=0
    wait "$pid" || status=$?
    return $status
}

# Close the active window the way the window manager's close button does.
close_active() { xdotool key alt+F4; }

echo "first start with an empty cache folder"
"$karvin" &
first=$!
pids+=("$first")
wait_for 10 test -s "$work/karvin.cfg" || fail "no karvin.cfg was written"
[[ $(stat -c %a "$work") == 700 ]] || fail "working folder mode is $(stat -c %a "$work")"
[[ $(stat -c %s "$work/karvin.cfg") == 64 ]] || fail "karvin.cfg is not 64 bytes"
fields=$(od -An -td4 -v "$work/karvin.cfg" | xargs)
[[ $fields == "0 0 1 0 0 0 0 0 0 1 0 1 1 0 27 0" ]] || fail "karvin.cfg holds $fields"
visible_karvin >/dev/null && fail "the window was shown before the start-up delay"
wait_for 10 visible_karvin || fail "the window was not shown after start"
wait_for 5 active_is_karvin || fail "the shown window is not active"

echo "closing it ends the program"
close_active
wait_exit "$first" 10 || fail "the first karvin ended with status $?"

echo "a second start while the first waits in the tray"
# StartMinimized 1, NoMinimize 0: the first instance keeps only its tray icon.
printf '\0\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0\1\0\0\0\0\0\0\0\33\0\0\0\0\0\0\0' \
    >"$work/karvin.cfg"
: >"$work/pic1.png"
"$karvin" &
first=$!
pids+=("$first")
sleep 3
visible_karvin >/dev/null && fail "a tray-only start showed its window"

"$karvin" &
second=$!
pids+=("$second")
wait_for 10 xdotool search --onlyvisible --name '^Warning$' || fail "no \"Warning\" box appeared"
box=$(xdotool search --onlyvisible --name '^Warning$' | head -n 1)
[[ $(xdotool getwindowpid "$box") == "$second" ]] || fail "the box is not the second start's"
xdotool windowactivate --sync "$box" key Return
wait_exit "$second" 10 || fail "the second start ended with status $?"
kill -0 "$first" || fail "the first karvin has gone"
wait_for 5 visible_karvin || fail "the first karvin did not come to the front"
window=$(visible_karvin | head -n 1)
[[ $(xdotool getwindowpid "$window") == "$first" ]] || fail "the window shown is not the first's"
wait_for 5 active_is_karvin || fail "the first karvin's window is not active"

echo "leaving with an unsaved capture, answering Yes"
close_active
# The question box is titled "Karvin" like the main window: it is the other such window.
question_box() { xdotool search --onlyvisible --name '^Karvin$' | grep -vx "$window"; }
wait_for 10 question_box || fail "leaving asked no question"
xdotool windowactivate --sync "$(question_box | head -n 1)" key y
wait_exit "$first" 10 || fail "the first karvin ended with status $?"
left=$(ls -A "$work" | xargs)
[[ $left == karvin.cfg ]] || fail "the working folder still holds: $left"
echo "ok"
