#!/usr/bin/env bash
# Checks that the TAP's libraries call each other only downwards, in two ways:
#   - includes: a source file of a layer includes headers of its own layer and of the layers
#     below it only (the layers are folders; the recording-group files of browser/ lie below
#     osd/);
#   - symbols: no library uses a symbol that a library above it defines (the archives are
#     given bottom-up, as they are linked).
# Usage: check_layers.sh SOURCE_DIR NM ARCHIVE... (archives from the bottom layer up)
set -euo pipefail
src=$1
nm=$2
shift 2
archives=()
for a in "$@"; do archives+=("$(realpath "$a")"); done

failed=0
cd "$src"
# Includes: each file's layer and the layer of every header it includes ("x.h" lies beside the
# file, "dir/x.h" below the source folder), by the folders.
files=$(git ls-files platform common osd image browser textview epg infos net core 2>/dev/null ||
    find platform common osd image browser core -type f)
includes=$(echo "$files" | grep -E '\.(cpp|h)$' | xargs awk '
    function layer(path) {
        if (path ~ /^platform\//) return "0 platform"
        if (path ~ /^common\//) return "1 common"
        if (path ~ /^browser\/recording\./) return "2 recording"
        if (path ~ /^osd\//) return "3 osd"
        if (path ~ /^image\//) return "4 image"
        if (path ~ /^browser\//) return "5 browser"
        if (path ~ /^(textview|epg|infos|net)\//) { split(path, p, "/"); return "5 " p[1] }
        if (path ~ /^core\//) return "6 core"
        return ""
    }
    /^#include "/ {
        included = $2
        gsub(/"/, "", included)
        path = included
        if (included !~ /\//) { dir = FILENAME; sub(/\/[^\/]*$/, "", dir); path = dir "/" included }
        mine = layer(FILENAME); theirs = layer(path)
        if (mine == "" || theirs == "") next
        split(mine, m, " "); split(theirs, t, " ")
        if (m[2] != t[2] && t[1] + 0 >= m[1] + 0)
            printf "check_layers: %s (%s) includes %s (%s)\n", FILENAME, m[2], included, t[2]
    }')
if [ -n "$includes" ]; then
    echo "$includes"
    failed=1
fi

# Symbols: what each archive needs must not be defined above it.
for ((i = 0; i < ${#archives[@]}; ++i)); do
    above=()
    for ((j = i + 1; j < ${#archives[@]}; ++j)); do above+=("${archives[j]}"); done
    [ ${#above[@]} -gt 0 ] || continue
    upward=$(comm -12 \
        <("$nm" -u "${archives[i]}" | awk '$1 == "U" {print $2}' | sort -u) \
        <("$nm" -g --defined-only "${above[@]}" |
            awk 'NF == 3 && $2 != "U" {print $3}' | sort -u))
    if [ -n "$upward" ]; then
        echo "check_layers: $(basename "${archives[i]}") uses symbols of the layers above it:"
        echo "$upward" | sed 's/^/    /'
        failed=1
    fi
done

if [ "$failed" = 0 ]; then echo "check_layers: ${#archives[@]} libraries, no call upwards"; fi
exit "$failed"
