#!/usr/bin/env bash
# The main job: builds the TAPs and the emulator, starts a small web server on loopback for the
# text viewer's pages (the emulator maps the host name "www.tovak.test" to it), runs the
# resident TAP on a demo disk, then the HD TAP on a disk of its own, and prints where the
# screenshots went. The server stops at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
mkdir -p shots
server=
fixture=$(mktemp)
hd_disk=$(mktemp -d)
web=$(mktemp -d)
cleanup() {
    if [ -n "$server" ]; then kill "$server" 2> /dev/null || true; fi
    rm -rf "$fixture" "$hd_disk" "$web"
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# The web site, and the update folder of the TAP's maker: a newer TAP, its descriptions, the
# helper programs and an update list without further files.
cp -r tools/demo_web/. "$web/"
mkdir -p "$web/tovakrc"
cp build/mipsel/tovakrc_tms.tap textview/tovakrc.txt textview/tovakrc_en.txt "$web/tovakrc/"
cp build/host/helpers/*.mips "$web/tovakrc/"
for program in tovak_gif tovak_png; do
    if [ -f "build/host/$program" ]; then cp "build/host/$program" "$web/tovakrc/$program.mips"; fi
done
echo "# nothing more to fetch" > "$web/tovakrc/tovakrc.update"
python3 -m http.server --bind 127.0.0.1 --directory "$web" "$port" > /dev/null 2>&1 &
server=$!
printf '{"hosts": {"www.tovak.test": {"http": %d}}}\n' "$port" > "$fixture"
for _ in $(seq 50); do
    python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1)' \
        "$port" 2> /dev/null && break
    sleep 0.1
done
build/host/tapsim --fixture "$fixture" --script tools/demo.script --shots "$PWD/shots" \
    --trace shots/trace.jsonl --png shots/final.png --screen shots/final.json
echo "final screen: $PWD/shots/final.png (text model: $PWD/shots/final.json)"
echo "trace: $PWD/shots/trace.jsonl"
# The HD TAP is never installed together with the resident TAP: a receiver of its own.
mkdir -p "$hd_disk/ProgramFiles"
build/host/tapsim --disk "$hd_disk" --tap build/host/tovakrc_hd.tap --script tools/demo_hd.script \
    --shots "$PWD/shots" --trace shots/trace_hd.jsonl --png shots/final_hd.png
echo "HD TAP: $PWD/shots/hd_*.png (trace: $PWD/shots/trace_hd.jsonl)"
