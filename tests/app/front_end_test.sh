#!/usr/bin/env bash
# The front end "karvin": it runs the image commands, --help and --version without the
# toolkit (none of its libraries is even loaded), also with the desktop program gone, and
# hands every other command line to the desktop program beside it unchanged, in the same
# process.
set -euo pipefail

bin=${KARVIN_BIN_DIR:?}
source "${KARVIN_SOURCE_DIR:?}/tests/scripts/script_support.sh"
export HOME=$scratch/home
export XDG_CACHE_HOME=$scratch/cache
mkdir -p "$HOME"
cd "$scratch"

echo "the front end links none of the toolkit's libraries"
# Neither Qt nor what Qt draws and talks through: X11 and its extensions, OpenGL, the input
# and session libraries. FreeType and fontconfig may be there: the image layer draws text on
# images with them.
libraries=$(ldd "$bin/karvin")
forbidden='libQt|libX[a-zA-Z0-9]*\.so|libxcb|libxkb|libGL|libEGL|libOpenGL|libglib|libgobject|libgthread|libdbus|libharfbuzz|libicu|libsystemd|libudev|libmtdev|libinput|libpcre2-16'
if grep -E "$forbidden" <<<"$libraries"; then
    fail "karvin links the libraries above"
fi
grep -q libQt6Widgets <<<"$(ldd "$bin/karvin-desktop")" ||
    fail "the desktop program does not link Qt: is the test looking at the right files?"

echo "the image commands work with the desktop program absent"
mkdir alone
cp "$bin/karvin" alone/
/usr/bin/convert -size 9x5 xc:red in.png
alone/karvin --version | grep -Eqx 'karvin [0-9.]+' || fail "--version: $(alone/karvin --version)"
alone/karvin --help >help.txt || fail "--help ended with $?"
alone/karvin -h | cmp -s - help.txt || fail "-h and --help differ"
# Every command is listed, also those that the desktop program runs.
for command in --help --version capture trigger transform print convert info; do
    grep -q "^ *\(Usage: \)\?karvin $command\b" help.txt || fail "--help does not list $command"
done
alone/karvin convert in.png out.bmp || fail "convert ended with $?"
alone/karvin info out.bmp | grep -qx "Width: 9" || fail "info: $(alone/karvin info out.bmp)"
alone/karvin transform out.bmp flipped.png flip-h gray || fail "transform ended with $?"
mkdir batch
alone/karvin convert in.png out.bmp batch --format gif >/dev/null || fail "batch ended with $?"
[[ -s batch/in.gif && -s batch/out.gif ]] || fail "the batch wrote: $(ls batch)"
status=0
alone/karvin capture 2>err.txt || status=$?
[[ $status == 1 ]] || fail "capture without the desktop program ended with $status"
grep -q "karvin: cannot start $scratch/alone/karvin-desktop: " err.txt ||
    fail "capture without the desktop program said: $(cat err.txt)"

echo "everything else goes to the desktop program, in the same process"
# A stand-in desktop program that says who it is and what it was given, one argument a line.
mkdir stand-in
cp "$bin/karvin" stand-in/
cat >stand-in/karvin-desktop <<'SCRIPT'
#!/usr/bin/env bash
echo "pid $$"
for argument in "$@"; do echo "[$argument]"; done
SCRIPT
chmod +x stand-in/karvin-desktop
# expect_handed_over ARGUMENT...: karvin with these arguments must become the stand-in, with
# the same process id and the arguments as they were.
expect_handed_over() {
    local expected=
    (($# == 0)) || expected=$(printf '[%s]\n' "$@")
    # shellcheck disable=SC2016
    bash -c 'echo "pid $$"; exec "$0" "$@"' stand-in/karvin "$@" >handed.txt ||
        fail "karvin $* ended with $?"
    local first second
    first=$(sed -n 1p handed.txt)
    second=$(sed -n 2p handed.txt)
    [[ $first == "$second" && $first == pid* ]] || fail "karvin $*: another process ($first, $second)"
    [[ $(tail -n +3 handed.txt) == "$expected" ]] ||
        fail "karvin $* handed over: $(tail -n +3 handed.txt)"
}
expect_handed_over
expect_handed_over capture window -o 'a file.png'
expect_handed_over trigger
expect_handed_over print --pdf out.pdf in.png
expect_handed_over -platform offscreen
expect_handed_over frobnicate ''
# What the front end runs itself never reaches it.
stand-in/karvin --version | grep -q '^karvin ' || fail "--version was handed over"
stand-in/karvin info in.png | grep -qx 'Width: 9' || fail "info was handed over"

echo "the real desktop program takes the commands it is given"
status=0
"$bin/karvin" frobnicate 2>err.txt || status=$?
[[ $status == 2 ]] || fail "an unknown command ended with $status"
grep -qx 'karvin: unknown command "frobnicate"; see karvin --help' err.txt ||
    fail "an unknown command said: $(cat err.txt)"
status=0
env -u DISPLAY "$bin/karvin" print --layout nowhere in.png 2>err.txt || status=$?
[[ $status == 2 ]] || fail "print with a wrong layout ended with $status"
grep -q "nowhere" err.txt || fail "print with a wrong layout said: $(cat err.txt)"
echo ok
