#!/usr/bin/env bash
# A 1920x1080 screen into a file from the command line, whole process, start-up included:
# "karvin capture full" to PNG beside scrot, and to BMP beside ImageMagick's
# "import -window root", on a private Xvfb showing each benchmark screen in turn (the
# terminal full of text and the photograph of bench/bench_screens.h), all in one run.
#
# The four commands take turns, run after run, so that a machine that gets busier meanwhile
# slows each of them alike. Each time is the median wall time of N runs (KARVIN_COMPARE_RUNS,
# 9 unless set) in milliseconds, each memory figure the largest resident size of one more run
# in MiB; the ratios are Karvin's over the other program's. The files written are checked to
# hold the same pixels. Set KARVIN_COMPARE_SCREENS to choose screens ("terminal photo").
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} != --inside ]]; then
    exec tests/scripts/with-xvfb --wm --size 1920x1080x24 -- bash "$0" --inside
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Karvin's settings as they are on a first start.
export XDG_CACHE_HOME=$work/cache
karvin=$PWD/build-bench/bin/karvin
codecs_bench=$PWD/build-bench/bin/codecs_bench
cd "$work"

runs=${KARVIN_COMPARE_RUNS:-9}
names=("Karvin PNG" "scrot PNG" "Karvin BMP" "import BMP")
files=(k.png s.png k.bmp i.bmp)
commands=("$karvin capture full -o k.png" "scrot -o s.png" "$karvin capture full -o k.bmp"
    "/usr/bin/import -window root i.bmp")

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for screen in ${KARVIN_COMPARE_SCREENS:-terminal photo}; do
    "$codecs_bench" --write-screen="$screen:$work/$screen.bmp" 2>/dev/null
    # display ends with status 1 even when it has put the picture there: the screen is asked.
    /usr/bin/display -window root "$work/$screen.bmp" 2>/dev/null || true
    /usr/bin/import -window root shown.png
    shown=$(/usr/bin/compare -metric AE "$screen.bmp" shown.png null: 2>&1) || true
    [[ $shown == 0 ]] || echo "capture_compare: the screen does not show $screen ($shown)" >&2

    declare -a times=() memory=()
    for ((c = 0; c < ${#commands[@]}; c++)); do times[c]=""; done
    for ((run = 0; run < runs; run++)); do
        for ((c = 0; c < ${#commands[@]}; c++)); do
            rm -f "${files[c]}"
            start=$(date +%s%N)
            ${commands[c]} >/dev/null 2>&1
            end=$(date +%s%N)
            [[ -s ${files[c]} ]] || {
                echo "capture_compare: \"${commands[c]}\" wrote no ${files[c]}" >&2
                exit 1
            }
            times[c]+="$(((end - start) / 1000)) "
        done
    done
    echo
    printf '%-10s %-11s %10s %10s %10s\n' "$screen" "" "median ms" "peak MiB" "file KiB"
    declare -a medians=()
    for ((c = 0; c < ${#commands[@]}; c++)); do
        medians[c]=$(tr ' ' '\n' <<<"${times[c]}" | grep . | median)
        memory[c]=$(/usr/bin/time -f %M ${commands[c]} 2>&1 >/dev/null | tail -n 1)
        printf '%-22s %10s %10s %10s\n' "${names[c]}" \
            "$(awk -v t="${medians[c]}" 'BEGIN { printf "%.1f", t / 1000 }')" \
            "$(awk -v k="${memory[c]}" 'BEGIN { printf "%.1f", k / 1024 }')" \
            "$(($(stat -c %s "${files[c]}") / 1024))"
    done
    echo "PNG, Karvin / scrot:  time $(ratio "${medians[0]}" "${medians[1]}")," \
        "memory $(ratio "${memory[0]}" "${memory[1]}")"
    echo "BMP, Karvin / import: time $(ratio "${medians[2]}" "${medians[3]}")," \
        "memory $(ratio "${memory[2]}" "${memory[3]}")"

    for file in s.png k.bmp i.bmp; do
        differing=$(/usr/bin/compare -metric AE k.png "$file" null: 2>&1) || true
        [[ $differing == 0 ]] ||
            echo "capture_compare: k.png and $file differ in $differing pixels" >&2
    done
done
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
