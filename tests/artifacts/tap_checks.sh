#!/usr/bin/env bash
# The checks after linking (tools/check_tap.sh) pass on the built TAPs and fail on TAPs that
# break the receiver's interface; the receiver build's TAPs are prepared (refused C library
# imports upper-case in .symtab, .dynsym as linked).
# usage: tap_checks.sh CHECK MIPSEL_DIR MIPS_READELF MIPS_OBJDUMP HOST_DIR ASAN_DIR
set -euo pipefail
check=$1 mips=$2 mreadelf=$3 mobjdump=$4 host=$5 asan=$6
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "tap_checks: $*" >&2; exit 1; }
passes() { "$check" "$@" > /dev/null 2> "$out/err" || fail "refused $*: $(cat "$out/err")"; }
refuses() { # reason, check arguments...
    local reason=$1
    shift
    if "$check" "$@" > /dev/null 2> "$out/err"; then fail "accepted $* ($reason)"; fi
    grep -qF "$reason" "$out/err" || fail "refused $* without \"$reason\": $(cat "$out/err")"
}

# The built TAPs as they are.
passes --mips --program-version "$mips/tovakrc_tms.tap" "$mreadelf" "$mobjdump" \
    "$mips/lib/libtap.so" "$mips/stub/libc.so.0"
passes --mips "$mips/tovakrc_hd.tap" "$mreadelf" "$mobjdump" "$mips/lib/libtap.so" \
    "$mips/stub/libc.so.0"
for tap in tovakrc_tms.tap tovakrc_hd.tap; do
    version=()
    [ $tap = tovakrc_tms.tap ] && version=(--program-version)
    passes "${version[@]}" "$host/$tap" readelf objdump "$host/lib/libtap.so" "$host/stub/libc.so.0"
done

# Sections: the HD TAP has no program version, the resident TAP has one.
refuses "lacks section ._tap_program_version" --mips --program-version "$mips/tovakrc_hd.tap" \
    "$mreadelf" "$mobjdump" "$mips/lib/libtap.so" "$mips/stub/libc.so.0"
refuses "has a ._tap_program_version section" --mips "$mips/tovakrc_tms.tap" "$mreadelf" \
    "$mobjdump" "$mips/lib/libtap.so" "$mips/stub/libc.so.0"

# ELF flags of release 2 (0x70001007), the code unchanged.
cp "$mips/tovakrc_hd.tap" "$out/r2flags.tap"
printf '\x07\x10\x00\x70' | dd of="$out/r2flags.tap" bs=1 seek=36 conv=notrunc status=none
refuses "are not MIPS32 release 1" --mips "$out/r2flags.tap" "$mreadelf" "$mobjdump" \
    "$mips/lib/libtap.so" "$mips/stub/libc.so.0"

# One release-2 instruction (seb v0,a0) at the start of TAP_EventHandler, the flags unchanged.
cp "$mips/tovakrc_hd.tap" "$out/r2code.tap"
address=$("$mreadelf" --dyn-syms -W "$out/r2code.tap" | awk '$8 == "TAP_EventHandler" {print $2}')
read -r text_addr text_off < <("$mreadelf" -S -W "$out/r2code.tap" |
    sed 's/^ *\[ *[0-9]*\] *//' | awk '$1 == ".text" {print $3, $4}')
offset=$((16#$address - 16#$text_addr + 16#$text_off))
printf '\x20\x14\x04\x7c' | dd of="$out/r2code.tap" bs=1 seek=$offset conv=notrunc status=none
refuses "has release-2 instructions" --mips "$out/r2code.tap" "$mreadelf" "$mobjdump" \
    "$mips/lib/libtap.so" "$mips/stub/libc.so.0"

# The 32-bit file calls, as a TAP built without 64-bit file offsets imports them: the names
# stat64, lstat64, fstat64, open64 and fopen64 cut back in the dynamic string table.
python3 - "$mips/tovakrc_tms.tap" "$out/narrow.tap" <<'PY'
import struct, sys
elf = bytearray(open(sys.argv[1], 'rb').read())
shoff, = struct.unpack_from('<I', elf, 32)
shentsize, shnum, shstrndx = struct.unpack_from('<HHH', elf, 46)
def section(i):
    return struct.unpack_from('<IIIIII', elf, shoff + i * shentsize)
names = section(shstrndx)[4]
for i in range(shnum):
    name, _, _, _, offset, size = section(i)
    if elf[names + name:].split(b'\0', 1)[0] == b'.dynstr':
        table = elf[offset:offset + size]
        for wide in (b'stat64', b'open64'):
            table = table.replace(wide + b'\0', wide[:-2] + b'\0\0\0')
        elf[offset:offset + size] = table
open(sys.argv[2], 'wb').write(elf)
PY
refuses "imports 32-bit file calls: fopen fstat lstat open stat" --mips --program-version \
    "$out/narrow.tap" "$mreadelf" "$mobjdump" "$mips/lib/libtap.so" "$mips/stub/libc.so.0"

# A TAP linked the sanitizers' way imports their run time, which no receiver has.
refuses "from neither libtap.so nor the C library" "$asan/tovakrc_hd.tap" readelf objdump \
    "$asan/lib/libtap.so" "$asan/stub/libc.so.0"

# The receiver build's TAPs are prepared: refused imports hidden in .symtab only.
for tap in "$mips/tovakrc_tms.tap" "$mips/tovakrc_hd.tap"; do
    symtab=$("$mreadelf" -s -W "$tap" | awk '/Symbol table .\.symtab/ {s = 1} s && $7 == "UND" && $5 == "GLOBAL" {print $8}')
    dynsym=$("$mreadelf" --dyn-syms -W "$tap" | awk '$7 == "UND" {print $8}')
    for name in fopen fclose opendir dlopen dlsym write; do
        if grep -qx "$name" <<< "$dynsym"; then
            grep -qx "${name^^}" <<< "$symtab" || fail "$tap: $name not hidden in .symtab"
        fi
        ! grep -qx "$name" <<< "$symtab" || fail "$tap: $name still in .symtab"
        ! grep -qx "${name^^}" <<< "$dynsym" || fail "$tap: .dynsym changed ($name)"
    done
done
grep -qx DLSYM <<< "$("$mreadelf" -s -W "$mips/tovakrc_tms.tap" | awk '{print $8}')" ||
    fail "tovakrc_tms.tap: no refused import was hidden"
echo "tap_checks: ok"
