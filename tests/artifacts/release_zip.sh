#!/usr/bin/env bash
# The receiver release (tools/release.sh) made from the built tree: its name carries the TAP's
# own version, two runs give the same bytes, it holds the receiver's disk layout and nothing
# else, its TAPs are the prepared receiver builds, and unpacked into an empty disk it runs in
# the MIPS emulator under qemu-user as a receiver with an old kernel would run it: the TAP
# starts from "Auto Start", the TAP key opens the menu, "Show Description" shows the German
# manual with its umlauts; the HD TAP starts from its own folder; the converters are static
# MIPS programs.
# usage: release_zip.sh SOURCE_DIR MIPSEL_DIR HOST_DIR MIPS_READELF MIPS_OBJDUMP
set -euo pipefail
src=$1 mips=$2 host=$3 readelf=$4 objdump=$5
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "release_zip: $*" >&2; exit 1; }
# The released programs run on a 2.6 kernel. The emulator itself is linked against Debian's
# C library (MIPS32 release 2), so it runs on qemu's default CPU.
export QEMU_UNAME=2.6.22
qemu=(qemu-mipsel -L /usr/mipsel-linux-gnu)

release() { # output folder
    RELEASE_MIPSEL=$mips RELEASE_HOST=$host RELEASE_OUT=$1 "$src/tools/release.sh" --no-build \
        > "$out/release.log" 2>&1 || fail "release.sh failed: $(cat "$out/release.log")"
}
release "$out/one"
release "$out/two"

# The name: the version the resident TAP carries in its header.
version=$("$readelf" -p ._tap_program_version "$mips/tovakrc_tms.tap" |
    sed -n 's/^ *\[ *[0-9a-f]*\] *v\{0,1\}\([^ ]*\).*/\1/p' | head -1)
[ -n "$version" ] || fail "no program version in the TAP"
zip=$out/one/tovakrc-$version-receiver.zip
[ -s "$zip" ] || fail "no $(basename "$zip"): $(ls "$out/one")"
cmp -s "$zip" "$out/two/$(basename "$zip")" || fail "two runs gave different zips"

# The layout, in the zip's order, and the files unpacked with their modes.
python3 - "$zip" "$out/zip" > "$out/names" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        print(info.filename)
        z.extract(info, sys.argv[2])
        if not info.is_dir():
            os.chmod(os.path.join(sys.argv[2], info.filename), (info.external_attr >> 16) & 0o777)
PY
settings="ProgramFiles/Settings/TovakRC"
hd="HD receivers/ProgramFiles/Auto Start"
printf '%s\n' INSTALL.txt ProgramFiles/ "ProgramFiles/Auto Start/" \
    "ProgramFiles/Auto Start/tovakrc_tms.tap" ProgramFiles/Settings/ "$settings/" \
    "$settings/tovak_gif.mips" "$settings/tovak_png.mips" "$settings/tovakrc_en.txt" \
    "$settings/tovakrc.txt" "$settings/TovakRC.map" "HD receivers/" "HD receivers/ProgramFiles/" \
    "$hd/" "$hd/tovakrc_hd.tap" > "$out/want"
diff -u "$out/want" "$out/names" >&2 || fail "the zip's layout differs"
z=$out/zip
# Each file of the zip against what it is made from.
while IFS='|' read -r made from; do
    cmp -s "$z/$made" "$from" || fail "$made is not $from"
done <<EOF
ProgramFiles/Auto Start/tovakrc_tms.tap|$mips/tovakrc_tms.tap
$settings/tovak_gif.mips|$mips/tovak_gif.mips
$settings/tovak_png.mips|$mips/tovak_png.mips
$settings/tovakrc_en.txt|$src/textview/tovakrc_en.txt
$settings/tovakrc.txt|$src/textview/tovakrc.txt
$hd/tovakrc_hd.tap|$mips/tovakrc_hd.tap
EOF
for program in "ProgramFiles/Auto Start/tovakrc_tms.tap" "$hd/tovakrc_hd.tap" \
    "$settings/tovak_gif.mips" "$settings/tovak_png.mips"; do
    [ -x "$z/$program" ] || fail "$program is not executable"
done
grep -q "TovakRC $version" "$z/INSTALL.txt" || fail "INSTALL.txt does not name the version"
grep -q "HD receivers/ProgramFiles" "$z/INSTALL.txt" || fail "INSTALL.txt does not name the HD folder"

# The TAPs pass the receiver's interface checks and are prepared: the C library imports the
# firmware refuses are upper-case in .symtab, .dynsym is as linked.
for tap in "ProgramFiles/Auto Start/tovakrc_tms.tap" "$hd/tovakrc_hd.tap"; do
    version_flag=()
    [[ $tap == *tovakrc_tms.tap ]] && version_flag=(--program-version)
    "$src/tools/check_tap.sh" --mips "${version_flag[@]}" "$z/$tap" "$readelf" "$objdump" \
        "$mips/lib/libtap.so" "$mips/stub/libc.so.0" > /dev/null 2> "$out/check" ||
        fail "$tap: $(cat "$out/check")"
    symtab=$("$readelf" -s -W "$z/$tap" | awk '/Symbol table .\.symtab/ {s = 1} s && $7 == "UND" {print $8}')
    grep -qx DLSYM <<< "$symtab" || fail "$tap: dlsym is not hidden in .symtab"
    ! grep -qx dlsym <<< "$symtab" || fail "$tap: dlsym still in .symtab"
    "$readelf" --dyn-syms -W "$z/$tap" | awk '{print $8}' | grep -qx dlsym ||
        fail "$tap: .dynsym lost dlsym"
done

# The converters: static MIPS programs that run on the old kernel. Built for MIPS32
# release 1 (ELF flags 0x5xxxxxxx) they also run on a release-1 CPU (4Kc).
for program in tovak_gif.mips tovak_png.mips; do
    header=$("$readelf" -h -l "$z/$settings/$program")
    grep -q 'Machine: *MIPS' <<< "$header" || fail "$program is not a MIPS program"
    ! grep -q 'INTERP' <<< "$header" || fail "$program is not static"
done
cpu=()
flags=$("$readelf" -h "$z/$settings/tovak_gif.mips" | sed -n 's/ *Flags: *0x\([0-9a-f]*\).*/\1/p')
[ $((16#$flags >> 28)) -eq 5 ] && cpu=(-cpu 4Kc)
set +e
"${qemu[@]}" "${cpu[@]}" "$z/$settings/tovak_gif.mips" /nonexistent.gif > /dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 255 ] || fail "tovak_gif.mips: exit $rc for a missing file, want 255 (${cpu[*]:-default CPU})"

# The unpacked disk in the MIPS emulator: the TAP from "Auto Start" (German, the emulator's
# default menu language), TAP key + Menu, v to the description line, Ok.
disk=$out/disk
mkdir "$disk"
cp -a "$z/ProgramFiles" "$disk/"
cp "$z/$settings/TovakRC.map" "$out/map"
"${qemu[@]}" "$mips/tapsim" --disk "$disk" --autostart --keys "Sat Menu v Ok" \
    --trace "$out/trace.jsonl" --screen "$out/screen.json" > "$out/tapsim.log" 2>&1 ||
    fail "the MIPS emulator failed: $(cat "$out/tapsim.log")"
grep -q '"call":"__TAP_Init_","args":\[0,0\]' "$out/trace.jsonl" || fail "no TAP started in slot 0"
! grep -q '"call":"__TAP_Init_","args":\[1,' "$out/trace.jsonl" || fail "a second TAP started"
grep -q '"tap":0,"ev":"key","code":"0x10040"' "$out/trace.jsonl" || fail "the TAP key did not reach the TAP"
[ ! -e "$disk/ProgramFiles/tovakrc_tms.tap" ] || fail "the TAP was installed a second time"
python3 - "$out/screen.json" "$src/textview/tovakrc.txt" <<'PY' || fail "the manual is not on the screen"
import json, sys
screen = json.load(open(sys.argv[1], encoding="utf-8"))
texts = [t["text"] for r in screen["regions"] for t in r["texts"]]
lines = open(sys.argv[2], encoding="utf-8").read().split("\n")
wide = next(l for l in lines[:20] if any(ord(c) > 127 for c in l))
want = ["/ProgramFiles/Settings/TovakRC/tovakrc.txt", lines[0], wide]
missing = [w for w in want if not any(w in t for t in texts)]
if missing:
    sys.exit("missing on the screen: %r\nscreen: %r" % (missing, texts))
PY
cmp -s "$disk/$settings/TovakRC.map" "$out/map" || fail "the TAP rewrote the key map of the zip"
# The key map of the zip is the template the TAP writes where it finds none.
mkdir "$out/empty"
"${qemu[@]}" "$mips/tapsim" --disk "$out/empty" --tap "$mips/tovakrc_tms.tap" > /dev/null 2>&1 ||
    fail "the MIPS emulator failed on an empty disk"
cmp -s "$out/empty/$settings/TovakRC.map" "$out/map" || fail "TovakRC.map is not the TAP's template"

# The HD TAP from its folder, alone: TAP key + Menu opens its menu.
hd_disk=$out/hd
mkdir "$hd_disk"
cp -a "$z/HD receivers/ProgramFiles" "$hd_disk/"
"${qemu[@]}" "$mips/tapsim" --disk "$hd_disk" --autostart --keys "Sat Menu" \
    --screen "$out/hd.json" > "$out/hd.log" 2>&1 || fail "the HD TAP did not run: $(cat "$out/hd.log")"
grep -q 'Save + Exit Menu' "$out/hd.json" || fail "the HD TAP's menu did not open"
echo "release_zip: ok ($(basename "$zip"), $(stat -c %s "$zip") bytes)"
