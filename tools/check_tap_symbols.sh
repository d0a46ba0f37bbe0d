#!/usr/bin/env bash
# Fails when a TAP needs anything but the TAP API, libc, libdl and libm, or demands
# glibc symbol versions (a receiver's C library has none).
# usage: check_tap_symbols.sh TAP NM READELF TAP_API_HEADER LIBC LIBM
set -euo pipefail
tap=$1 nm=$2 readelf=$3 api=$4 libc=$5 libm=$6
allowed=$(mktemp)
trap 'rm -f "$allowed"' EXIT
{
    grep -oE '\bTAP_[A-Za-z0-9_]+\s*\(' "$api" | sed 's/[[:space:]]*($//'
    for lib in "$libc" "$libm"; do
        "$nm" -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//'
    done
} | sort -u > "$allowed"
# Weak references (w/v) are optional and may stay unresolved.
undefined=$("$nm" -D --undefined-only "$tap" | awk '$1 == "U" {print $2}' | sed 's/@.*//' | sort -u)
bad=$(comm -23 <(printf '%s\n' "$undefined" | grep -v '^$' || true) "$allowed")
status=0
if [ -n "$bad" ]; then
    echo "$tap: undefined symbols outside the TAP API, libc, libdl and libm:" >&2
    printf '  %s\n' $bad >&2
    status=1
fi
if "$readelf" -V "$tap" | grep -q 'GLIBC_'; then
    echo "$tap: demands glibc symbol versions:" >&2
    "$readelf" -V "$tap" | grep 'GLIBC_' >&2
    status=1
fi
for sym in TAP_Main TAP_EventHandler; do
    if ! "$nm" -D --defined-only "$tap" | awk '{print $NF}' | grep -qx "$sym"; then
        echo "$tap: does not export $sym" >&2
        status=1
    fi
done
exit $status
