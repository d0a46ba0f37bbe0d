#!/usr/bin/env bash
# The main job: builds the TAPs and the emulator, runs the resident TAP on a demo disk, then
# the HD TAP on a disk of its own, and prints where the screenshots went.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
mkdir -p shots
build/host/tapsim --script tools/demo.script --shots "$PWD/shots" --trace shots/trace.jsonl \
    --png shots/final.png --screen shots/final.json
echo "final screen: $PWD/shots/final.png (text model: $PWD/shots/final.json)"
echo "trace: $PWD/shots/trace.jsonl"
# The HD TAP is never installed together with the resident TAP: a receiver of its own.
hd_disk=$(mktemp -d)
trap 'rm -rf "$hd_disk"' EXIT
mkdir -p "$hd_disk/ProgramFiles"
build/host/tapsim --disk "$hd_disk" --tap build/host/tovakrc_hd.tap --script tools/demo_hd.script \
    --shots "$PWD/shots" --trace shots/trace_hd.jsonl --png shots/final_hd.png
echo "HD TAP: $PWD/shots/hd_*.png (trace: $PWD/shots/trace_hd.jsonl)"
