#!/usr/bin/env bash
# The mailer beside karvin: rovuzir reads "attach.dat" from the working folder and hands the
# images that still exist to `xdg-email --attach`; what it cannot mail it names and leaves out.
# A recording xdg-email stands in for the desktop's mail composer.
set -euo pipefail
rovuzir=${KARVIN_BIN_DIR:?}/rovuzir
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No display: the reports go to standard error only.
unset DISPLAY WAYLAND_DISPLAY
export XDG_CACHE_HOME=$work/cache
mkdir -p -m 700 "$work/cache/karvin" "$work/bin" "$work/pictures"
list=$work/cache/karvin/attach.dat

fail() { echo "FAIL: $*"; exit 1; }
# xdg-email that records its arguments, one a line, and ends with code $1.
composer() {
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s"\nexit %s\n' "$work/args" "$1" > "$work/bin/xdg-email"
    chmod 700 "$work/bin/xdg-email"
}
# Runs rovuzir; its exit code in $code, its standard error in $work/err.
run() {
    rm -f "$work/args"
    code=0
    PATH="$work/bin:$PATH" "$rovuzir" 2> "$work/err" || code=$?
}

a="$work/pictures/pic1.bmp"
b="$work/pictures/my pictures -x.png"
c="$work/pictures/pic3.gif"
touch "$a" "$b" "$c"

# Three images: all three attached, in the list's order.
composer 0
printf '%s\r\n' "$a" "$b" "$c" > "$list"
run
[[ $code == 0 ]] || fail "three images: code $code, $(cat "$work/err")"
[[ $(cat "$work/args") == $(printf '%s\n' --attach "$a" --attach "$b" --attach "$c") ]] ||
    fail "three images: $(cat "$work/args")"

# An image deleted since: the others go, and the missing one is named.
rm "$b"
run
[[ $code == 1 ]] || fail "one missing: code $code"
[[ $(cat "$work/args") == $(printf '%s\n' --attach "$a" --attach "$c") ]] ||
    fail "one missing: $(cat "$work/args")"
grep -qF "$b (no longer exists)" "$work/err" || fail "one missing: $(cat "$work/err")"

# Nothing that can be mailed: no mail at all.
printf '%s\r\n' "$b" "relative/pic.png" "$work/pictures" "/tmp/bell$(printf '\a').png" > "$list"
run
[[ $code == 1 && ! -e $work/args ]] || fail "nothing to mail: code $code, mail started"
for line in "$b (no longer exists)" "relative/pic.png (not a full path)" \
    "$work/pictures (not a file)" "/tmp/bell?.png (not a file name)" "Nothing was mailed."; do
    grep -qF "$line" "$work/err" || fail "nothing to mail: no \"$line\" in $(cat "$work/err")"
done

# No list, an empty one, one too large to be a list.
for content in none empty large; do
    rm -f "$list"
    case $content in
    empty) : > "$list" ;;
    large) head -c 2000000 /dev/zero | tr '\0' '/' > "$list" ;;
    esac
    run
    [[ $code == 1 && ! -e $work/args ]] || fail "$content list: code $code"
    grep -q "There is nothing to mail" "$work/err" || fail "$content list: $(cat "$work/err")"
done

# A composer that fails, and none at all.
printf '%s\r\n' "$a" > "$list"
composer 3
run
[[ $code == 1 ]] || fail "composer failing: code $code"
grep -q "xdg-email ended with code 3" "$work/err" || fail "composer failing: $(cat "$work/err")"
rm "$work/bin/xdg-email"
code=0
PATH="$work/bin" "$rovuzir" 2> "$work/err" || code=$?
[[ $code == 1 ]] || fail "no composer: code $code"
grep -q "xdg-email (xdg-utils) is not installed" "$work/err" || fail "no composer: $(cat "$work/err")"
echo "rovuzir: all cases passed"
