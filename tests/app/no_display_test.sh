#!/usr/bin/env bash
# The real karvin without a usable X display: the tray program says in one line that it
# needs an X11 session and which commands work without one, and ends with 1 (no error of
# the toolkit's); those commands do work.
set -euo pipefail

karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache
mkdir -p "$HOME"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# run_without_display WHY ENV...: karvin with the environment given must end with 1 and say
# exactly one line, naming WHY.
run_without_display() {
    local why=$1 status=0
    shift
    env "$@" "$karvin" >"$scratch/out.txt" 2>"$scratch/err.txt" || status=$?
    [[ $status == 1 ]] || fail "karvin ($*) ended with $status"
    [[ ! -s $scratch/out.txt ]] || fail "karvin ($*) wrote: $(cat "$scratch/out.txt")"
    local expected="karvin: Karvin needs an X11 session, and $why; without one only \"karvin"
    expected+=" convert\", \"info\", \"transform\" and \"print\" work (karvin --help)."
    [[ $(cat "$scratch/err.txt") == "$expected" ]] ||
        fail "karvin ($*) said: $(cat "$scratch/err.txt")"
}

echo "no DISPLAY"
run_without_display "DISPLAY is not set" -u DISPLAY
echo "a DISPLAY that does not answer"
run_without_display 'the display ":97" cannot be reached' DISPLAY=:97
echo "a Wayland session without X11"
run_without_display "DISPLAY is not set" -u DISPLAY WAYLAND_DISPLAY=wayland-0 \
    XDG_SESSION_TYPE=wayland

echo "the commands it names work without a display"
cd "$scratch"
/usr/bin/convert -size 8x6 xc:red in.png
env -u DISPLAY "$karvin" convert in.png out.bmp || fail "convert ended with $?"
env -u DISPLAY "$karvin" info out.bmp | grep -qx "Width: 8" || fail "info: $("$karvin" info out.bmp)"
env -u DISPLAY "$karvin" transform in.png flipped.png flip-h || fail "transform ended with $?"
env -u DISPLAY "$karvin" print --pdf out.pdf in.png || fail "print ended with $?"
[[ -s out.pdf ]] || fail "print wrote no PDF"
echo ok
