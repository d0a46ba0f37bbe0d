#!/usr/bin/env bash
# The scenario tests on the receiver build: the MIPS emulator runs the MIPS TAPs through
# scenario_tests.mips under qemu-user, on the file system of the build folder; the PC build runs
# the same tests; both with the built-in font's text widths. Each test must pass in both, and
# what they show (the screen text model at every change, with its tick), trace and write must
# be equal. This run takes every PARTS-th test of the MIPS program from the PART-th on.
# usage: mips_scenarios.sh MIPSEL_DIR PC_SCENARIO_TESTS WORK_DIR PART PARTS
set -euo pipefail
mips=$1 pc=$2 work=$3 part=$4 parts=$5
# The C library next to the cross build's loader: where the system also has the receiver
# architecture's own C library (a multiarch package, which the loader finds first through the
# host's cache), a loader and C library of different versions end any thread the tests start
# (the test HTTP server's) in a crash.
qemu=(qemu-mipsel -L /usr/mipsel-linux-gnu -E LD_LIBRARY_PATH=/usr/mipsel-linux-gnu/lib)
out=$work/part$part
rm -rf "$out"
mkdir -p "$out/pc" "$out/mips" "$out/tmp"
trap 'rm -rf "$out/tmp"' EXIT
fail() { echo "mips_scenarios: $*" >&2; exit 1; }

filter=$("${qemu[@]}" "$mips/scenario_tests.mips" --gtest_list_tests |
    awk '/^[^ ]/ {suite = $1} /^  / {print suite $1}' |
    awk -v part="$part" -v parts="$parts" '(NR - 1) % parts == part' | paste -sd: -)
[ -n "$filter" ] || fail "no tests in part $part of $parts"
run() { # build, program...
    local build=$1
    shift
    TMPDIR=$out/tmp TOVAK_SCENARIO_RECORD=$out/$build TOVAK_BUILTIN_FONT=1 \
        "$@" --gtest_filter="$filter" > "$out/$build.log" 2>&1 ||
        { tail -n 40 "$out/$build.log" >&2; fail "the $build build failed its tests"; }
}
run pc "$pc"
run mips "${qemu[@]}" "$mips/scenario_tests.mips"
tests=$(tr ':' '\n' <<< "$filter" | wc -l)
# The fallback mapping puts the run's own temporary folder into link targets and paths: that
# test must pass on both builds, but what it writes is not compared.
rm -f "$out"/{pc,mips}/Receiver.TheFallbackMappingServesTheSamePaths.*
# The viewer's helper-box test writes scripts that name its own temporary folder: its screens
# and trace are compared, its files are not.
rm -f "$out"/{pc,mips}/Viewer.BoxesWhileHelpersRun.files
records=$(find "$out/mips" -type f | wc -l)
# The memory figures the TAP logs depend on the size of its records, which are larger with the
# PC's 64-bit pointers; a log's hash therefore stays out, its lines are compared without them.
# More things differ by nature and are left out: the loopback port a connection of the TAP
# came from (the trace's connect), the addresses the diagnostics pages show (the HD TAP's, and
# that of Infos & Tools with its marker spans, image sizes and heap figures), and the content
# of a helper program's error log (wget names ports and times there).
for build in pc mips; do
    for f in "$out/$build"/*.files; do
        sed -E -i 's/(free|avail)=[0-9]+/\1=N/g; /\.log [0-9]+ [0-9]+$/d; s/(\.stderr) [0-9]+ [0-9]+$/\1 N N/' "$f"
    done
    for f in "$out/$build"/*.trace; do
        sed -E -i 's/("call":"connect","args":\[[0-9]+,)[0-9]+\]/\1N]/' "$f"
    done
    for f in "$out/$build"/*.screens; do
        sed -E -i -e 's/ (text|data|bss|end|got|gp|main|init|hdr|heap|stack|code)=[0-9a-f]+/ \1=A/g' \
            -e 's/=A\+[0-9]+/=A+N/g; s/: [0-9a-f]+\.\.[0-9a-f]+ -?[0-9]+/: A..A N/g' \
            -e 's/(diffs=-?[0-9]+ )[0-9]+\/[0-9.]+ ?[kKMG]?B?/\1N\/N/g' \
            -e 's/avail0=[0-9]+ [-+][0-9.]+ KB/avail0=N N KB/g' "$f"
    done
done
if ! diff -r -x '*.log' "$out/pc" "$out/mips" > "$out/diff"; then
    cut -c 1-300 "$out/diff" | head -n 40 >&2
    fail "the builds differ (all of it: $out/diff)"
fi
echo "mips_scenarios: $tests tests, $records records equal"
