#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one briefly (a smoke run, not a
# campaign): a crash or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-10}
if [ ! -f build/fuzz/build.ninja ]; then
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTOVAK_FUZZ=ON > /dev/null
fi
ninja -C build/fuzz fuzz_all > build/fuzz.log 2>&1 || { cat build/fuzz.log; exit 1; }
for f in build/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=fuzz/seeds/${name#fuzz_}
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    echo "fuzz_smoke: $name for ${seconds}s"
    "$f" -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus" > "build/$name.log" 2>&1 ||
        { tail -40 "build/$name.log"; echo "fuzz_smoke: $name failed" >&2; exit 1; }
done
echo "fuzz_smoke: ok"
