#!/usr/bin/env bash
# Fuzzes every file reader for a while. Usage: scripts/fuzz.sh [SECONDS_PER_HARNESS]
# (default 60). Builds the libFuzzer programs of tests/fuzz with clang in
# build-fuzz/, then runs the harnesses one after another, each on a working
# copy of its seeds (build-fuzz/corpus/<harness>/, which keeps what earlier
# runs found; the repository's seeds are never written to), and prints per
# harness the inputs run, the coverage reached and the files of any findings
# (build-fuzz/findings/<time>/<harness>/). Exits non-zero when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/install-deps.sh clang-14 libclang-rt-14-dev

harnesses=()
for source in tests/fuzz/*_fuzz.cpp; do
    name=$(basename "$source")
    harnesses+=("${name%_fuzz.cpp}")
done

# The harnesses of one format share its dictionary.
dictionary() {
    case $1 in
        dxf_*) echo dxf ;;
        results | lost_rays) echo numeric ;;
        *) echo "$1" ;;
    esac
}

echo "== Building the fuzz programs (build-fuzz/)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELTO_FUZZ=ON -DVELTO_BUILD_GUI=OFF -DVELTO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${harnesses[@]/#/velto_fuzz_}"

findings_root=build-fuzz/findings/$(date +%Y%m%d-%H%M%S)
summary=()
found=0
for harness in "${harnesses[@]}"; do
    echo "== Fuzzing $harness for $seconds s"
    corpus=build-fuzz/corpus/$harness
    findings=$findings_root/$harness
    log=$findings_root/$harness.log
    mkdir -p "$corpus" "$findings"
    cp tests/fuzz/corpus/"$harness"/* "$corpus"/
    # A finding ends the harness's run; the summary reports it and the next
    # harness still gets its time.
    status=0
    build-fuzz/bin/velto_fuzz_"$harness" "$corpus" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -dict=tests/fuzz/dict/"$(dictionary "$harness")".dict \
        -artifact_prefix="$findings"/ -print_final_stats=1 >"$log" 2>&1 || status=$?

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
    if [ -z "$runs" ]; then
        runs=$(sed -E 's/^#([0-9]+).*/\1/' <<<"$last")
    fi
    cov=$(sed -nE 's/.*cov: ([0-9]+).*/\1/p' <<<"$last")
    files=$(find "$findings" -maxdepth 1 -type f \
        \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
    if [ -n "$files" ]; then
        found=1
        summary+=("$(printf '%-12s runs %-10s cov %-6s findings:' \
            "$harness" "${runs:-?}" "${cov:-?}")")
        while read -r file; do
            summary+=("    $file")
        done <<<"$files"
    elif [ "$status" -ne 0 ]; then
        found=1
        summary+=("$(printf '%-12s runs %-10s cov %-6s failed (exit %d), see %s' "$harness" \
            "${runs:-?}" "${cov:-?}" "$status" "$log")")
    else
        summary+=("$(printf '%-12s runs %-10s cov %-6s no findings' \
            "$harness" "${runs:-?}" "${cov:-?}")")
    fi
done

echo "== Summary ($seconds s per harness; logs in $findings_root/)"
printf '%s\n' "${summary[@]}"
exit "$found"
