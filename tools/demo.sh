#!/usr/bin/env bash
# The main job: builds the TAPs and the emulator, runs the resident TAP on a demo disk and
# prints the screenshots it took.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
mkdir -p shots
build/host/tapsim --script tools/demo.script --shots "$PWD/shots" --trace shots/trace.jsonl \
    --png shots/final.png --screen shots/final.json
echo "final screen: $PWD/shots/final.png (text model: $PWD/shots/final.json)"
echo "trace: $PWD/shots/trace.jsonl"
