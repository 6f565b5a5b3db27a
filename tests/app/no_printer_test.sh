#!/usr/bin/env bash
# The real karvin on a desktop without any printer, with "Print and Capture" chosen: a capture
# is stored as usual and no message box stops it; the notice beside the tray icon says once
# that nothing was printed. Screenshot: build-test/test-output/no_printer_notice.png.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray --size 1024x768x24 \
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

# A machine with a printer set up cannot show this.
if command -v lpstat >/dev/null && [[ -n $(lpstat -e 2>/dev/null) ]]; then
    echo "skipped: this machine has a printer set up"
    exit 0
fi

# "Print and Capture" into BMP files, the window shown at the start.
python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<16i", 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 27, 0))' \
    >"$work/karvin.cfg"
visible_karvin() { xdotool search --onlyvisible --name '^Karvin$'; }
# Any message box of Karvin's ("Error" is the printer's).
message_box() { xdotool search --onlyvisible --name '^(Error|Warning|Information)$'; }

"$karvin" &
pids+=($!)
wait_for 10 visible_karvin || fail "the window was not shown"
sleep 0.5

echo "a capture to print is stored without a message box"
"$karvin" trigger || fail "karvin trigger failed"
wait_for 10 test -e "$work/pic1.bmp" || fail "the capture was not stored"
sleep 1.5
if message_box >/dev/null; then
    fail "a message box stopped the capture: $(message_box | xargs -r -n1 xdotool getwindowname)"
fi
shot=$output/no_printer_notice.png
import -window root "$shot"
echo "screenshot: $shot"

echo "the next capture is stored too, still without a message box"
"$karvin" trigger || fail "karvin trigger failed"
wait_for 10 test -e "$work/pic2.bmp" || fail "the second capture was not stored"
sleep 1.5
if message_box >/dev/null; then
    fail "a message box stopped the second capture"
fi
echo ok
