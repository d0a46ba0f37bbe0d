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

# Rank and name of the layer a source path (relative to SOURCE_DIR) belongs to.
layer_of() {
    case $1 in
    platform/*) echo "0 platform" ;;
    common/*) echo "1 common" ;;
    browser/recording.*) echo "2 recording" ;;
    osd/*) echo "3 osd" ;;
    image/*) echo "4 image" ;;
    browser/*) echo "5 browser" ;;
    textview/* | epg/* | infos/* | net/*) echo "5 ${1%%/*}" ;;
    core/*) echo "6 core" ;;
    *) echo "" ;;
    esac
}

failed=0
cd "$src"
for file in $(git ls-files platform common osd image browser textview epg infos net core 2>/dev/null ||
    find platform common osd image browser core -name '*.cpp' -o -name '*.h'); do
    case $file in *.cpp | *.h) ;; *) continue ;; esac
    read -r rank name <<< "$(layer_of "$file")"
    [ -n "$rank" ] || continue
    while IFS= read -r included; do
        # "x.h" lies beside the file, "dir/x.h" below the source folder.
        case $included in */*) path=$included ;; *) path=$(dirname "$file")/$included ;; esac
        read -r their_rank their_name <<< "$(layer_of "$path")"
        [ -n "$their_rank" ] || continue
        if [ "$their_name" != "$name" ] && [ "$their_rank" -ge "$rank" ]; then
            echo "check_layers: $file ($name) includes $included ($their_name)"
            failed=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done

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
