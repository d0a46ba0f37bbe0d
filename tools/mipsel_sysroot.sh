#!/usr/bin/env bash
# Unpacks Debian's mipsel development packages into a folder of the build (default
# build/sysroot-mipsel): the receiver build links FreeType, libpng, libjpeg, zlib and GIFLIB
# from there. The packages are fetched with apt-get download and unpacked with dpkg -x, not
# installed: their versions need not match the PC's packages of the same names. Needs the
# mipsel architecture in dpkg and its package lists (tools/setup.sh). Does nothing when the
# folder already holds the versions the package lists name (its stamp file).
# usage: mipsel_sysroot.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(realpath -m "${1:-build/sysroot-mipsel}")
# FreeType's static library needs Brotli (its WOFF2 reader), libpng and zlib; musl is the C
# library of the helper programs.
packages=(libfreetype-dev libbrotli-dev libpng-dev zlib1g-dev libjpeg62-turbo-dev libgif-dev
    musl-dev)
wanted=$(apt-cache show --no-all-versions "${packages[@]/%/:mipsel}" 2> /dev/null |
    awk '/^Package: / {p = $2} /^Version: / {print p, $2}' | sort)
if [ "$(wc -l <<< "$wanted")" -ne ${#packages[@]} ]; then
    echo "mipsel_sysroot: mipsel packages missing from the package lists (run tools/setup.sh)" >&2
    exit 1
fi
if [ -f "$root/.packages" ] && [ "$(cat "$root/.packages")" = "$wanted" ]; then exit 0; fi
rm -rf "$root"
mkdir -p "$root/debs"
(cd "$root/debs" && apt-get download -q=2 "${packages[@]/%/:mipsel}" \
    2> >(grep -v 'unsandboxed as root' >&2))
for deb in "$root"/debs/*.deb; do
    dpkg -x "$deb" "$root"
done
rm -rf "$root/debs"
echo "$wanted" > "$root/.packages"
