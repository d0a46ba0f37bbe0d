#!/usr/bin/env bash
# Configures and builds the libFuzzer targets with clang in build/fuzz (shared by the smoke run
# and the long run); the build's output is shown when it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOVAK_FUZZ=ON > build/fuzz.log 2>&1 || { cat build/fuzz.log; exit 1; }
ninja -C build/fuzz fuzz_all >> build/fuzz.log 2>&1 || { cat build/fuzz.log; exit 1; }
