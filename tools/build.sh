#!/usr/bin/env bash
# Builds the receiver build (build/mipsel) and the PC build (build/host); with "tests" also
# the receiver build's scenario test program and the sanitizer build with every test
# (build/asan).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
mkdir -p build
# Configures (every time, so that changed options take effect) and builds one folder; the
# output goes to build/<folder>.log and is shown when a step fails.
configure() { # folder, options...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" > "$dir.log" 2>&1 || { cat "$dir.log"; return 1; }
    ninja -C "$dir" >> "$dir.log" 2>&1 || { cat "$dir.log"; return 1; }
}
# Debian's mipsel libraries for the receiver build (fetched once, kept with a stamp).
tools/mipsel_sysroot.sh build/sysroot-mipsel
configure build/mipsel -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mipsel-toolchain.cmake
if [ "${1:-}" = tests ]; then
    ninja -C build/mipsel scenario_tests_mips >> build/mipsel.log 2>&1 || { cat build/mipsel.log; exit 1; }
fi
configure build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "${1:-}" = tests ]; then
    configure build/asan -DCMAKE_BUILD_TYPE=Debug -DTOVAK_SANITIZE=ON -DTOVAK_TESTS=ON \
        -DTOVAK_MIPSEL_DIR="$top/build/mipsel" -DTOVAK_HOST_DIR="$top/build/host"
fi
