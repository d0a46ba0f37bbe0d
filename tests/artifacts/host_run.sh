#!/usr/bin/env bash
# The PC build as a user starts it: tapsim with the default TAP writes a 720 x 576 PNG and
# the screen text model.
set -euo pipefail
dir=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$out"
"$dir/tapsim" --png x.png --screen s.json
file x.png | grep -q 'PNG image data, 720 x 576' || { echo "host_run: bad x.png: $(file x.png)" >&2; exit 1; }
grep -q '"regions"' s.json || { echo "host_run: no screen text model" >&2; exit 1; }
echo "host_run: ok"
