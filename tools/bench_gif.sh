#!/usr/bin/env bash
# Times tovak_gif against GIFLIB's gif2rgb (package giflib-tools) on a large GIF.
#
#   tools/bench_gif.sh [BUILD_DIR [REPETITIONS [WIDTH HEIGHT]]]
#
# BUILD_DIR holds tovak_gif and gif_make_bench (default: build/host below the repository);
# build it without sanitizers for meaningful numbers. Both programs convert the same picture
# (default 4000 x 3000) into a file of RGB bytes; their outputs are compared first, then each
# runs REPETITIONS times (default 5), alternating. Prints the best and mean wall time of each
# and the ratio tovak_gif / gif2rgb (below 1 means tovak_gif is faster).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/host}
reps=${2:-5}
width=${3:-4000}
height=${4:-3000}

tovak=$build/tovak_gif
maker=$build/gif_make_bench
for program in "$tovak" "$maker"; do
    [[ -x $program ]] || { echo "bench_gif: $program not found (build the gifconv targets)" >&2; exit 1; }
done
gif2rgb=$(command -v gif2rgb) || { echo "bench_gif: gif2rgb not found (giflib-tools)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$maker" "$work/bench.gif" "$width" "$height"
echo "picture: ${width} x ${height}, $(stat -c %s "$work/bench.gif") bytes of GIF"

# Same pixels from both: tovak_gif's stream is a 256-byte header, then the RGB bytes.
"$tovak" "$work/bench.gif" >"$work/tovak.raw"
"$gif2rgb" -1 -o "$work/gif2rgb.rgb" "$work/bench.gif"
if ! tail -c +257 "$work/tovak.raw" | cmp -s - "$work/gif2rgb.rgb"; then
    echo "bench_gif: the outputs differ" >&2
    exit 1
fi

now_ns() { date +%s%N; }
declare -a t_tovak t_gif2rgb
for ((i = 0; i < reps; ++i)); do
    start=$(now_ns)
    "$tovak" "$work/bench.gif" >"$work/tovak.raw"
    t_tovak+=($(($(now_ns) - start)))
    start=$(now_ns)
    "$gif2rgb" -1 -o "$work/gif2rgb.rgb" "$work/bench.gif"
    t_gif2rgb+=($(($(now_ns) - start)))
done

# best and mean in milliseconds (3 decimals) of the given nanosecond values
stats() {
    printf '%s\n' "$@" | awk 'NR == 1 || $1 < best { best = $1 } { sum += $1 }
        END { printf "%.3f %.3f", best / 1e6, sum / NR / 1e6 }'
}
read -r tovak_best tovak_mean <<<"$(stats "${t_tovak[@]}")"
read -r rgb_best rgb_mean <<<"$(stats "${t_gif2rgb[@]}")"
echo "runs: $reps each"
printf 'tovak_gif: best %10.3f ms   mean %10.3f ms\n' "$tovak_best" "$tovak_mean"
printf 'gif2rgb:   best %10.3f ms   mean %10.3f ms\n' "$rgb_best" "$rgb_mean"
awk -v a="$tovak_best" -v b="$rgb_best" -v c="$tovak_mean" -v d="$rgb_mean" \
    'BEGIN { printf "ratio tovak_gif / gif2rgb: best %.3f   mean %.3f\n", a / b, c / d }'
