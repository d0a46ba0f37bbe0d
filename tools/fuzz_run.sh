#!/usr/bin/env bash
# A longer fuzz run than CI's smoke run (not part of CI): every target, or the ones named, runs
# for FUZZ_SECONDS (default 300) from its seeds (fuzz/seeds/<target>, and the inputs the build
# writes into build/fuzz/corpus/fuzz_<target>) and its corpus in build/fuzz/long/<target>,
# which grows from run to run. At the end each target's edges (libFuzzer's "cov"), features and
# corpus are printed.
#   tools/fuzz_run.sh [target ...]      e.g. tools/fuzz_run.sh inf image
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-300}
tools/fuzz_build.sh
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in build/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi
summary=()
for t in "${targets[@]}"; do
    program=build/fuzz/fuzz_$t
    [ -x "$program" ] || { echo "fuzz_run: no target $t" >&2; exit 2; }
    corpus=build/fuzz/long/$t
    log=build/fuzz/long/$t.log
    mkdir -p "$corpus"
    echo "fuzz_run: $t for ${seconds}s"
    status=ok
    inputs=("fuzz/seeds/$t")
    [ -d "build/fuzz/corpus/fuzz_$t" ] && inputs+=("build/fuzz/corpus/fuzz_$t")
    "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        "$corpus" "${inputs[@]}" > "$log" 2>&1 || status=FAILED
    # The last status line: "#N DONE cov: E ft: F corp: C/SIZE ...".
    line=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 || true)
    edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$line")
    features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<< "$line")
    corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<< "$line")
    runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<< "$line")
    summary+=("$(printf '%-12s %-6s edges %-6s features %-7s corpus %-14s runs %s' \
        "$t" "$status" "${edges:-?}" "${features:-?}" "${corp:-?}" "${runs:-?}")")
    [ "$status" = ok ] || tail -30 "$log"
done
echo "fuzz_run: what each target reached (corpus: inputs/bytes):"
printf '%s\n' "${summary[@]}"
