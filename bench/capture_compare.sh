#!/usr/bin/env bash
# A 1920x1080 screen into a file from the command line: "karvin capture full" beside
# ImageMagick's "import -window root" and scrot, on the same screen (the screenshot-like
# picture of codecs_bench on the root window of a private Xvfb), in the same run. Each figure
# is the wall time of the whole command, start-up included, in milliseconds: the best and the
# average of N runs (KARVIN_COMPARE_RUNS, 10 unless set). The files written are checked to
# hold the same pixels.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} != --inside ]]; then
    exec tests/scripts/with-xvfb --wm --size 1920x1080x24 -- bash "$0" --inside
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build-bench/bin/codecs_bench --write-screenshot="$work/screenshot.bmp"
# display ends with status 1 even when it has put the picture there: the screen is asked.
/usr/bin/display -window root "$work/screenshot.bmp" || true
/usr/bin/import -window root "$work/root.png"
shown=$(/usr/bin/compare -metric AE "$work/screenshot.bmp" "$work/root.png" null: 2>&1) || true
[[ $shown == 0 ]] || echo "capture_compare: the screen does not show the picture ($shown)" >&2
# Karvin's settings as they are on a first start.
export XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=xcb
karvin=$PWD/build-bench/bin/karvin
cd "$work"

runs=${KARVIN_COMPARE_RUNS:-10}
# measure FILE COMMAND...: "best average" in milliseconds; FILE is removed before each run
# and must be there after it.
measure() {
    local file=$1
    shift
    local best= total=0 start end elapsed
    for ((i = 0; i < runs; i++)); do
        rm -f "$file"
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        [[ -s $file ]] || {
            echo "capture_compare: \"$*\" wrote no $file" >&2
            exit 1
        }
        elapsed=$(((end - start) / 1000))
        total=$((total + elapsed))
        if [[ -z $best ]] || ((elapsed < best)); then best=$elapsed; fi
    done
    printf '%d.%d %d.%d' $((best / 1000)) $((best % 1000 / 100)) \
        $((total / runs / 1000)) $((total / runs % 1000 / 100))
}

printf '%-14s %10s %10s   %s\n' "" "best ms" "mean ms" "command"
report() { # report NAME FILE COMMAND...
    local name=$1 file=$2
    shift 2
    local best mean
    read -r best mean <<<"$(measure "$file" "$@")"
    printf '%-14s %10s %10s   %s\n' "$name" "$best" "$mean" "${*/#$karvin/karvin}"
}
report "Karvin PNG" k.png "$karvin" capture full -o k.png
report "import PNG" i.png /usr/bin/import -window root i.png
report "scrot PNG" s.png scrot s.png
report "Karvin BMP" k.bmp "$karvin" capture full -o k.bmp
report "import BMP" i.bmp /usr/bin/import -window root i.bmp

for file in i.png s.png k.bmp; do
    differing=$(/usr/bin/compare -metric AE k.png "$file" null: 2>&1) || true
    [[ $differing == 0 ]] || echo "capture_compare: k.png and $file differ in $differing pixels" >&2
done
