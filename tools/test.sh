#!/usr/bin/env bash
# Builds everything and runs every test: unit and scenario tests under ASan+UBSan, the
# command-line tests, the checks of the built artifacts and the MIPS smoke test.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
tools/build.sh tests
(cd build/asan && ctest -j"$(nproc)" --output-on-failure --timeout 300)
if [ -x tools/fuzz_smoke.sh ]; then tools/fuzz_smoke.sh; fi
echo "test.sh: all tests passed in $((SECONDS - start)) s"
