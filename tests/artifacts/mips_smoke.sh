#!/usr/bin/env bash
# The receiver build under qemu-user: the MIPS emulator loads both MIPS TAPs as a receiver
# does (libtap.so filled through the getter, each TAP through __TAP_Init_), delivers keys, and
# writes its trace and screen text; the MIPS GIF converter runs too. The fixture withholds an
# API entry (the getter answers 0) and a firmware symbol (the TAP's dlsym finds nothing). Then
# the same screens on the receiver build and on the PC build (HOST_DIR), and the converters of
# both builds on the same pictures.
# usage: mips_smoke.sh MIPSEL_DIR HOST_DIR
set -euo pipefail
dir=$1 host=$2
# The receivers' old kernel is reported (-r); the emulator is built against Debian's mipsel C
# library, which is release 2 code and so runs on qemu's default CPU, not on a release 1 one.
qemu=(qemu-mipsel -r 2.6.22 -L /usr/mipsel-linux-gnu)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/disk/ProgramFiles"
echo '{"withhold": ["TAP_Osd_Zoom", "_tapTask"]}' > "$out/fixture.json"
"${qemu[@]}" "$dir/tapsim" --disk "$out/disk" --tap "$dir/tovakrc_tms.tap" --tap "$dir/tovakrc_hd.tap" \
    --fixture "$out/fixture.json" --keys "Sat Ok Exit P+" --trace "$out/trace.jsonl" \
    --screen "$out/screen.json"
fail() { echo "mips_smoke: $*" >&2; exit 1; }
grep -q '"call":"__TAP_Init","args":\[0\]' "$out/trace.jsonl" || fail "libtap was not filled"
grep -q '"call":"withheld","args":\[2,14\],"text":"TAP_Osd_Zoom"' "$out/trace.jsonl" ||
    fail "the getter was not asked for the withheld entry"
grep -q '"call":"__TAP_Init_","args":\[0,0\]' "$out/trace.jsonl" || fail "no __TAP_Init_ for slot 0"
grep -q '"call":"__TAP_Init_","args":\[1,0\]' "$out/trace.jsonl" || fail "no __TAP_Init_ for slot 1"
grep -q '"call":"withheld","args":\[\],"text":"_tapTask"' "$out/trace.jsonl" ||
    fail "the TAP's lookup of the withheld firmware symbol did not reach the emulator"
grep -q '"tap":0,"ev":"key","code":"0x10040"' "$out/trace.jsonl" || fail "no key event reached slot 0"
grep -q '"tap":1,"ev":"key","code":"0x10045","result":"0x10045"' "$out/trace.jsonl" ||
    fail "P+ did not pass both TAPs"
grep -q '"ev":"stop"' "$out/trace.jsonl" || fail "no stop event at the end"
grep -q '"regions"' "$out/screen.json" || fail "no screen text model"
cmp -s "$dir/tovakrc_tms.tap" "$out/disk/ProgramFiles/tovakrc_tms.tap" || fail "TAP not installed"
# The HD TAP alone (it is never installed beside the resident TAP): the demo's run (menu,
# calculator, infos), then the about window's diagnostics with the firmware's build date found
# in its code image and the network's hardware address.
mkdir -p "$out/hd/ProgramFiles"
"${qemu[@]}" "$dir/tapsim" --disk "$out/hd" --tap "$dir/tovakrc_hd.tap" --shots "$out/shots" \
    --script "$(dirname "$0")/../../tools/demo_hd.script" > /dev/null
grep -q '"text": " 1.5e3+20="' "$out/shots/hd_03_calculation.json" || fail "HD calculator: no expression"
grep -q '"text": " 1520 ' "$out/shots/hd_03_calculation.json" || fail "HD calculator: no result"
grep -q '"text": " System ID: 22010"' "$out/shots/hd_04_infos.json" || fail "HD infos missing"
printf '%s\n' Sat Menu 'wait 100ms' ^ ^ AR Ok 'snap about' > "$out/about.script"
"${qemu[@]}" "$dir/tapsim" --disk "$out/hd" --tap "$dir/tovakrc_hd.tap" --shots "$out/shots" \
    --script "$out/about.script" > /dev/null
grep -q '"text": " 00:1c:a2:10:20:30 192.168.178.20 Jul 21 2015 10:43:07"' "$out/shots/about.json" ||
    fail "HD about window: no signature line"
# The text viewer on a text file, and the recursive listing of a tree with a file beyond 2 GB
# (sparse), whose size and totals come out whole.
mkdir -p "$out/viewer/ProgramFiles" "$out/viewer/DataFiles/big"
printf 'Line one\nLine two of the notes\n' > "$out/viewer/DataFiles/notes.txt"
truncate -s 3G "$out/viewer/DataFiles/big/huge.bin"
"${qemu[@]}" "$dir/tapsim" --disk "$out/viewer" --tap "$dir/tovakrc_tms.tap" \
    --keys "Sat Filelist 7 v Ok" --screen "$out/viewer.json"
grep -q 'Line two of the notes' "$out/viewer.json" || fail "text viewer: the file's lines missing"
"${qemu[@]}" "$dir/tapsim" --disk "$out/viewer" --tap "$dir/tovakrc_tms.tap" \
    --keys "Sat Filelist 7 Sat Info" --screen "$out/listing.json"
grep -q 'T O T A L: 3.2 G Bytes, 2 Files, 2 Directories, 2 Levels' \
    "$out/viewer/ProgramFiles/Settings/TovakRC/TovakRC.LST" || fail "recursive listing: wrong totals"
grep -q 'huge.bin' "$out/listing.json" || fail "recursive listing: not shown in the viewer"
# The resident TAP's silent update check on the receiver build: due since the settings' last
# check day, it runs from the idle duties after ten minutes and notifies the maker's server (a
# loopback server behind the host name) once, then notes the day in the settings file.
mkdir -p "$out/net/ProgramFiles/Settings/TovakRC" "$out/www/tovakrc"
head -c 20000 /dev/zero > "$out/www/tovakrc/tovakrc_tms.tap"
python3 - "$out/net/ProgramFiles/Settings/TovakRC/TovakRC.ini" <<'PY'
import struct, sys
b = bytearray(256)
struct.pack_into("<iI", b, 8, 1, 0x90002)  # initialised, flags
b[0x11] = b[0x12] = 1
struct.pack_into("<H", b, 0x14, 61384 - 61)  # the last check 61 days ago
b[0x80:0x80 + 24] = b"/WebCache/Bookmarks.html"
open(sys.argv[1], "wb").write(b)
PY
timeout 120 python3 -u - "$out/www" > "$out/port" 2> "$out/www.log" <<'PY' &
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.HTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1])
server.serve_forever()
PY
www=$!
trap 'kill "$www" 2> /dev/null; rm -rf "$out"' EXIT
for _ in $(seq 50); do [ -s "$out/port" ] && break; sleep 0.1; done
echo "{\"hosts\": {\"www.tovak.test\": {\"http\": $(cat "$out/port")}}}" > "$out/net.json"
printf '%s\n' 'wait 10min' 'wait 80s' > "$out/net.script"
"${qemu[@]}" "$dir/tapsim" --disk "$out/net" --tap "$dir/tovakrc_tms.tap" --fixture "$out/net.json" \
    --script "$out/net.script" > /dev/null
grep -q '"GET /tovakrc/tovakrc_tms.tap HTTP/1.0"' "$out/www.log" || fail "no update request"
[ "$(grep -c 'GET /' "$out/www.log")" -eq 1 ] || fail "more than one update request"
day=$(od -An -tu2 -j20 -N2 "$out/net/ProgramFiles/Settings/TovakRC/TovakRC.ini" | tr -d ' ')
[ "$day" = 61384 ] || fail "the update check's day is $day, want 61384"
[ ! -e "$out/net/ProgramFiles/000_tovakrc_tms.tap" ] || fail "the silent check stored a file"
# The same screens on both builds: the file browser, whose columns FreeType's text widths place,
# and a JPEG in the image viewer, decoded by libjpeg on each. Both draw with the same font file
# and the same FreeType version and hinting, so the pictures must be equal pixel for pixel (no
# tolerance); the PNG files' bytes are not compared, as libpng and zlib of the two builds may
# differ in version.
mkdir -p "$out/pics/ProgramFiles" "$out/pics/MediaFiles"
convert -size 160x120 gradient:red-blue -fill yellow -draw 'circle 80,60 80,20' -quality 85 \
    "$out/pics/MediaFiles/pic.jpg"
while read -r name keys; do
    for build in mips host; do
        cp -r "$out/pics" "$out/$name-$build"
    done
    "${qemu[@]}" "$dir/tapsim" --disk "$out/$name-mips" --tap "$dir/tovakrc_tms.tap" \
        --clock "2026-12-10 20:15:00" --keys "$keys" --screen "$out/$name-mips.json" \
        --png "$out/$name-mips.png"
    "$host/tapsim" --disk "$out/$name-host" --tap "$host/tovakrc_tms.tap" \
        --clock "2026-12-10 20:15:00" --keys "$keys" --screen "$out/$name-host.json" \
        --png "$out/$name-host.png"
    cmp -s "$out/$name-mips.json" "$out/$name-host.json" || fail "$name: the screen texts differ"
    pixels=$(compare -metric AE "$out/$name-mips.png" "$out/$name-host.png" null: 2>&1) || true
    [ "$pixels" = 0 ] || fail "$name: $pixels pixels differ between the builds' PNG files"
done <<'SCREENS'
browser Sat Filelist
jpeg Sat Filelist 4 v Ok
SCREENS
grep -q '"text": " pic.jpg"' "$out/jpeg-mips.json" || fail "jpeg: the viewer shows no picture name"
# The middle of the screen is the middle of the picture: its yellow circle.
rgb=$(convert "$out/jpeg-mips.png" -crop 1x1+360+288 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
read -r r g b <<< "$rgb"
[ "$r" -gt 200 ] && [ "$g" -gt 200 ] && [ "$b" -lt 60 ] || fail "jpeg: the picture is not drawn ($rgb)"

# The converters on a receiver, with the kernel it runs (2.6): each writes the same stream as
# the PC's converter of the same picture, and exits with 255 for a missing file. They are
# release 1 code (the build checks each with tools/check_release1.sh), run on a release 1 CPU
# (4Kc) where they use no floating point. qemu's release 1 CPUs have no FPU, and qemu-user does
# not stand in for it as a receiver's kernel does; libpng's arithmetic and the C library's
# setjmp (which saves the FPU's registers) use it, so the PNG converter runs on qemu's default
# CPU, which has one.
convert -size 24x16 gradient:red-blue -colors 16 "$out/small.gif"
convert -size 24x16 gradient:yellow-green "$out/small.png"
convert -size 20x12 xc:none -fill '#f00a' -draw 'circle 10,6 10,1' "$out/alpha.png"
convert -size 18x10 gradient:black-white -depth 16 -interlace PNG "$out/grey16.png"
while read -r program picture cpu; do
    receiver=(qemu-mipsel -r 2.6.22 -cpu "$cpu")
    [ -x "$dir/$program.mips" ] || fail "$program.mips was not built"
    "${receiver[@]}" "$dir/$program.mips" "$out/$picture" > "$out/$picture.mips" ||
        fail "$program.mips failed on $picture ($cpu)"
    "$host/$program" "$out/$picture" > "$out/$picture.host" || fail "$program failed on $picture"
    [ -s "$out/$picture.host" ] || fail "$program wrote nothing for $picture"
    cmp -s "$out/$picture.mips" "$out/$picture.host" || fail "$program.mips: another stream for $picture"
    set +e
    "${receiver[@]}" "$dir/$program.mips" /nonexistent > /dev/null 2>&1
    rc=$?
    set -e
    [ "$rc" -eq 255 ] || fail "$program.mips: exit $rc for a missing file, want 255 ($cpu)"
done <<'PICTURES'
tovak_gif small.gif 4Kc
tovak_png small.png 24Kf
tovak_png alpha.png 24Kf
tovak_png grey16.png 24Kf
PICTURES
echo "mips_smoke: ok"
