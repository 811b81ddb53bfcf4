// Think: the cases that need no search, the time budget, iterative deepening with aspiration
// windows over RootSearch, pondering, multi-line analysis and the ponder move.
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "book/book.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/alphabeta.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/ordering.h"
#include "search/think.h"
#include "search/thinking_output.h"
#include "tablebases/tablebases.h"

int lineIndex = 1;
int lineCount = 1;
Move lineMove[MaxAnalysisLines];
int lineScore[MaxAnalysisLines];
char lineText[MaxAnalysisLines][256];
int rootInTrouble = 0;
int rootResearching = 0;
int rootMovesSearched = 0;
int rootPassCount = 0;
int rootMovesLeft = 0;
char currentMoveText[16] = "";
const char* boundLabel = "";

namespace {

// Deepest iteration worth going on with an unchanged best move, by the men other than kings
// and pawns (whitePieceCount + blackPieceCount - 2) when the search starts.
constexpr int earlyStopDepth[15] = {12, 11, 11, 10, 10, 9, 9, 8, 8, 8, 8, 8, 8, 8, 8};

// The text of a move of the current position in the protocol's notation.
void notationBefore(Move m, char* out) {
    if (uciMode) moveToCoordinate(m, out);
    else sanBeforeMove(m, out);
}

// Charges the time of this call to the engine's clock (not while pondering).
void chargeElapsed() {
    elapsed = elapsedNow();
    if (!pondering) timeLeft -= elapsed;
}

// Row 1 of the PV table takes m and the line below it (row 2).
void adoptRootMove(Move m) {
    pvTable[1][1] = m;
    for (int k = 2; k < pvLength[2] && k < MaxPly; ++k) pvTable[1][k] = pvTable[2][k];
    pvLength[1] = pvLength[2] > 2 ? pvLength[2] : 2;
}

// A root event: "info" line in UCI, a marked WinBoard line when thinking is posted.
void printRootEvent(int score, int kind) {
    if (uciMode) PrintUciMoveLine(score, currentMoveText);
    else if (postThinking) PrintRootMark(score, currentMoveText, kind);
}

void printPv(int score) {
    if (uciMode) PrintUciPv(score);
    else PrintPvLine(score);
}

void printLast(int score) {
    if (uciMode) PrintLastLine(score, pvText, 0);
    else if (postThinking) PrintLastLine(score, pvText, 1);
}

// The move the opponent is expected to answer with after m (0 when none is known); also
// writes ponderText.
Move expectedReply(Move m) {
    makeMove(m);
    Move reply = postThinking ? PonderMoveFromText(pvText) : HashMoveOf();
    if (reply != 0 && !isLegalHere(reply)) reply = 0;
    if (reply != 0) notationBefore(reply, ponderText);
    unmakeMove(m);
    return reply;
}

} // namespace

int isLegalHere(Move m) {
    if (m == 0) return 0;
    Move list[MaxMoves];
    const Move* end = generateMoves(list, sideToMoveInCheck());
    for (const Move* p = list; p < end; ++p)
        if (*p == m) return 1;
    return 0;
}

Move PonderMoveFromText(const char* text) {
    int tokenNumber = 0;
    const char* s = text;
    while (*s) {
        while (*s == ' ') ++s;
        if (!*s) break;
        char token[32];
        int length = 0;
        while (*s && *s != ' ') {
            if (length < static_cast<int>(sizeof token) - 1) token[length++] = *s;
            ++s;
        }
        token[length] = 0;
        const char* move = token;
        while (*move && std::strchr("0123456789./-*", *move)) ++move;
        if (!*move) continue;
        if (++tokenNumber < 2) continue;
        Move list[MaxMoves];
        const Move* end = generateMoves(list, sideToMoveInCheck());
        for (const Move* p = list; p < end; ++p) {
            notationBefore(*p, ponderText);
            if (std::strcmp(ponderText, move) == 0) return *p;
        }
        return 0;
    }
    return 0;
}

// Milliseconds a sudden-death budget leaves on the clock.
constexpr int SuddenDeathReserve = 1000;

int AllocateTime() {
    // 1.
    lowTime = 0;
    double t;
    if (movesPerControl > 0) {
        // 2. An even share of the clock over the moves to go (at least one), with the bonus.
        const int toGo = movesToGo > 0 ? movesToGo : 1;
        t = (timeLeft / toGo) * (1 + 0.5 * timeBonus) - (toGo == 1 ? 2500 : 0);
        if (firstMoveFlag) {
            if (toGo > 1) t *= 1.2;
            firstMoveFlag = 0;
        }
    } else {
        // 3. Sudden death: 4.5 % of the clock, 10 % between 15 and 60 seconds.
        t = 0.045 * timeLeft;
        if (timeLeft > 15000 && timeLeft < 60000) t *= 2.2222223;
        if (t < 9000) lowTime = 1;
        // The last second stays on the clock. Near it the engine answers at once, so that the
        // fixed cost of every move (reading, writing, the interface's own delay) cannot run a
        // clock without increment down to nothing in a long game.
        if (t > timeLeft - SuddenDeathReserve) t = timeLeft > SuddenDeathReserve ? timeLeft - SuddenDeathReserve : 0;
    }
    // 4.
    return static_cast<int>(t);
}

int RootSearch(int alpha, int beta, int depth, Move* rootMoves, int count, int inCheck) {
    (void)inCheck;
    // 1. A new pass.
    int best = -30000;
    periodicLines = 0;
    lastPeriodicElapsed = 0;
    rootMovesSearched = 0;
    abortSearch = 0;
    pvLength[1] = 1;
    int keys[MaxMoves];
    OrderRootMoves(rootMoves, keys, count);
    rootPassCount = count;

    // 2. Every root move.
    for (int i = 0; i < count; ++i) {
        const Move m = PickNext(keys, rootMoves, i, count);
        const uint32_t nodesBefore = static_cast<uint32_t>(nodes);
        makeMove(m);
        if (uciMode) moveToCoordinate(m, currentMoveText);
        else sanAfterMove(m, currentMoveText);
        const int keyIndex = gameIndex + board.historyIndex - 1;
        if (keyIndex < GameRecordSize) gameKeys[keyIndex] = board.hashKey;
        lineMoves[board.historyIndex] = m;
        ++rootMovesSearched;
        rootMovesLeft = count - lineIndex - i;

        // 2.1 The current-move line for the first move of a deep iteration.
        if (iteration > 5 && i == 0) PrintCurrentMoveLine();

        // 2.2 Extension and node count.
        const int givesCheck = sideToMoveInCheck();
        const int ext = givesCheck ? 60 : ((pawnToSeventh(m) || movePromotion(m)) ? 45 : 0);
        countNode();
        const int newDepth = depth - 60 + ext;
        int score;

        if (i == 0 || depth + ext <= 60) {
            // 2.3 Full window.
            score = -Search(-beta, -alpha, newDepth, 0, givesCheck, ext);
            if (abortSearch) {
                lineMoves[board.historyIndex] = 0;
                unmakeMove(m);
                return rootScore;
            }
            if (score < beta) {
                if (i == 0 && score <= alpha) {
                    rootInTrouble = 1;
                    alpha = score;
                    if (iteration >= noiseDepth) printRootEvent(score, 2);
                }
            } else if (iteration >= noiseDepth && !rootInTrouble) {
                printRootEvent(score, 1);
            }
        } else {
            // 2.4 Null window, and a re-search for a move that beats alpha.
            score = -Search(-alpha - 1, -alpha, newDepth, 0, givesCheck, ext);
            if (abortSearch) {
                lineMoves[board.historyIndex] = 0;
                unmakeMove(m);
                return rootScore;
            }
            if (score > alpha && score < beta) {
                if (iteration >= noiseDepth) printRootEvent(score, 0);
                rootResearching = 1;
                const uint32_t researchStart = tickCount();
                score = -Search(-beta, -(score - 1), newDepth, 0, givesCheck, ext);
                rootResearching = 0;
                if (abortSearch) {
                    lineMoves[board.historyIndex] = 0;
                    unmakeMove(m);
                    if (tickCount() - researchStart >= 1000) {
                        // A long re-search that was still above alpha: trust the new move.
                        adoptRootMove(m);
                        if (postThinking && iteration >= noiseDepth) {
                            rootScore += 1;
                            printPv(rootScore);
                        }
                    } else if (!infiniteAnalysis && iteration >= noiseDepth) {
                        printLast(alpha);
                    }
                    return rootScore;
                }
                if (score <= alpha && iteration >= noiseDepth) printLast(alpha);
            }
        }

        // 2.5 Take the move back and keep its node count for the next ordering.
        lineMoves[board.historyIndex] = 0;
        unmakeMove(m);
        rootMoveNodes[m & 4095] = static_cast<uint32_t>(nodes) - nodesBefore;

        // 2.6 A new best move.
        if (score > best) {
            rootScore = best = score;
            if (score > alpha) {
                rootInTrouble = (score + 100 <= beta);
                adoptRootMove(m);
                alpha = score;
                if (postThinking && iteration >= noiseDepth) printPv(score);
                if (score >= beta) return score;
            }
        }
    }
    // 3.
    return rootScore;
}

Move Think() {
    // 1. The clock of this search.
    searchStart = tickCount();

    // 2. Pondering (WinBoard and console): play the expected reply and search on.
    if (pondering && !uciMode) {
        if (ponderText[0] == 'n' || rootScore <= -29997 || !isLegalHere(ponderMove) ||
            gameIndex + 2 >= GameRecordSize) {
            pendingLine = 0;
            ponderedResult = 0;
            return 0;
        }
        const int before = gameIndex;
        board.historyIndex = 0;
        makeMove(ponderMove);
        ponderStartKey = board.hashKey;
        lastMoveCapture = moveCaptured(ponderMove) != 0;
        ++gameIndex;
        gameKeys[gameIndex] = board.hashKey;
        otherSideFlag ^= 1;
        if (xboardMode) {
            if (otherSideFlag == 0) Print("Pondering on move %d...%s\n\n", (before + 1) / 2, ponderText);
            else Print("Pondering on move %d.%s\n\n", (before + 2) / 2, ponderText);
        }
    }

    // 3. Reset the counters.
    futilityPrunes = reductions = cutoffs = firstMoveCutoffs = 0;
    tbHits = 0;
    nodes = 0;
    extendedOnce = 0;
    iidActive = 0;
    reportedDepth = 0;
    rootMoveCount = 0;
    rootResearching = 0;
    board.historyIndex = 1;
    int stopIndex = board.whitePieceCount + board.blackPieceCount - 2;
    if (stopIndex < 0) stopIndex = 0;
    if (stopIndex > 14) stopIndex = 14;
    const int stopDepth = earlyStopDepth[stopIndex];

    // 4. Drawn by rule already.
    if (!pondering) {
        if (board.fiftyCount > 99) {
            gameResultCode = 4;
            rootScore = 0;
            return 0;
        }
        if (isRepetition()) {
            gameResultCode = 5;
            rootScore = 0;
            return 0;
        }
    }

    // 5. The root moves; none means mate or stalemate.
    Move list[MaxMoves];
    const int inCheck = sideToMoveInCheck();
    int count = static_cast<int>(generateMoves(list, inCheck) - list);
    if (count == 0 && !pondering) {
        gameResultCode = !inCheck ? 1 : (board.sideToMove == White ? 2 : 3);
        return 0;
    }
    rootMoveCount = count;

    // 6. A single reply is played without searching.
    if (count == 1 && !ponderEnabled && !infiniteAnalysis) {
        const Move m = list[0];
        ponderMove = 0;
        std::snprintf(ponderText, sizeof ponderText, "no move");
        if (!uciMode) {
            char san[16];
            sanBeforeMove(m, san);
            const char* dots = board.sideToMove == White ? "." : "...";
            Print("\n1 %ld 0 0 %ld%s%s\n\n", static_cast<long>(lastScore),
                  static_cast<long>(fullMoveNumber), dots, san);
            std::snprintf(pvText, sizeof pvText, " %d%s%s", fullMoveNumber, dots, san);
            std::snprintf(moveText, sizeof moveText, "%s", san);
        } else {
            char coordinate[16];
            moveToCoordinate(m, coordinate);
            reportedDepth = 6;
            iteration = 6;
            Print("\ninfo currmovenumber 1 currmove %s depth 6 seldepth 6 time 1 score ",
                  coordinate);
            if (lastScore >= 29800) Print("mate %d ", (30001 - lastScore) / 2 - 1);
            else if (lastScore <= -29800) Print("mate %d ", 1 - (lastScore + 30000) / 2);
            else Print("cp %ld ", static_cast<long>(lastScore));
            Print("nodes 6 nps 60000 hashfull %d tbhits %ld pv %s\n", hashFull(),
                  static_cast<long>(tbHits), coordinate);
            std::snprintf(pvText, sizeof pvText, " %s", coordinate);
            std::snprintf(moveText, sizeof moveText, "%s", coordinate);
        }
        chargeElapsed();
        return m;
    }

    // 7. The opening book while the game is young (a move it offers must be legal here).
    if (bookMisses < 3 && bookPly < 61 && !infiniteAnalysis && !pondering) {
        ++bookMisses;
        const Move m = ProbeBook();
        if (m > 0 && isLegalHere(m)) {
            bookMisses = 0;
            openingBonusEnd = 0;
            ponderMove = 0;
            std::snprintf(ponderText, sizeof ponderText, "no move");
            char text[16];
            notationBefore(m, text);
            if (!uciMode) {
                const char* dots = board.sideToMove == White ? "." : "...";
                Print("\n0 0 0 0 %d%s%s (book)\n", fullMoveNumber, dots, text);
                std::snprintf(pvText, sizeof pvText, " %d%s%s", fullMoveNumber, dots, text);
            } else {
                Print("\ninfo depth 0 seldepth 0 time 0 score cp %d nodes 0 nps 0 pv %s\n",
                      board.sideToMove == White ? 1 : -1, text);
                std::snprintf(pvText, sizeof pvText, " %s", text);
            }
            std::snprintf(moveText, sizeof moveText, "%s", text);
            chargeElapsed();
            return m;
        }
    }

    // 8. Ponder hit: the opponent played the expected move and the pondering search decided.
    if (ponderEnabled && !pondering && !infiniteAnalysis && ponderedResult > 0 &&
        board.hashKey == ponderStartKey && isLegalHere(ponderedResult)) {
        if (!uciMode) {
            if (xboardMode)
                Print("\n%2d %7ld %5ld %8ld  %s\n\n", iteration, static_cast<long>(rootScore),
                      static_cast<long>(elapsedNow() / 10), static_cast<long>(nodes), pvText);
            Print("Using pondered move: %s\n", ponderedText);
        }
        ponderMove = 0;
        if (rootScore < 29900) ponderMove = expectedReply(ponderedResult);
        if (ponderMove == 0) std::snprintf(ponderText, sizeof ponderText, "no move");
        notationBefore(ponderedResult, moveText);
        lastScore = rootScore;
        chargeElapsed();
        return ponderedResult;
    }

    // 9. The time budget.
    if (!pondering && !infiniteAnalysis) {
        if (fixedMoveTime == 0) {
            if (movesPerControl != 0 && gameIndex < 2 * movesPerControl) {
                if (openingBonusEnd == 0)
                    openingBonusEnd = static_cast<uint8_t>(movesPerControl / 10 + gameIndex);
                timeBonus = gameIndex < openingBonusEnd;
            } else if (movesPerControl != 0) {
                openingBonusEnd = static_cast<uint8_t>(movesPerControl / 4);
                timeBonus = (gameIndex % (2 * movesPerControl)) < openingBonusEnd;
            }
            moveTimeBudget = AllocateTime();
        } else {
            // Pondering and analysis leave their own budget behind; a fixed time is the budget.
            moveTimeBudget = fixedMoveTime;
        }
        if (debugOutput) Print("\ninfo string Planning to think for %d\n\n", moveTimeBudget);
        else Print("\nPlanning to think for %d\n\n", moveTimeBudget / 10);
    }

    // 10. Fresh tables for this search.
    clearOrderingTables();
    std::memset(pvTable, 0, sizeof pvTable);
    std::memset(pvLength, 0, sizeof pvLength);
    std::memset(lineMoves, 0, sizeof lineMoves);
    rootScore = 0;
    int bestStreak = 0;
    Move previousBest = 0;
    depthLimit = savedDepthLimit;
    if (ponderEnabled && !pondering && count == 1) depthLimit = 5;
    if (depthLimit < 1) depthLimit = 1;
    if (depthLimit > 127) depthLimit = 127;

    // 11. Multi-line analysis searches each line with the better lines' moves removed.
    Move savedList[MaxMoves];
    const int savedCount = count;
    lineCount = 1;
    if (infiniteAnalysis && uciMode) {
        lineCount = multiPV < 1 ? 1 : (multiPV < count ? multiPV : count);
        if (lineCount > MaxAnalysisLines - 1) lineCount = MaxAnalysisLines - 1;
        std::memcpy(savedList, list, sizeof(Move) * count);
        std::memset(lineMove, 0, sizeof lineMove);
        std::memset(lineScore, 0, sizeof lineScore);
        std::memset(lineText, 0, sizeof lineText);
    }

    // 12. Iterative deepening.
    bool stop = false;
    for (iteration = 1; count > 0 && iteration <= depthLimit; ++iteration) {
        for (lineIndex = 1; lineIndex <= lineCount; ++lineIndex) {
            // 12.1 Early stops when the best move has settled or the time is nearly spent.
            if (!infiniteAnalysis && !pondering) {
                const Move bestNow = pvTable[1][1];
                if (bestNow == previousBest) {
                    ++bestStreak;
                } else {
                    bestStreak = 1;
                    previousBest = bestNow;
                }
                if (!rootInTrouble && nodes >= 1000000) {
                    elapsed = elapsedNow();
                    const bool settled = iteration > stopDepth && bestStreak == iteration - 1;
                    if ((settled && moveCaptured(bestNow) && lastMoveCapture) ||
                        (settled && lowTime) || (extendedOnce && rootScore > lastScore) ||
                        (elapsed > 0.775 * moveTimeBudget && iteration > 8 &&
                         rootScore > lastScore)) {
                        --iteration;
                        abortSearch = 1;
                        stop = true;
                        break;
                    }
                }
            }

            // 12.2 Multi-line: drop the previous line's move, start from this line's result.
            if (lineCount > 1) {
                if (lineIndex > 1 && count > 1) {
                    for (int k = 0; k < count; ++k) {
                        if (list[k] == lineMove[lineIndex - 1]) {
                            list[k] = list[count - 1];
                            --count;
                            break;
                        }
                    }
                    std::memset(pvTable, 0, sizeof pvTable);
                }
                rootScore = lineScore[lineIndex];
                pvTable[1][1] = lineMove[lineIndex];
            }

            // 12.3 The aspiration window around the last score.
            selDepth = static_cast<uint8_t>(iteration);
            rootInTrouble = 0;
            boundLabel = "";
            const int center = rootScore;
            const int depth = iteration * 60;
            const int score = RootSearch(center - 50, center + 50, depth, list, count, inCheck);
            if (abortSearch) {
                stop = true;
                break;
            }

            // 12.4 Outside the window: search again on the failing side.
            if (score <= center - 50 && rootInTrouble) {
                boundLabel = "upperbound ";
                const int score2 = RootSearch(-30000, score + 1, depth, list, count, inCheck);
                if (!abortSearch && score2 >= score + 1) {
                    boundLabel = "lowerbound ";
                    RootSearch(-30000, 30000, depth, list, count, inCheck);
                }
            } else if (score >= center + 50) {
                boundLabel = "lowerbound ";
                const int score2 = RootSearch(score - 1, 30000, depth, list, count, inCheck);
                if (!abortSearch && score2 <= score - 1) {
                    boundLabel = "upperbound ";
                    RootSearch(-30000, 30000, depth, list, count, inCheck);
                }
            }
            if (abortSearch) {
                stop = true;
                break;
            }

            // 12.5 A mate found is confirmed through iteration 5 and then played.
            if (!infiniteAnalysis && !pondering && rootScore > 29900 && iteration > 4 &&
                iteration > (30000 - rootScore) / 2) {
                abortSearch = 1;
                stop = true;
                break;
            }

            // 12.6 Nearly every node a tablebase hit: a few iterations are enough.
            if (iteration == 1 && board.menCount <= maxTbMen &&
                static_cast<uint32_t>(nodes) - tbHits < 4)
                depthLimit = noiseDepth;

            // 12.7 This line's result.
            if (lineCount > 1) {
                lineScore[lineIndex] = rootScore;
                lineMove[lineIndex] = pvTable[1][1];
            }
        }
        if (lineCount > 1) {
            std::memcpy(list, savedList, sizeof(Move) * savedCount);
            count = savedCount;
        }
        if (stop) break;
    }

    // 13. The result.
    Move best = pvTable[1][1];
    if (lineCount > 1) {
        rootScore = lineScore[1];
        best = lineMove[1];
    }
    // An iteration 1 interrupted before any move was scored still plays a legal move.
    if (best == 0 && count > 0) best = list[0];
    if (best != 0) notationBefore(best, moveText);
    reportedDepth = static_cast<int8_t>(iteration < depthLimit ? iteration : depthLimit);
    elapsed = elapsedNow();
    if (!pondering) timeLeft -= elapsed;

    // 14. The closing lines.
    if (!infiniteAnalysis && count > 0) {
        if (benchmarkMode)
            Print("Depth: %d, Score: %+.2f, Elapsed Time: %.2f\n", reportedDepth,
                  rootScore * 0.01, elapsed * 0.001);
        if (uciMode) {
            char coordinate[16];
            char scoreText[32];
            moveToCoordinate(best, coordinate);
            formatUciScore(rootScore, "", scoreText, sizeof scoreText);
            Print("info currmovenumber 1 currmove %s depth %d seldepth %d time %ld score %s"
                  "nodes %ld hashfull %d tbhits %ld pv %s\n",
                  coordinate, reportedDepth, selDepth, static_cast<long>(elapsed), scoreText,
                  static_cast<long>(nodes), hashFull(), static_cast<long>(tbHits), pvText);
        } else {
            if (xboardMode && showCurrentMove) {
                char san[16];
                sanBeforeMove(best, san);
                Print("\nstat01: %ld %ld %d %d %d %s\n", static_cast<long>(elapsed / 10),
                      static_cast<long>(nodes), reportedDepth, rootMoveCount - 1, rootMoveCount,
                      san);
            }
            Print("%2d %7ld %5ld %8ld  %s\n", reportedDepth, static_cast<long>(rootScore),
                  static_cast<long>(elapsed / 10), static_cast<long>(nodes), pvText);
        }
    }

    // 15. What a pondering search leaves for a ponder hit; take the expected reply back.
    if (pondering || uciMode) {
        ponderedResult = 0;
        if (elapsed >= (AllocateTime() * 8) / 10 && !rootInTrouble && rootScore - lastScore >= -10)
            ponderedResult = best;
        if (!uciMode) {
            ponderedText[0] = 0;
            if (best != 0) sanBeforeMove(best, ponderedText);
            unmakeMove(ponderMove);
            --gameIndex;
            otherSideFlag ^= 1;
        } else {
            ponderedText[0] = 0;
            if (best != 0) moveToCoordinate(best, ponderedText);
        }
    }

    // 16. The reply to ponder on next, the score the time rules compare with, a mate given.
    ponderMove = 0;
    if (!pondering) {
        if (!infiniteAnalysis && iteration > 2 && rootScore < 29900 && best != 0)
            ponderMove = expectedReply(best);
        if (ponderMove == 0) std::snprintf(ponderText, sizeof ponderText, "no move");
        lastScore = rootScore;
        if (rootScore == 29998) gameResultCode = board.sideToMove == White ? 3 : 2;
    }

    // 17.
    return best;
}
