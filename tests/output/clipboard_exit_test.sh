#!/usr/bin/env bash
# The real program on its own X server: a capture is on the clipboard for other programs, and
# when Karvin ends, a running clipboard manager takes it over (SAVE_TARGETS), so the capture
# can still be pasted after Karvin has gone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [[ $# == 0 ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm -- bash "$0" inside
fi

karvin=${KARVIN_BIN_DIR:?}/karvin
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
png_of_clipboard() { xclip -selection clipboard -t image/png -o > "$1" 2>/dev/null; }
same_pixels() { [[ $(/usr/bin/convert "$1" "$2" -compose difference -composite -format '%[fx:maxima]' info:) == 0 ]]; }

export QT_QPA_PLATFORM=xcb XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run HOME=$work/home
mkdir -p -m 700 "$XDG_CACHE_HOME/karvin" "$XDG_RUNTIME_DIR" "$HOME"
# Full screen, captured only (nothing printed), as PNG; leaving asks nothing.
/usr/bin/python3 -c '
import struct, sys
sys.stdout.buffer.write(struct.pack("<16i", 0, 2, 1, 0, 0, 4, 0, 0, 0, 0, 0, 1, 1, 0, 27, 0))
' > "$XDG_CACHE_HOME/karvin/karvin.cfg"

/usr/bin/python3 "$here/clipboard_manager.py" serve "$work/manager-ready" &
pids+=($!)
wait_for 100 test -e "$work/manager-ready" || fail "the clipboard manager did not start"

# A pattern on the screen, so that the capture is not all one colour.
xsetroot -mod 5 3 -fg red -bg navy
"$karvin" > "$work/karvin.log" 2>&1 &
karvin_pid=$!
pids+=($karvin_pid)
wait_for 200 xdotool search --name '^Karvin$' > /dev/null || fail "no Karvin window"
"$karvin" trigger
wait_for 200 test -e "$XDG_CACHE_HOME/karvin/pic1.png" || fail "no capture"
wait_for 100 png_of_clipboard "$work/while-running.png" || fail "no image/png while Karvin runs"
same_pixels "$work/while-running.png" "$XDG_CACHE_HOME/karvin/pic1.png" ||
    fail "the clipboard does not hold the capture"

/usr/bin/python3 "$here/clipboard_manager.py" close Karvin || fail "cannot close Karvin's window"
wait_for 200 bash -c "! kill -0 $karvin_pid 2>/dev/null" || fail "Karvin did not end"
wait "$karvin_pid" || fail "Karvin ended with code $?: $(cat "$work/karvin.log")"
[[ ! -e $XDG_CACHE_HOME/karvin/pic1.png ]] || fail "the capture outlived the run"
png_of_clipboard "$work/after-exit.png" || fail "the clipboard is empty after Karvin ended"
same_pixels "$work/after-exit.png" "$work/while-running.png" ||
    fail "the clipboard manager holds another picture"
echo "clipboard_exit: passed"
