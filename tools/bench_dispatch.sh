#!/usr/bin/env bash
# Instructions the TAP itself spends per idle event with nothing to do and per key it hands on
# to the receiver (P+ in live TV, press and release), counted by callgrind in the TAP object
# only (the emulator's own work is not counted).
# usage: bench_dispatch.sh [BUILD_DIR]   (a plain PC build, default build/host)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/host}
n=2000
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
tap_cost() { # mode -> instructions in the TAP object inside bench_loop
    valgrind --tool=callgrind --callgrind-out-file="$out/cg.$1" --toggle-collect=bench_loop \
        "$build/bench_dispatch" "$build/tovakrc_tms.tap" "$1" "$n" > /dev/null 2>&1
    awk -v PATTERN='tovakrc_tms\\.tap$' -f tools/bench/callgrind_object_cost.awk "$out/cg.$1"
}
idle=$(tap_cost idle)
keys=$(tap_cost keys)
echo "idle event, nothing to do: $((idle / n)) instructions in the TAP ($idle over $n events)"
echo "key handed on (press):     $((keys / n / 2)) instructions in the TAP per event ($keys over $n presses and releases)"
