#!/usr/bin/env bash
# Checks a linked TAP against the receiver's binary interface; fails with a list of what is
# wrong. Every TAP: it needs exactly "libtap.so" and "libc.so.0" (no path, no run path), no
# symbol versions and no .init_array; it imports the TAP API only as data from libtap.so and
# everything else from the C library; it exports TAP_Main, TAP_EventHandler and __TAP_Init_;
# it carries the TAP sections (the program version only where asked for, never an attribute
# section). With --mips also: MIPS32 release 1 in the ELF flags, no release-2 instruction
# anywhere in the code, and none of the C library's 32-bit file calls imported (on the 32-bit
# receiver they fail on files of more than 2 GB; the TAPs are built to bind stat64, open64, ...).
# usage: check_tap.sh [--mips] [--program-version] TAP READELF OBJDUMP LIBTAP LIBC_STUB
set -euo pipefail
mips=0 version=0
while [ $# -gt 0 ]; do
    case $1 in
    --mips) mips=1 ;;
    --program-version) version=1 ;;
    *) break ;;
    esac
    shift
done
tap=$1 readelf=$2 objdump=$3 libtap=$4 libc_stub=$5
problems=()
problem() { problems+=("$*"); }

# Dependencies, run paths, versions, constructors. Section lines: "name size".
dynamic=$("$readelf" -d "$tap")
sections=$("$readelf" -S -W "$tap" | sed -n 's/^ *\[ *[0-9]*\] *\([^ ]*\) *[^ ]* *[^ ]* *[^ ]* *\([^ ]*\).*/\1 \2/p')
has_section() { [[ $'\n'"$sections"$'\n' == *$'\n'"$1 "* ]]; }
needed=$(sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' <<< "$dynamic" | tr '\n' ' ')
[ "$needed" = "libtap.so libc.so.0 " ] || problem "needs [${needed% }], want [libtap.so libc.so.0]"
if [[ $dynamic == *"(RPATH)"* || $dynamic == *"(RUNPATH)"* ]]; then problem "carries a run path"; fi
if has_section .gnu.version_r; then
    problem "needs symbol versions: $("$readelf" -V "$tap" | grep -oE 'Name: [^ ]+' | sort -u | tr '\n' ' ')"
fi
for constructors in .init_array .preinit_array .ctors; do
    if has_section $constructors; then problem "has static constructors ($constructors)"; fi
done

# Symbols: "type bind ndx name" of the dynamic symbol table.
dynsyms() { "$readelf" --dyn-syms -W "$1" | awk 'NF >= 8 && $1 ~ /^[0-9]+:$/ {print $4, $5, $7, $8}'; }
tap_syms=$(dynsyms "$tap")
api_objects=$(dynsyms "$libtap" | awk '$3 != "UND" && $1 == "OBJECT" {print $4}' | sort -u)
libc_names=$(dynsyms "$libc_stub" | awk '$3 != "UND" {print $4}' | sort -u)
while IFS= read -r line; do
    [ -z "$line" ] || problem "$line"
done < <(awk -v api="$api_objects" -v libc="$libc_names" '
    BEGIN { n = split(api, a, "\n"); for (i = 1; i <= n; ++i) A[a[i]] = 1
            n = split(libc, l, "\n"); for (i = 1; i <= n; ++i) L[l[i]] = 1 }
    $3 == "UND" && $4 != "" {
        name = $4; sub(/@.*/, "", name)
        if (name ~ /^TAP_/) {
            if ($1 != "OBJECT") print "imports " name " as " $1 ", not as data"
            if (!(name in A)) print "imports " name ", which libtap.so does not have"
        } else if (!(name in L)) print "imports " name " from neither libtap.so nor the C library"
    }' <<< "$tap_syms")
for entry in TAP_Main TAP_EventHandler __TAP_Init_; do
    awk -v n="$entry" '$1 == "FUNC" && $2 == "GLOBAL" && $3 != "UND" && $4 == n {f = 1} END {exit !f}' \
        <<< "$tap_syms" || problem "does not export $entry"
done

# The TAP sections and their sizes.
want_section() { # name, size
    local line size
    line=$'\n'"$sections"$'\n'
    line=${line#*$'\n'"$1 "}
    [ "$line" != $'\n'"$sections"$'\n' ] || { problem "lacks section $1"; return; }
    size=$((16#${line%%$'\n'*}))
    [ "$size" -eq "$2" ] || problem "section $1 has $size bytes, want $2"
}
want_section ._tap_header 32
want_section ._tap_id 4
want_section ._tap_program_name 64
want_section ._tap_author_name 64
want_section ._tap_description 128
want_section ._tap_etcinfo 64
if [ $version = 1 ]; then
    want_section ._tap_program_version 64
elif has_section ._tap_program_version; then
    problem "has a ._tap_program_version section"
fi
if has_section ._tap_attribute; then problem "has a ._tap_attribute section"; fi

if [ $mips = 1 ]; then
    release1=$("$(dirname "$0")/check_release1.sh" "$tap" "$readelf" "$objdump") ||
        problem "$release1"
    narrow=$(awk '$3 == "UND" {name = $4; sub(/@.*/, "", name); print name}' <<< "$tap_syms" |
        grep -xE 'stat|lstat|fstat|fstatat|readdir|open|creat|fopen|freopen|lseek|truncate|ftruncate|statfs|statvfs|fseeko|ftello' |
        sort -u | tr '\n' ' ' || true)
    [ -z "$narrow" ] || problem "imports 32-bit file calls: ${narrow% }"
fi

if [ ${#problems[@]} -gt 0 ]; then
    echo "$tap:" >&2
    printf '  %s\n' "${problems[@]}" >&2
    exit 1
fi
