#!/usr/bin/env bash
# Benchmarks of the TAPs in the emulator (a plain PC build, default build/host):
# - instructions the TAP itself spends (callgrind, counted in the TAP object alone, so the
#   emulator's own work is left out): per idle event with nothing to do, per key handed on,
#   per entry when the browser enters a folder of 20,000 files, and for one "v" in it; per file
#   when "Play all MP3 files" makes the playlist of 10,000 MP3 files in 100 folders (the scan,
#   the links, the first track and the redraw; libc's folder and link work is libc's);
# - the text viewer: instructions per line when it loads a text file of 100,000 lines (Max.
#   Text 20; half of the lines 80 characters long, measured and wrapped, half 30), and for one
#   "v" on that document and on one of 10 lines;
# - a web page of 1 MB shown through the lynx helper, timed from the key to the drawn page,
#   against lynx alone on the same file (medians of 5, same run);
# - copying a 512 MB file through the copy queue with idle events back to back, against cp of
#   the same size on the same file system, in the same run (best of three each).
# - the trim's .nav patch for |< on a navigation file of 1,000,000 32-byte entries: instructions
#   of the TAP code per entry (callgrind), and the whole patch (block I/O, synced) against cp +
#   sync of the same file (medians of five each, same run).
# - downloading a 50 MB file from a loopback server through the HTTP client against wget + sync
#   of the same file (median of five each), and how long a server that never answers holds it.
# usage: bench_tap.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/host}
tap=$build/tovakrc_tms.tap
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
tap_cost() { # mode n [TAP] -> instructions in the TAP object inside bench_loop
    local file=${3:-$tap}
    local name
    name=$(basename "$file" | sed 's/\./\\\\./g')
    valgrind --tool=callgrind --callgrind-out-file="$out/cg.$1" --toggle-collect=bench_loop \
        "$build/bench_tap" "$file" "$1" "$2" > /dev/null 2>&1
    awk -v PATTERN="$name\$" -f tools/bench/callgrind_object_cost.awk "$out/cg.$1"
}
n=2000
idle=$(tap_cost idle $n)
keys=$(tap_cost keys $n)
echo "idle event, nothing to do:  $((idle / n)) instructions in the TAP"
echo "key handed on (P+):         $((keys / n / 2)) instructions in the TAP per event (press or release)"
hd=$build/tovakrc_hd.tap
hd_idle=$(tap_cost idle $n "$hd")
hd_keys=$(tap_cost keys $n "$hd")
echo "HD TAP, idle event, nothing to do: $((hd_idle / n)) instructions in the TAP"
echo "HD TAP, key handed on (P+):        $((hd_keys / n / 2)) instructions in the TAP per event (press or release)"
files=20000
browse=$(tap_cost browse $files)
key=$(tap_cost browse_key $files)
echo "browser enters a folder of $files files: $((browse / files)) instructions per entry ($browse in all)"
echo "one v in that folder:       $key instructions in the TAP"
tracks=10000
playlist=$(tap_cost playlist $tracks)
echo "play all of $tracks MP3 files in 100 folders: $((playlist / tracks)) instructions per file ($playlist in all)"
lines=100000
load=$(tap_cost text_load $lines)
echo "viewer loads $lines lines:    $((load / lines)) instructions per line ($load in all;" \
    "title figures $("$build/bench_tap" "$tap" text_load $lines))"
echo "one v on that document:     $(tap_cost text_key $lines) instructions in the TAP"
echo "one v on 10 lines:          $(tap_cost text_key 10) instructions in the TAP"
read -r shown alone < <("$build/bench_tap" "$tap" lynx 1)
awk -v s="$shown" -v a="$alone" 'BEGIN {
    printf "1 MB web page through lynx: %.3f s to the drawn page; lynx alone %.3f s; ratio %.2f\n",
           s, a, s / a }'
channels=500
epg=$(tap_cost epg $channels)
epg_key=$(tap_cost epg_key $channels)
echo "EPG opens its channels list on $channels channels of 300 programmes: $epg instructions in the TAP"
echo "one v in that list:         $epg_key instructions in the TAP"
mb=512
head -c $((mb << 20)) /dev/zero > "$out/source.bin"
# The queue syncs each copied file to the disk before it counts it as done; cp leaves its data in
# the page cache, so cp is timed alone and followed by sync.
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a ? b : a) }'; }
best_cp=999999 best_cp_sync=999999 best_queue=999999
for i in 1 2 3; do
    rm -f "$out/target.bin"
    sync
    best_cp=$(min "$best_cp" "$( { /usr/bin/time -f %e cp "$out/source.bin" "$out/target.bin"; } 2>&1 )")
    rm -f "$out/target.bin"
    sync
    best_cp_sync=$(min "$best_cp_sync" \
        "$( { /usr/bin/time -f %e sh -c 'cp "$1" "$2" && sync' sh "$out/source.bin" "$out/target.bin"; } 2>&1 )")
    rm -f "$out/target.bin"
    sync
    best_queue=$(min "$best_queue" "$("$build/bench_tap" "$tap" copy $mb)")
done
awk -v cp="$best_cp" -v cps="$best_cp_sync" -v q="$best_queue" -v mb=$mb 'BEGIN {
    printf "copy %d MB: queue %.3f s (%.0f MB/s); cp %.3f s (%.0f MB/s), ratio %.2f; cp + sync %.3f s (%.0f MB/s), ratio %.2f\n",
           mb, q, mb / q, cp, mb / cp, cp / q, cps, mb / cps, cps / q }'
trim_entries=1000000
valgrind --tool=callgrind --callgrind-out-file="$out/cg.trim" --toggle-collect=bench_nav_patch \
    "$build/bench_trim" nav $trim_entries > /dev/null 2>&1
trim=$(awk -v PATTERN='bench_trim$' -f tools/bench/callgrind_object_cost.awk "$out/cg.trim")
echo ".nav patch for |< on $trim_entries entries: $((trim / trim_entries)) instructions per entry in the TAP code ($trim in all)"
read -r patch copy ratio < <("$build/bench_trim" time $trim_entries 5)
echo ".nav patch of $((trim_entries * 32 / 1000000)) MB, synced: $patch s; cp + sync of the same file $copy s; ratio $ratio"
"$build/bench_net" 50 5
