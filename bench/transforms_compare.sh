#!/usr/bin/env bash
# ImageMagick doing the work of transforms_bench on the same 1920 x 1080 picture, limited to
# one thread (-limit thread 1) like the benchmark's one-thread runs (/1). Each figure is the
# CPU time (user + system) of the whole command, best of five runs, so that other work on the machine weighs as little
# as on the benchmark's CPU column; beside it the same less the best time of only reading the
# picture, which compares with the benchmark (it does no file work).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=$work/screenshot.bmp
KARVIN_BENCH_SAVE_INPUT=$input build-bench/bin/transforms_bench

best_ms() {
    local best=
    for _ in 1 2 3 4 5; do
        local times user system elapsed
        times=$({ TIMEFORMAT='%3U %3S'; time /usr/bin/convert -limit thread 1 "$input" "$@" null: 2>/dev/null; } 2>&1)
        read -r user system <<<"$times"
        elapsed=$((10#${user/./} + 10#${system/./}))
        if [[ -z $best ]] || ((elapsed < best)); then best=$elapsed; fi
    done
    echo "$best"
}

read_ms=$(best_ms)
printf '%-22s %8s %16s   %s\n' "ImageMagick" "CPU ms" "less reading" "command"
report() {
    local name=$1
    shift
    local ms
    ms=$(best_ms "$@")
    printf '%-22s %8d %16d   convert %s\n' "$name" "$ms" "$((ms - read_ms))" "$*"
}
printf '%-22s %8d %16s   convert (read only)\n' "Read" "$read_ms" "-"
report Lanczos3Half -filter Lanczos -resize '960x540!'
report Lanczos3Double -filter Lanczos -resize '3840x2160!'
report Colors256 +dither -colors 256
report Colors256Dithered -dither FloydSteinberg -colors 256
report Rotate30 -background white -rotate 30
report Sharpen3x3 -define convolve:scale=! -convolve '-1,-2,-1,-2,37,-2,-1,-2,-1'
