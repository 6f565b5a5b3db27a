#!/usr/bin/env bash
# The real karvin on its own X server (window manager and tray):
#  - a first start with an empty cache folder creates ~/.cache/karvin (0700) with the
#    64-byte default karvin.cfg and shows the window two seconds later;
#  - a second start shows "Warning" (answered here with Return) and ends, while the first,
#    waiting in the tray, comes to the front;
#  - closing the window ends the program and leaves only the settings files;
#  - a lock file put in place by someone else (here a link) refuses the start with "Error"
#    instead of letting a second karvin run unguarded;
#  - "karvin trigger" sends nothing to a socket that another user made first, and ends with 1;
#    nor, without XDG_RUNTIME_DIR, does it use a /tmp/karvin-<uid> that another user made
#    (both as root, which can act as another user).
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
# StartMinimized 1, NoMinimize 0: the first instance keeps only its tray icon. "Capture
# Only" into BMP files: sixteen 32-bit fields.
for field in 0 2 1 0 0 0 1 0 0 1 0 1 1 0 27 0; do
    printf "\\x$(printf %02x "$field")\\0\\0\\0"
done >"$work/karvin.cfg"
: >"$work/pic1.png"
"$karvin" &
first=$!
pids+=("$first")
# The window would be shown two seconds after the start, by a timer started before the
# program listens for requests. A capture asked for two seconds after it listens is handled
# once that timer is due: when it has been stored, the start is over.
wait_for 10 test -S "$XDG_RUNTIME_DIR/Karvin By Morvane.$(id -u)" || fail "the first karvin does not listen"
sleep 2
"$karvin" trigger || fail "trigger ended with $?"
wait_for 10 bash -c "ls '$work'/pic*.bmp" || fail "the tray-only karvin stored no capture"
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

echo "a lock file that is a link refuses the start"
# The lock file of the ended instances stays; someone replaces it by a link.
lock="$XDG_RUNTIME_DIR/Karvin By Morvane.$(id -u).lock"
rm "$lock"
ln -s "$scratch/elsewhere.lock" "$lock"
"$karvin" 2>"$scratch/err.txt" &
refused=$!
pids+=("$refused")
wait_for 10 xdotool search --onlyvisible --name '^Error$' || fail "no \"Error\" box appeared"
box=$(xdotool search --onlyvisible --name '^Error$' | head -n 1)
xdotool windowactivate --sync "$box" key Return
status=0
wait_exit "$refused" 10 || status=$?
[[ $status == 1 ]] || fail "the refused start ended with status $status"
grep -q 'is a symbolic link' "$scratch/err.txt" || fail "the refusal said: $(cat "$scratch/err.txt")"
[[ ! -e $scratch/elsewhere.lock ]] || fail "the lock was made where the link points"
rm "$lock"

if ((EUID != 0)); then
    echo "(not root: the cases of another user's socket and folder need root)"
    echo "ok"
    exit 0
fi

echo "karvin trigger into a socket another user made first"
# A runtime folder everyone may write into, as /tmp; the squatter answers as karvin would.
chmod 711 "$scratch"
shared=$scratch/shared-run
mkdir -m 1777 "$shared"
socket="$shared/Karvin By Morvane.$(id -u)"
setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 - "$socket" \
    "$shared/received" <<'EOF' &
import socket, sys
server = socket.socket(socket.AF_UNIX)
server.bind(sys.argv[1])
server.listen(1)
client, _ = server.accept()
received = b""
try:
    client.sendall(b"ok\n")  # trigger may have hung up already
    client.settimeout(2)
    while chunk := client.recv(64):
        received += chunk
except OSError:
    pass
open(sys.argv[2], "wb").write(received)
EOF
squatter=$!
pids+=("$squatter")
wait_for 10 test -S "$socket" || fail "the squatter did not listen"
status=0
XDG_RUNTIME_DIR=$shared "$karvin" trigger 2>"$scratch/err.txt" || status=$?
[[ $status == 1 ]] || fail "trigger into another user's socket ended with $status"
grep -q 'belongs to a process of another user (uid 65534)' "$scratch/err.txt" ||
    fail "trigger said: $(cat "$scratch/err.txt")"
wait "$squatter" || fail "the squatter failed"
[[ -e $shared/received && ! -s $shared/received ]] ||
    fail "the squatter received: $(cat "$shared/received" 2>/dev/null)"

echo "karvin trigger without XDG_RUNTIME_DIR, /tmp/karvin-<uid> made by another user"
# A user without an account, so that no real user's folder is touched.
uid=54321
folder=/tmp/karvin-$uid
rm -rf "$folder"
setpriv --reuid=65534 --regid=65534 --clear-groups mkdir -m 700 "$folder"
status=0
env -u XDG_RUNTIME_DIR setpriv --reuid=$uid --regid=$uid --clear-groups \
    "$karvin" trigger 2>"$scratch/err.txt" || status=$?
rm -rf "$folder"
[[ $status == 1 ]] || fail "trigger beside another user's folder ended with $status"
grep -q "\"$folder\": it belongs to another user" "$scratch/err.txt" ||
    fail "trigger said: $(cat "$scratch/err.txt")"
echo "ok"
