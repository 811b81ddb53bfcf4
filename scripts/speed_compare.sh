#!/bin/bash
# Speed of this tree against a reference commit of the same repository, measured in one run:
# the two builds are run alternately and the medians compared, so that load on the machine
# weighs on both alike.
#
#   scripts/speed_compare.sh [reference commit] [runs] [analysis seconds]
#
# Defaults: reference 7a2ad2f, 7 runs of bench_search, 3 runs of the analysis, 20 seconds each.
# The reference is exported from git history into build-ref/src and built in build-ref/build
# (kept for the next run of the same commit); this tree is built in build/.
# Reports per build: the bench_search signature and the median nodes per second; the median
# nodes per second of a UCI "go infinite" on the benchmark position with 64 MB tables stopped
# after the given seconds (warm, realistic tables); and the ratios new / reference.
set -e
ref=${1:-7a2ad2f}
runs=${2:-7}
analysisRuns=${3:-3}
seconds=${ANALYSIS_SECONDS:-20}
here=$(cd "$(dirname "$0")/.." && pwd)
refDir="$here/build-ref"
fen="1rb2rk1/p4ppp/1p1qp1n1/3n2N1/2pP4/2P3P1/PPQ2PBP/R1B1R1K1 w - - 0 1"

commit=$(git -C "$here" rev-parse --verify "$ref^{commit}")
if [ ! -x "$refDir/build/bench/bench_search" ] || [ "$(cat "$refDir/commit" 2>/dev/null)" != "$commit" ]; then
    rm -rf "$refDir"
    mkdir -p "$refDir/src"
    git -C "$here" archive "$commit" | tar -x -C "$refDir/src"
    cmake -S "$refDir/src" -B "$refDir/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$refDir/build" -j 2 --target bench_search morvane >/dev/null
    echo "$commit" > "$refDir/commit"
fi
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" -j 2 --target bench_search morvane >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# bench_search: prints "signature nps".
benchOnce() {
    "$1/bench/bench_search" | awk '/^Total nodes/ { s = $NF } /^Nodes per second/ { n = $NF } END { print s, n }'
}

# Nodes per second of the last thinking line of a UCI analysis stopped after $seconds.
analysisOnce() {
    { printf 'uci\nsetoption name Hash value 64\nposition fen %s\ngo infinite\n' "$fen"
      sleep "$seconds"; printf 'stop\n'; sleep 1; printf 'quit\n'; } |
        (cd "$2" && "$1/morvane") | awk '/ nps / { for (k = 1; k < NF; k++) if ($k == "nps") n = $(k + 1) } END { print n }'
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((r = 1; r <= runs; r++)); do
    for which in ref new; do
        dir=$([ $which = ref ] && echo "$refDir/build" || echo "$here/build")
        read -r sig nps < <(benchOnce "$dir")
        echo "$sig" >> "$work/$which.sig"
        echo "$nps" >> "$work/$which.bench"
        echo "bench_search run $r $which: signature $sig, $nps nps"
    done
done
for ((r = 1; r <= analysisRuns; r++)); do
    for which in ref new; do
        dir=$([ $which = ref ] && echo "$refDir/build" || echo "$here/build")
        nps=$(analysisOnce "$dir" "$work")
        echo "$nps" >> "$work/$which.analysis"
        echo "analysis run $r $which: $nps nps"
    done
done

refSig=$(sort -u "$work/ref.sig" | paste -sd " ")
newSig=$(sort -u "$work/new.sig" | paste -sd " ")
refBench=$(median < "$work/ref.bench")
newBench=$(median < "$work/new.bench")
refAnalysis=$(median < "$work/ref.analysis")
newAnalysis=$(median < "$work/new.analysis")
echo
echo "reference $ref: signature $refSig, bench_search median $refBench nps, analysis median $refAnalysis nps"
echo "this tree:        signature $newSig, bench_search median $newBench nps, analysis median $newAnalysis nps"
awk -v a="$newBench" -v b="$refBench" -v c="$newAnalysis" -v d="$refAnalysis" \
    'BEGIN { printf "speed-up: bench_search %.3f, analysis %.3f\n", a / b, c / d }'
[ "$refSig" = "$newSig" ] || { echo "signatures differ"; exit 1; }
