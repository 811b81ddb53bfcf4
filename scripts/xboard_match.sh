#!/bin/sh
# Plays a headless xboard match of the engine against fairymax and checks how every game ended.
#
#   scripts/xboard_match.sh ENGINE WORKDIR GAMES [xboard options ...]
#
# The engine runs in WORKDIR (its Morvane.cfg, books and Logs/ live there); xboard writes the
# games to WORKDIR/games.pgn and its protocol trace to WORKDIR/xboard.debug. Every game must end
# by a rule of chess: mate, stalemate, repetition, the fifty-move rule, insufficient material, a
# resignation or an agreed draw. An illegal move, a false claim, a loss on time or an engine that
# stopped answering fails the match. Exit status 0 when all GAMES games ended well.
#
# Examples:
#   scripts/xboard_match.sh build/morvane /tmp/match 4 -depth 4 -mps 40 -tc 0:20
#   scripts/xboard_match.sh build/morvane /tmp/match 2 -mps 40 -tc 0:30
set -u
if [ $# -lt 3 ]; then
    echo "usage: $0 ENGINE WORKDIR GAMES [xboard options ...]" >&2
    exit 2
fi
engine=$(readlink -f "$1")
work=$2
games=$3
shift 3
PATH=$PATH:/usr/games
export PATH
for program in xboard xvfb-run fairymax; do
    if ! command -v $program >/dev/null 2>&1; then
        echo "$program is not installed (make deps installs it)" >&2
        exit 2
    fi
done
mkdir -p "$work" || exit 2
work=$(readlink -f "$work")
cd "$work" || exit 2
rm -f games.pgn xboard.debug xboard.out

# A generous ceiling: a stuck match must end the test rather than hang it (-k: and its
# children with it). Fairy-Max 5.0b crashes now and then on the "computer" command alone (seen
# in about a third of plain pipe runs), so it is not sent to it.
timeout -k 5 1200 xvfb-run -a xboard -noGUI -fcp "$engine" -fd "$work" -scp fairymax \
    -secondComputerString "" -mg "$games" -sgf games.pgn -autoCallFlag true \
    -popupExitMessage false -debug -soundProgram true "$@" >xboard.out 2>&1
status=$?
if [ $status -ne 0 ]; then
    echo "xboard ended with status $status" >&2
fi

# One line per game: White, Black, result and the reason xboard recorded.
awk '
    /^\[White "/  { white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
    /^\[Black "/  { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
    /^\[Result "/ { result = $0; sub(/^\[Result "/, "", result); sub(/"\]$/, "", result) }
    /\{[^}]*\} *(1-0|0-1|1\/2-1\/2|\*) *$/ {
        reason = $0
        sub(/^.*\{/, "", reason)
        sub(/\}.*$/, "", reason)
        printf "%s\t%s\t%s\t%s\n", white, black, result, reason
    }
' games.pgn >results.txt 2>/dev/null

played=$(wc -l <results.txt)
good='mate|stalemate|repetition|fifty|50.move|insufficient|material|resign|agree'
bad='illegal|time|forfeit|false|claim|crash|connection|exit|disconnect|abort|stopped|unknown'
failures=0
wins=0
losses=0
draws=0
while IFS='	' read -r white black result reason; do
    verdict=ok
    if ! printf '%s' "$reason" | grep -Eiq "$good" || printf '%s' "$reason" | grep -Eiq "$bad"; then
        verdict=FAILED
        failures=$((failures + 1))
    fi
    case "$result" in
    1-0) case "$white" in Morvane*) wins=$((wins + 1)) ;; *) losses=$((losses + 1)) ;; esac ;;
    0-1) case "$black" in Morvane*) wins=$((wins + 1)) ;; *) losses=$((losses + 1)) ;; esac ;;
    *) draws=$((draws + 1)) ;;
    esac
    printf '%-8s %s - %s  %s {%s}\n' "$verdict" "$white" "$black" "$result" "$reason"
done <results.txt
echo "games: $played of $games; engine wins $wins, losses $losses, draws $draws"
if [ "$played" -ne "$games" ] || [ $failures -ne 0 ] || [ $status -ne 0 ]; then
    exit 1
fi
exit 0
