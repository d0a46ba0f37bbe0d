#!/usr/bin/env bash
# Writes the receiver release: build/release/tovakrc-<version>-receiver.zip with the receiver's
# disk layout. The version is the resident TAP's own (TOVAK_VERSION of common/version.h, without
# its "v"); every file of the zip carries the TAP's build time (TOVAK_BUILD_TIME), and the files
# stand in a fixed order, so the same tree gives the same zip.
#
#   INSTALL.txt                                     how to install (English and German)
#   ProgramFiles/Auto Start/tovakrc_tms.tap         the resident TAP (receiver build, prepared)
#   ProgramFiles/Settings/TovakRC/tovak_gif.mips    the GIF and PNG converters (static MIPS)
#   ProgramFiles/Settings/TovakRC/tovak_png.mips
#   ProgramFiles/Settings/TovakRC/tovakrc_en.txt    the manual ("Show Description")
#   ProgramFiles/Settings/TovakRC/tovakrc.txt
#   ProgramFiles/Settings/TovakRC/TovakRC.map       the key mapping template, as the TAP writes it
#   HD receivers/ProgramFiles/Auto Start/tovakrc_hd.tap   the HD TAP, an alternative: a folder
#                                                   of its own, so that copying "ProgramFiles"
#                                                   never installs both
#
# usage: release.sh [--no-build]   (without it, tools/build.sh builds the receiver and PC builds
#                                   first; with it, the built tree is only checked)
# RELEASE_MIPSEL and RELEASE_HOST name other build folders (default build/mipsel and build/host),
# RELEASE_OUT the folder the zip goes to (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
if [ "${1:-}" != --no-build ]; then
    ./tools/build.sh
fi
fail() { echo "release.sh: $*" >&2; exit 1; }

mips=${RELEASE_MIPSEL:-$top/build/mipsel} host=${RELEASE_HOST:-$top/build/host}
out=${RELEASE_OUT:-$top/build/release}
for f in "$mips/tovakrc_tms.tap" "$mips/tovakrc_hd.tap" "$mips/tovak_gif.mips" \
    "$mips/tovak_png.mips" "$host/tapsim" "$host/tovakrc_tms.tap"; do
    [ -s "$f" ] || fail "missing $f (build it first: tools/build.sh)"
done

version=$(sed -n 's/^#define TOVAK_VERSION "v\{0,1\}\(.*\)"$/\1/p' common/version.h)
built=$(sed -n 's/^#define TOVAK_BUILD_TIME "\(.*\)"$/\1/p' common/version.h)
[ -n "$version" ] && [ -n "$built" ] || fail "no version in common/version.h"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The key mapping template: the TAP writes it into its settings folder when it finds none.
mkdir "$work/disk"
"$host/tapsim" --disk "$work/disk" --tap "$host/tovakrc_tms.tap" > "$work/tapsim.log" 2>&1 ||
    fail "the PC emulator did not run: $(cat "$work/tapsim.log")"
map=$work/disk/ProgramFiles/Settings/TovakRC/TovakRC.map
[ -s "$map" ] || fail "the TAP wrote no key mapping template"

settings="ProgramFiles/Settings/TovakRC"
mkdir -p "$out"
zip=$out/tovakrc-$version-receiver.zip
python3 - "$zip" "$version" "$built" <<PY
import sys, time, zipfile
out, version, built = sys.argv[1:4]
stamp = time.strptime(" ".join(built.split()), "%b %d %Y %H:%M:%S")[:6]
note = open("$top/tools/release_install.txt", encoding="utf-8").read().replace("@VERSION@", version)
# (name in the zip, source file or None for a folder, text to use instead, executable)
entries = [
    ("INSTALL.txt", None, note, False),
    ("ProgramFiles/", None, None, False),
    ("ProgramFiles/Auto Start/", None, None, False),
    ("ProgramFiles/Auto Start/tovakrc_tms.tap", "$mips/tovakrc_tms.tap", None, True),
    ("ProgramFiles/Settings/", None, None, False),
    ("$settings/", None, None, False),
    ("$settings/tovak_gif.mips", "$mips/tovak_gif.mips", None, True),
    ("$settings/tovak_png.mips", "$mips/tovak_png.mips", None, True),
    ("$settings/tovakrc_en.txt", "$top/textview/tovakrc_en.txt", None, False),
    ("$settings/tovakrc.txt", "$top/textview/tovakrc.txt", None, False),
    ("$settings/TovakRC.map", "$map", None, False),
    ("HD receivers/", None, None, False),
    ("HD receivers/ProgramFiles/", None, None, False),
    ("HD receivers/ProgramFiles/Auto Start/", None, None, False),
    ("HD receivers/ProgramFiles/Auto Start/tovakrc_hd.tap", "$mips/tovakrc_hd.tap", None, True),
]
with zipfile.ZipFile(out + ".part", "w") as z:
    for name, source, text, executable in entries:
        info = zipfile.ZipInfo(name, date_time=stamp)
        info.create_system = 3  # Unix permissions
        if name.endswith("/"):
            info.external_attr = (0o40755 << 16) | 0x10
            z.writestr(info, b"")
            continue
        info.external_attr = (0o100755 if executable else 0o100644) << 16
        info.compress_type = zipfile.ZIP_DEFLATED
        data = text.encode("utf-8") if text is not None else open(source, "rb").read()
        z.writestr(info, data, compresslevel=9)
PY
mv "$zip.part" "$zip"
echo "$zip"
