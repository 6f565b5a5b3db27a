#!/usr/bin/env bash
# The real karvin on its own X server, ended by the session: SIGTERM (logout, "kill") and
# SIGHUP each end it in order, without a question, with exit code 0. The captures of the run
# and those an earlier run left stay in the working folder for the next start; the scratch
# files of the program's steps and the temporary files of writes cut short go.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
unset XDG_CACHE_HOME
work=$HOME/.cache/karvin
mkdir -p "$work" && chmod 700 "$work"

# "Capture Only" into BMP files, the window shown at the start, leaving asks first.
python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<16i", 0, 2, 1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0, 27, 0))' \
    >"$work/karvin.cfg"
visible_karvin() { xdotool search --onlyvisible --name '^Karvin$'; }
files() { ls -A "$work" | sort | xargs; }

for signal in TERM HUP; do
    echo "ended by SIG$signal"
    /usr/bin/convert -size 20x20 xc:red "BMP3:$work/pic1.bmp"
    "$karvin" &
    pid=$!
    pids+=("$pid")
    wait_for 10 visible_karvin || fail "the window was not shown"
    # Started through the front end, the tray program is that process under that name.
    pgrep -x karvin | grep -qx "$pid" || fail "pgrep -x karvin does not find the program"
    pidof karvin | tr ' ' '\n' | grep -qx "$pid" || fail "pidof karvin does not find the program"
    "$karvin" trigger || fail "karvin trigger failed"
    wait_for 10 test -e "$work/pic2.bmp" || fail "the capture was not stored"
    # Scratch files as the program's steps leave them, and a write cut short.
    for name in del1.jpg scr1.bmp big.bmp texttemp.txt attach.dat tmppath.dat; do
        : >"$work/$name"
    done
    : >"$work/.karvin-write-k7Xq2a"
    sleep 0.5

    kill -s "$signal" "$pid"
    wait_for 10 bash -c "! kill -0 $pid" || fail "SIG$signal did not end karvin"
    status=0
    wait "$pid" || status=$?
    [[ $status == 0 ]] || fail "SIG$signal: exit code $status"
    xdotool search --onlyvisible --name '^Karvin$' >/dev/null && fail "a question was asked"
    [[ $(files) == "karvin.cfg pic1.bmp pic2.bmp" ]] || fail "SIG$signal left: $(files)"
    rm "$work/pic1.bmp" "$work/pic2.bmp"
done
echo ok
