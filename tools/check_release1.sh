#!/usr/bin/env bash
# Checks that a MIPS program or TAP runs on every receiver: MIPS32 release 1 and the o32 ABI in
# the ELF flags, and no release-2 instruction anywhere in the code. Prints what is wrong and
# fails. With --thread-pointer, reading the thread pointer (rdhwr of hardware register 29) is
# allowed: the kernel answers it on release-1 CPUs, and a C library's threads need it.
# usage: check_release1.sh [--thread-pointer] FILE READELF OBJDUMP
set -euo pipefail
allowed='^$'
if [ "$1" = --thread-pointer ]; then
    allowed=$'\trdhwr\t[a-z0-9]+,\$29$'
    shift
fi
file=$1 readelf=$2 objdump=$3
problems=()
flags=$("$readelf" -h "$file" | sed -n 's/^ *Flags: *\(0x[0-9a-f]*\).*/\1/p')
[ $(((flags >> 28) & 0xf)) -eq 5 ] || problems+=("ELF flags $flags are not MIPS32 release 1")
[ $(((flags >> 12) & 0xf)) -eq 1 ] || problems+=("ELF flags $flags are not the o32 ABI")
# Decoded as release 2, so that its instructions show by name.
r2=$("$objdump" -d -m mips:isa32r2 "$file" |
    grep -E $'\t(ext|ins|seb|seh|wsbh|rotr|rotrv|di|ei|rdhwr|synci|ehb|jr\\.hb|jalr\\.hb|mfhc1|mthc1|lwxc1|ldxc1|luxc1|swxc1|sdxc1|suxc1|madd\\.[sd]|msub\\.[sd]|nmadd\\.[sd]|nmsub\\.[sd])\t' |
    grep -vE "$allowed" | head -n 5 || true)
[ -z "$r2" ] || problems+=("has release-2 instructions, e.g.:"$'\n'"$r2")
[ ${#problems[@]} -eq 0 ] || { printf '%s\n' "${problems[@]}"; exit 1; }
