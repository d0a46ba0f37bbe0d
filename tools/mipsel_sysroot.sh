#!/usr/bin/env bash
# Unpacks Debian's mipsel development packages into a folder of the build (default
# build/sysroot-mipsel): the MIPS emulator links FreeType, libpng, libjpeg and zlib from
# there. The packages are fetched with apt-get download and unpacked with dpkg -x, not
# installed: their versions need not match the PC's packages of the same names. Needs the
# mipsel architecture in dpkg and its package lists (tools/setup.sh). Does nothing when the
# folder already holds the versions the package lists name (its stamp file).
#
# Debian's mipsel code is MIPS32 release 2; receivers run release 1. The helper programs the
# TAP runs on the receiver are therefore linked against libraries built here for release 1
# (receiver/ of the folder): the C library musl (which also runs on the receivers' 2.6
# kernels), zlib, libpng and GIFLIB, from the Debian source packages of the same versions,
# fetched with apt-get source through a private package list of source entries made from the
# system's own.
# usage: mipsel_sysroot.sh [DIR]
set -euo pipefail
script=$(realpath "$0")
cd "$(dirname "$0")/.."
root=$(realpath -m "${1:-build/sysroot-mipsel}")
# The MIPS emulator's libraries (FreeType's static library needs Brotli, its WOFF2 reader,
# libpng and zlib), and the packages whose sources give the release 1 libraries.
packages=(libfreetype-dev libbrotli-dev libpng-dev zlib1g-dev libjpeg62-turbo-dev)
sources=(musl-dev zlib1g-dev libpng-dev libgif-dev)
names=$(printf '%s:mipsel\n' "${packages[@]}" "${sources[@]}" | sort -u)
wanted=$(apt-cache show --no-all-versions $names 2> /dev/null |
    awk '/^Package: / {p = $2} /^Version: / {print p, $2}' | sort)
if [ "$(wc -l <<< "$wanted")" -ne "$(wc -l <<< "$names")" ]; then
    echo "mipsel_sysroot: mipsel packages missing from the package lists (run tools/setup.sh)" >&2
    exit 1
fi
# What the release 1 libraries are built from and how: the versions and this script.
source_versions=$(grep -E "^($(IFS='|'; echo "${sources[*]}")) " <<< "$wanted")
receiver_stamp=$(echo "$source_versions"
    sha1sum "$script" | cut -d' ' -f1)
if [ -f "$root/.packages" ] && [ "$(cat "$root/.packages")" = "$wanted" ] &&
    [ -f "$root/receiver/.built" ] && [ "$(cat "$root/receiver/.built")" = "$receiver_stamp" ]; then
    exit 0
fi
quiet() { grep -v -e 'unsandboxed as root' -e '^dpkg-source: info' >&2 || true; }

if ! [ -f "$root/.packages" ] || [ "$(cat "$root/.packages")" != "$wanted" ]; then
    rm -rf "$root"
    mkdir -p "$root/debs"
    (cd "$root/debs" && apt-get download -q=2 "${packages[@]/%/:mipsel}" 2> >(quiet))
    for deb in "$root"/debs/*.deb; do
        dpkg -x "$deb" "$root"
    done
    rm -rf "$root/debs"
    echo "$wanted" > "$root/.packages"
fi

# The release 1 libraries.
out=$root/receiver
rm -rf "$out" "$root/src" "$root/apt"
mkdir -p "$out/lib" "$out/include" "$root/src" "$root/apt/parts" "$root/apt/lists/partial" \
    "$root/apt/cache/archives/partial"
: > "$root/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$f" >> "$root/apt/sources.list"
done
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" > "$root/apt/parts/$(basename "$f")"
done
apt_private=(-q=2 -o Dir::Etc::SourceList="$root/apt/sources.list"
    -o Dir::Etc::SourceParts="$root/apt/parts" -o Dir::State::Lists="$root/apt/lists"
    -o Dir::Cache="$root/apt/cache")
apt-get "${apt_private[@]}" update 2> >(quiet)
(cd "$root/src" && apt-get "${apt_private[@]}" source \
    $(awk '{print $1 "=" $2}' <<< "$source_versions") \
    > /dev/null 2> >(quiet))

cc=mipsel-linux-gnu-gcc
cflags=(-march=mips32 -O2)
jobs=$(nproc)
musl=$(echo "$root"/src/musl-*/)
(cd "$musl" && CC=$cc CROSS_COMPILE=mipsel-linux-gnu- CFLAGS="${cflags[*]}" ./configure \
    --target=mipsel-linux-gnu --prefix="$out" --disable-shared > configure.log 2>&1 &&
    make -j"$jobs" install-headers install-libs > make.log 2>&1) ||
    { tail -n 30 "$musl"/*.log >&2; exit 1; }
# The other libraries see only musl's headers and the compiler's own.
cflags+=(-nostdinc -isystem "$out/include" -isystem "$($cc -print-file-name=include)")
library() { # name, source folder, options, sources...
    local name=$1 src=$2 options=($3) objects=()
    shift 3
    mkdir -p "$root/src/obj-$name"
    for c in "$@"; do
        objects+=("$root/src/obj-$name/${c%.c}.o")
        $cc "${cflags[@]}" "${options[@]}" -I"$src" -c "$src/$c" -o "${objects[-1]}" &
        while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
    done
    wait
    mipsel-linux-gnu-ar rcs "$out/lib/lib$name.a" "${objects[@]}"
}
zlib=$(echo "$root"/src/zlib-*/)
library z "$zlib" -DHAVE_UNISTD_H adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
    infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$zlib"/zlib.h "$zlib"/zconf.h "$out/include/"
png=$(echo "$root"/src/libpng*/)
cp "$png/scripts/pnglibconf.h.prebuilt" "$png/pnglibconf.h"
library png16 "$png" "" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c \
    pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
cp "$png"/png.h "$png"/pngconf.h "$png"/pnglibconf.h "$out/include/"
gif=$(echo "$root"/src/giflib-*/)
library gif "$gif" "" dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c \
    openbsd-reallocarray.c quantize.c
cp "$gif"/gif_lib.h "$out/include/"
rm -rf "$root/src" "$root/apt"
echo "$receiver_stamp" > "$out/.built"
