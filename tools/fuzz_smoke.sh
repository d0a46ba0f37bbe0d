#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one briefly from its seeds (a smoke
# run, not a campaign): a crash or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-10}
tools/fuzz_build.sh
for f in build/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    echo "fuzz_smoke: $name for ${seconds}s"
    "$f" -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus" "fuzz/seeds/${name#fuzz_}" \
        > "build/$name.log" 2>&1 ||
        { tail -40 "build/$name.log"; echo "fuzz_smoke: $name failed" >&2; exit 1; }
done
echo "fuzz_smoke: ok"
