#!/usr/bin/env bash
# Long play under a real interface: series of fast games under xboard (headless), the engine
# spoken to directly in the xboard protocol and through the polyglot adapter in UCI, pondering
# on and off, against phalanx and stockfish. Every game is checked for its end reason (only the
# rules of chess may end it: mate, stalemate, repetition, fifty moves, material, agreement or a
# resignation), the engine's resident memory is sampled through each game (peak per game, and no
# growth from game to game), and its HTML logs and "process.out" are checked when the run ends.
# Not part of make test: a full run takes long.
#   scripts/soak.sh [games per series] [engine] [out folder]
# Environment: SOAK_TC (xboard -tc, default 0:20), SOAK_MPS (default 40; 0 for sudden death),
# SOAK_OPPONENTS (default "phalanx stockfish"; fairymax also works where it starts),
# SOAK_PROTOCOLS (default "xboard uci"), SOAK_PONDER (default "false true").
# The figures in the README came from: SOAK_TC=0:20 SOAK_MPS=0 scripts/soak.sh 6
set -u
games=${1:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
engine=$(realpath "${2:-$root/build/morvane}")
out=$(realpath -m "${3:-$root/build/soak}")
tc=${SOAK_TC:-0:20}
mps=${SOAK_MPS:-40}
opponents=${SOAK_OPPONENTS:-phalanx stockfish}
protocols=${SOAK_PROTOCOLS:-xboard uci}
ponders=${SOAK_PONDER:-false true}
# A game may grow the engine's peak by this much over the largest peak of the first games.
growthLimitKb=${SOAK_GROWTH_KB:-8192}

[ -x "$engine" ] || { echo "No engine at $engine"; exit 2; }
for tool in xboard xvfb-run polyglot $opponents; do
    command -v "$tool" >/dev/null || [ -x "/usr/games/$tool" ] ||
        { echo "Missing $tool (Debian packages xboard xvfb polyglot $opponents)"; exit 2; }
done
export PATH="$PATH:/usr/games"
mkdir -p "$out"
report="$out/report.txt"
: >"$report"
failures=0

# Descendants of a process, one id a line (the engine runs under xboard, or under polyglot).
descendants() {
    local child
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        echo "$child"
        descendants "$child"
    done
}

# Samples the engine's resident memory every 200 ms while xboard runs: "games-finished rss-kb".
sampleMemory() {
    local xboardPid=$1 pgn=$2 samples=$3 pid games rss
    while kill -0 "$xboardPid" 2>/dev/null; do
        games=$(grep -c '^\[Result ' "$pgn" 2>/dev/null)
        for pid in $(descendants "$xboardPid"); do
            [ "$(readlink /proc/"$pid"/exe 2>/dev/null)" = "$engine" ] || continue
            rss=$(awk '/^VmRSS:/ {print $2}' /proc/"$pid"/status 2>/dev/null)
            [ -n "$rss" ] && echo "${games:-0} $rss"
        done
        sleep 0.2
    done >"$samples"
}

for protocol in $protocols; do
    for ponder in $ponders; do
        for opponent in $opponents; do
            name="$protocol-ponder-$ponder-$opponent"
            dir="$out/$name"
            rm -rf "$dir"
            mkdir -p "$dir/engine"
            # The engine keeps its HTML game logs, so that they can be checked afterwards.
            printf '[Preferences]\nLog File=1\n' >"$dir/engine/Morvane.cfg"
            uci=()
            [ "$protocol" = uci ] && uci=(-fUCI)
            # stockfish speaks UCI only: xboard reaches it through polyglot too.
            [ "$opponent" = stockfish ] && uci+=(-sUCI)
            start=$(date +%s)
            xvfb-run -a xboard -noGUI -fcp "$engine" -fd "$dir/engine" "${uci[@]}" \
                -scp "$opponent" -mg "$games" -mps "$mps" -tc "$tc" \
                -ponderNextMove "$ponder" -sgf "$dir/games.pgn" -autoCallFlag true \
                -popupExitMessage false -nameOfDebugFile "$dir/xboard.debug" -debug \
                >"$dir/xboard.out" 2>&1 &
            runner=$!
            sleep 1
            xboardPid=""
            for pid in $(descendants "$runner"); do
                [ "$(basename "$(readlink /proc/"$pid"/exe 2>/dev/null)")" = xboard ] && { xboardPid=$pid; break; }
            done
            [ -n "$xboardPid" ] && sampleMemory "$xboardPid" "$dir/games.pgn" "$dir/rss.samples" &
            sampler=$!
            wait "$runner"
            wait "$sampler" 2>/dev/null
            seconds=$(($(date +%s) - start))

            # End reasons, from the comment xboard writes after each result.
            played=$(grep -c '^\[Result ' "$dir/games.pgn" 2>/dev/null)
            played=${played:-0}
            # One line per game: the engine's colour, the result and xboard's reason for it.
            awk '/^\[White "/ { white = $0 } /^\[Black "/ { black = $0 }
                 /\{[^}]*\} *(1-0|0-1|1\/2-1\/2|\*) *$/ {
                     match($0, /\{[^}]*\}/); reason = substr($0, RSTART, RLENGTH)
                     result = $NF; side = white ~ /orvane/ ? "white" : (black ~ /orvane/ ? "black" : "?")
                     print side, result, reason }' "$dir/games.pgn" >"$dir/ends.txt" 2>/dev/null
            reasons=$(cut -d' ' -f2- "$dir/ends.txt" | sort | uniq -c | sed 's/^ */    /')
            # A game may end only by the rules; a loss on time counts against the engine alone.
            bad=$(awk '{ reason = tolower($0) }
                reason ~ /illegal|false|connection|error|crash|stall|abort|exit|\*$/ { n++; next }
                reason ~ /time|forfeit/ && (($1 == "white" && $2 == "0-1") || ($1 == "black" && $2 == "1-0")) { n++ }
                END { print n + 0 }' "$dir/ends.txt")
            # Peak memory per game: the largest sample while that game was played.
            peaks=$(awk '{ if ($2 > peak[$1]) peak[$1] = $2 } END { for (g in peak) print g, peak[g] }' \
                "$dir/rss.samples" 2>/dev/null | sort -n)
            early=$(echo "$peaks" | awk -v n="$played" 'NF && $1 < (n > 1 ? n / 2 : 1) { if ($2 > m) m = $2 } END { print m + 0 }')
            late=$(echo "$peaks" | awk -v n="$played" 'NF && $1 >= (n > 1 ? n / 2 : 1) { if ($2 > m) m = $2 } END { print m + 0 }')
            # Logs: every HTML log closed properly, "process.out" one line of two numbers.
            logs=$(ls "$dir/engine/Logs"/Log*.htm 2>/dev/null | wc -l)
            unclosed=0
            for log in "$dir/engine/Logs"/Log*.htm; do
                [ -f "$log" ] || continue
                tail -c 200 "$log" | grep -q '</html>' || unclosed=$((unclosed + 1))
            done
            processOut=$(cat "$dir/engine/process.out" 2>/dev/null)
            problems=""
            [ "$played" -eq "$games" ] || problems+=" games=$played/$games"
            [ "${bad:-0}" -eq 0 ] || problems+=" bad-end-reasons=$bad"
            [ "$late" -le $((early + growthLimitKb)) ] || problems+=" memory-growth=${early}->${late}kB"
            [ "$unclosed" -eq 0 ] || problems+=" unclosed-logs=$unclosed"
            echo "$processOut" | grep -qE '^[0-9]+ [0-9]+$' || problems+=" process.out='$processOut'"
            grep -qiE 'sanitizer|runtime error|segmentation' "$dir/xboard.out" "$dir/xboard.debug" 2>/dev/null &&
                problems+=" sanitizer-or-crash-output"
            {
                echo "== $name: $played games in ${seconds}s, peak RSS kB first half $early, second half $late, logs $logs, process.out '$processOut'"
                echo "$reasons"
                echo "  peak RSS per game (game kB): $(echo "$peaks" | tr '\n' ' ')"
                if [ -n "$problems" ]; then
                    echo "  FAILED:$problems"
                else
                    echo "  ok"
                fi
            } | tee -a "$report"
            [ -z "$problems" ] || failures=$((failures + 1))
        done
    done
done
echo "Soak: $failures failing series; report in $report"
[ "$failures" -eq 0 ]
