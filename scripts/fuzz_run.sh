#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build: first the kept regression inputs of
# tests/fuzz_regressions/<target>/, then a fuzzing run of the given seconds from the seed corpus
# fuzz/corpus/<target>/ (with fuzz/dict/<target>.dict). A crash, a sanitizer report, a hang (-timeout) or a leak fails the run;
# the input that failed is kept under <build>/findings/<target>/ for tests/fuzz_regressions/.
#   scripts/fuzz_run.sh build-fuzz 10
set -u
build=${1:?fuzz build folder}
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
failed=0
summary=()
for program in "$build"/fuzz_*; do
    [ -x "$program" ] || continue
    target=${program##*/fuzz_}
    findings="$build/findings/$target"
    corpus="$build/corpus/$target"
    mkdir -p "$findings" "$corpus"
    cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null
    options=(-timeout=10 -rss_limit_mb=2048 -max_len=8192 "-artifact_prefix=$findings/")
    # A dictionary of the target's words (FEN letters, SAN marks, PGN tags, commands).
    [ -f "$root/fuzz/dict/$target.dict" ] && options+=("-dict=$root/fuzz/dict/$target.dict")
    regressions="$root/tests/fuzz_regressions/$target"
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        if ! (cd "$build" && "$program" "${options[@]}" "$regressions"/* >"$build/$target-regressions.log" 2>&1); then
            echo "FAILED: $target regression input (see $build/$target-regressions.log)"
            tail -40 "$build/$target-regressions.log"
            failed=1
            summary+=("fuzz_$target: regression input failed, status 1")
            continue
        fi
    fi
    log="$build/$target.log"
    (cd "$build" && "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        "$corpus" >"$log" 2>&1)
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ $status -ne 0 ]; then
        echo "FAILED: fuzz_$target (status $status, see $log); input kept in $findings"
        grep -E "ERROR|runtime error|SUMMARY|Test unit written" "$log" | head -20
        failed=1
    fi
    summary+=("fuzz_$target: ${runs:-0} executions, status $status")
done
printf '%s\n' "${summary[@]}"
[ ${#summary[@]} -gt 0 ] || { echo "No fuzz target found in $build"; exit 1; }
failures=$(printf '%s\n' "${summary[@]}" | grep -vc 'status 0$')
echo "fuzz: $((${#summary[@]} - failures)) passed, $failures failed"
exit $failed
