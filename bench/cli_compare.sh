#!/usr/bin/env bash
# Karvin's image commands beside vips and ImageMagick, whole process (start-up, reading,
# the work, writing), same machine, same run, same 1920x1080 photo-like picture.
#
#   KARVIN=path/to/karvin bench/cli_compare.sh     (default: build-bench/bin/karvin of this tree)
#
# Each figure is the best wall time of N runs (KARVIN_COMPARE_RUNS, 7 unless set) in
# milliseconds; the three programs take turns run after run, so that a machine that gets
# busier meanwhile slows each of them alike. The ratios are Karvin's time over the other's
# (below 1 is faster). Karvin reads and writes BMP, ImageMagick BMP too; vips reads and writes
# PPM, its fastest plain format (it has no BMP writer of its own).
#
# The pairing of the commands:
#   info            karvin info           vipsheader                identify
#   convert         karvin convert        vips copy                 convert
#   Lanczos3 1/2,2x transform resample:WxH:Lanczos3
#                                         vips resize --kernel lanczos3
#                                                                   -filter Lanczos -resize WxH!
#   rotate 30       transform rotate:30   vips rotate 330 (white)   -background white -rotate 30
#                   (all three clockwise: vips turns anticlockwise, hence 330)
#   sharpen         transform sharpen     vips conv, the same 3x3 integer mask (centre 37 over 25)
#                                                                   -convolve with that mask
#   256 colours     transform convert:color256:optimise
#                                         (vips has no palette reduction of its own)
#                                                                   +dither -colors 256
# Where vips has no equal the vips column is empty and Karvin is compared with ImageMagick.
# vips comes from the Debian package libvips-tools, installed here when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
karvin=${KARVIN:-$root/build-bench/bin/karvin}
karvin=$(realpath "$karvin")
[[ -x $karvin ]] || {
    echo "cli_compare: no Karvin at $karvin (build it: bench/run, or set KARVIN)" >&2
    exit 1
}
magick=/usr/bin/convert
[[ -x $magick ]] || {
    echo "cli_compare: ImageMagick ($magick) is missing" >&2
    exit 1
}
if ! command -v vips >/dev/null; then
    sudo=
    ((EUID == 0)) || sudo=sudo
    for attempt in 1 2 3 4 5; do
        $sudo apt-get install -y libvips-tools >/dev/null && break
        sleep 5 # the package manager's lock may be held by another install
    done
    command -v vips >/dev/null || {
        echo "cli_compare: vips could not be installed (libvips-tools)" >&2
        exit 1
    }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Nothing of the user's settings or captures is read or written.
export XDG_CACHE_HOME=$work/cache
runs=${KARVIN_COMPARE_RUNS:-7}

# The photograph of the benchmark screens when the benchmark programs are beside Karvin,
# else a fixed fractal, which has a photograph's smooth gradients and noise.
codecs_bench=$(dirname "$karvin")/codecs_bench
if [[ -x $codecs_bench ]] && "$codecs_bench" --write-screen="photo:$work/x.bmp" 2>/dev/null; then
    picture="the photograph of bench/bench_screens.h"
else
    "$magick" -seed 7 -size 1920x1080 plasma:fractal -type TrueColor x.bmp
    picture="a plasma fractal (seed 7)"
fi
"$magick" x.bmp x.ppm
cat >sharpen.mat <<'EOF'
3 3 25 0
-1 -2 -1
-2 37 -2
-1 -2 -1
EOF

best_ms() { tr ' ' '\n' | grep . | sort -n | head -n 1 | awk '{ printf "%.1f", $1 / 1000 }'; }
ratio() {
    [[ -n $1 && -n $2 ]] || return 0
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

# Runs each of the (up to three) commands of a row N times in turn and prints the row.
# Arguments: the row's name, then the Karvin, vips and ImageMagick command ("" where none).
row() {
    local name=$1
    shift
    local commands=("$@") times=("" "" "") c run start end
    # One untimed run each first, so that every program starts from the page cache.
    for ((c = 0; c < 3; c++)); do
        [[ -z ${commands[c]} ]] || eval "${commands[c]}" >/dev/null 2>&1 || true
    done
    for ((run = 0; run < runs; run++)); do
        for ((c = 0; c < 3; c++)); do
            [[ -n ${commands[c]} ]] || continue
            start=$(date +%s%N)
            if ! eval "${commands[c]}" >/dev/null 2>"$work/err"; then
                echo "cli_compare: \"${commands[c]}\" failed: $(head -n 3 "$work/err")" >&2
                exit 1
            fi
            end=$(date +%s%N)
            times[c]+="$(((end - start) / 1000)) "
        done
    done
    local k v m
    k=$(best_ms <<<"${times[0]}")
    v=$([[ -z ${times[1]} ]] || best_ms <<<"${times[1]}")
    m=$([[ -z ${times[2]} ]] || best_ms <<<"${times[2]}")
    printf '%-22s %9s %9s %12s %12s %14s\n' "$name" "$k" "${v:--}" "${m:--}" \
        "$(r=$(ratio "$k" "$v"); echo "${r:--}")" "$(r=$(ratio "$k" "$m"); echo "${r:--}")"
}

K=$karvin
echo "Karvin:      $karvin"
echo "vips:        $(vips --version)"
echo "ImageMagick: $("$magick" -version | head -n 1)"
echo "picture:     $picture, 1920x1080; best of $runs runs, wall time in ms"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) processors)"
echo
printf '%-22s %9s %9s %12s %12s %14s\n' "command" "Karvin" "vips" "ImageMagick" \
    "Karvin/vips" "Karvin/IMagick"
row "--version" "$K --version" "" ""
row "info" "$K info x.bmp" "vipsheader x.ppm" "/usr/bin/identify x.bmp"
row "convert BMP->BMP" "$K convert x.bmp k.bmp" "vips copy x.ppm v.ppm" "$magick x.bmp m.bmp"
row "convert BMP->PNG" "$K convert x.bmp k.png" "vips copy x.ppm v.png" "$magick x.bmp m.png"
row "Lanczos3 to 1/2" "$K transform x.bmp k.bmp resample:960x540:Lanczos3" \
    "vips resize x.ppm v.ppm 0.5 --kernel lanczos3" \
    "$magick x.bmp -filter Lanczos -resize '960x540!' m.bmp"
row "Lanczos3 to 2x" "$K transform x.bmp k.bmp resample:3840x2160:Lanczos3" \
    "vips resize x.ppm v.ppm 2 --kernel lanczos3" \
    "$magick x.bmp -filter Lanczos -resize '3840x2160!' m.bmp"
row "rotate 30" "$K transform x.bmp k.bmp rotate:30" \
    "vips rotate x.ppm v.ppm 330 --background '255 255 255'" \
    "$magick x.bmp -background white -rotate 30 m.bmp"
row "sharpen" "$K transform x.bmp k.bmp sharpen" \
    "vips conv x.ppm v.ppm sharpen.mat --precision integer" \
    "$magick x.bmp -define convolve:scale=! -convolve '-1,-2,-1,-2,37,-2,-1,-2,-1' m.bmp"
row "256 colours" "$K transform x.bmp k.bmp convert:color256:optimise" "" \
    "$magick x.bmp +dither -colors 256 m.bmp"
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
