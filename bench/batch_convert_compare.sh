#!/usr/bin/env bash
# 200 BMP captures of 1920x1080 to PNG, whole processes: "karvin convert SRC... DIR --format
# png" beside ImageMagick's "mogrify -path DIR -format png SRC...", on the same files in the
# same run. The sources are the benchmark screens of bench/bench_screens.h (a desktop, a
# terminal full of text, a photograph) in turn.
#
# The two commands take turns, run after run, so that a machine that gets busier meanwhile
# slows both alike. Each time is the median wall time of N runs (KARVIN_COMPARE_RUNS, 3 unless
# set); the ratio is Karvin's over mogrify's. KARVIN_COMPARE_FILES sets the number of files.
# The files written are checked to hold the same pixels.
set -euo pipefail
cd "$(dirname "$0")/.."
karvin=$PWD/build-bench/bin/karvin
codecs_bench=$PWD/build-bench/bin/codecs_bench
work=$(mktemp -d "${TMPDIR:-/tmp}/karvin-batch-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

runs=${KARVIN_COMPARE_RUNS:-3}
count=${KARVIN_COMPARE_FILES:-200}
mkdir in
screens=(desktop terminal photo)
for screen in "${screens[@]}"; do
    "$codecs_bench" --write-screen="$screen:$work/$screen.bmp" 2>/dev/null
done
for ((i = 0; i < count; i++)); do
    cp "${screens[i % 3]}.bmp" "in/shot$i.bmp"
done
sync

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
karvin_times="" mogrify_times=""
for ((run = 0; run < runs; run++)); do
    rm -rf k m && mkdir k m
    start=$(date +%s%N)
    "$karvin" convert in/*.bmp k --format png >/dev/null
    end=$(date +%s%N)
    karvin_times+="$(((end - start) / 1000000)) "
    start=$(date +%s%N)
    /usr/bin/mogrify -path m -format png in/*.bmp
    end=$(date +%s%N)
    mogrify_times+="$(((end - start) / 1000000)) "
done
[[ $(ls k | wc -l) == "$count" && $(ls m | wc -l) == "$count" ]] || {
    echo "batch_convert_compare: a command did not write every file" >&2
    exit 1
}
for i in 0 1 2; do
    differing=$(/usr/bin/compare -metric AE "k/shot$i.png" "m/shot$i.png" null: 2>&1) || true
    [[ $differing == 0 ]] || echo "batch_convert_compare: shot$i.png differs in $differing pixels" >&2
done

karvin_median=$(tr ' ' '\n' <<<"$karvin_times" | grep . | median)
mogrify_median=$(tr ' ' '\n' <<<"$mogrify_times" | grep . | median)
printf '%-44s %10s %12s\n' "$count files of 1920x1080, BMP to PNG" "median ms" "output MiB"
printf '%-44s %10s %12s\n' "karvin convert ... --format png" "$karvin_median" "$(du -sm k | cut -f1)"
printf '%-44s %10s %12s\n' "mogrify -format png" "$mogrify_median" "$(du -sm m | cut -f1)"
echo "Karvin / mogrify, time: $(awk -v a="$karvin_median" -v b="$mogrify_median" \
    'BEGIN { printf "%.2f", a / b }') (runs: karvin $karvin_times/ mogrify $mogrify_times)"
