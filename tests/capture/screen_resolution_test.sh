#!/usr/bin/env bash
# The real karvin on a screen of 120 dots per inch (its size in millimetres says so): the
# captures of "karvin capture" and of the tray program ("karvin trigger") carry 120 dpi in
# BMP, JPEG, PNG and TIFF files, as "karvin info" reads them back.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
    exec "${KARVIN_SOURCE_DIR:?}/tests/scripts/with-xvfb" --wm --tray --size 1024x768x24 \
        --dpi 120 -- bash "$0" --inside
fi

export QT_QPA_PLATFORM=xcb
karvin=${KARVIN_BIN_DIR:?}/karvin
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache
work=$XDG_CACHE_HOME/karvin
mkdir -p "$HOME" "$work" "$scratch/here"
chmod 700 "$work"
cd "$scratch/here"

resolution_of() { "$karvin" info "$1" | grep '^Resolution:'; }
says_120() {
    [[ $(resolution_of "$1") == "Resolution: 120 x 120 dpi" ]] ||
        fail "$1 says $(resolution_of "$1")"
}

echo "karvin capture"
for file in shot.bmp shot.jpg shot.png shot.tif; do
    "$karvin" capture full -o "$file" >/dev/null
    says_120 "$file"
done

# "Capture Only" in the capture format given (DefaultFormat, the sixth field), everything else
# as the defaults: sixteen 32-bit fields.
put_settings() {
    for field in 0 2 1 0 0 "$1" 0 0 0 1 0 1 1 0 27 0; do
        printf "\\x$(printf %02x "$field")\\0\\0\\0"
    done >"$work/karvin.cfg"
}

echo "the tray program"
put_settings 0
"$karvin" &
pids+=($!)
wait_for 10 xdotool search --onlyvisible --name '^Karvin$' || fail "karvin's window did not appear"
# The settings are read at every capture: one format after the other.
for format in 0:bmp 2:jpg 4:png 6:tif; do
    put_settings "${format%%:*}"
    "$karvin" trigger || fail "trigger ended with $?"
    file=$work/pic1.${format##*:}
    wait_for 10 test -s "$file" || fail "the running karvin stored no $file"
    says_120 "$file"
done
echo "ok"
