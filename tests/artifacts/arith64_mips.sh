#!/usr/bin/env bash
# The TAPs' own 64-bit helpers at work on MIPS (under qemu-user) give the PC's answers.
# usage: arith64_mips.sh MIPS_PROGRAM PC_PROGRAM
set -euo pipefail
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
qemu-mipsel -L /usr/mipsel-linux-gnu "$1" > "$out/mips"
"$2" > "$out/pc"
[ "$(wc -l < "$out/pc")" -gt 5000 ] || { echo "arith64_mips: too little output" >&2; exit 1; }
cmp "$out/mips" "$out/pc" || { diff "$out/mips" "$out/pc" | head >&2; exit 1; }
echo "arith64_mips: ok"
