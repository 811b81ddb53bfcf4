// Alpha-beta search below the root, the quiescence search and the in-search clock rule.
#include "search/alphabeta.h"

#include <cstdint>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/ordering.h"
#include "search/think.h"
#include "search/thinking_output.h"
#include "tablebases/tablebases.h"

Move pvTable[MaxPly][MaxPly];
int pvLength[MaxPly];
Move lineMoves[MaxPly];
int iidActive = 0;
uint8_t selDepth = 0;
uint32_t futilityPrunes = 0;
uint32_t reductions = 0;
int extendedOnce = 0;
int periodicLines = 0;
int lastPeriodicElapsed = 0;

namespace {

// Value classes of a captured man for the recapture extension: pawn; knight or bishop; rook;
// queen; king.
constexpr int valueClass[13] = {0, 1, 1, 2, 2, 5, 5, 3, 3, 4, 4, 2, 2};

// Copies the line of ply p + 1 behind move m into row p.
inline void updatePv(int p, Move m) {
    pvTable[p][p] = m;
    for (int k = p + 1; k < pvLength[p + 1]; ++k) pvTable[p][k] = pvTable[p + 1][k];
    pvLength[p] = pvLength[p + 1] > p + 1 ? pvLength[p + 1] : p + 1;
}

// Stores the current key as the position reached at this ply of the line.
inline void recordLineKey() {
    const int index = gameIndex + board.historyIndex - 1;
    if (index >= 0 && index < GameRecordSize) gameKeys[index] = board.hashKey;
}

} // namespace

namespace {

enum { FutilityPrune = 1, FutilityReduce = 2 };

// Futility of a move of the side to move by the material it leaves, for a depth of futility class
// 1 to 4 (classes exist up to depth 240 only): FutilityPrune, with the score the move gets, when
// it is so far below alpha that it is not searched; FutilityReduce when it is to be searched a
// ply shallower; else 0. Only with more than four pieces left (a capture that thins the board
// counts at once), and never for a move that gives check, which the caller asks.
inline int futilityByMaterial(Move m, int futility, int alpha, int& score) {
    const int men = pieceCountAfter(m);
    if (men <= 4) return 0;
    const int mat = board.sideToMove == White ? materialAfter(m) : -materialAfter(m);
    switch (futility) {
    case 1: {
        const int margin = (men > 6 && board.maxVictimValue == 0) ? 100 : 150;
        if (mat + margin > alpha) return 0;
        score = mat + 100;
        return FutilityPrune;
    }
    case 2:
        if (mat + 350 > alpha) return 0;
        score = mat + 300;
        return FutilityPrune;
    case 3:
        if (mat + 550 > alpha) return 0;
        score = mat + 500;
        return FutilityPrune;
    case 4: return mat + 1000 <= alpha ? FutilityReduce : 0;
    default: return 0;
    }
}

} // namespace

int futilityClassOf(int depth) {
    return depth >= 0 && depth <= 240 ? futilityClass[depth] : 0;
}

int IsRepeatedInLine() {
    const int n = board.fiftyCount;
    if (n < 4) return 0;
    const int current = gameIndex + board.historyIndex - 1;
    for (int d = 4; d <= n - 1; d += 2) {
        if (current - d < 0) break; // the clock may be older than the recorded game
        if (current - d < GameRecordSize && gameKeys[current - d] == board.hashKey) return 1;
    }
    return 0;
}

int TimeIsUp() {
    // 1. The last move before the control, once the first iterations are done.
    if (movesPerControl != 0 && movesToGo <= 1 && iteration >= 5) return 1;
    // 2. The root is not in trouble and the score has not dropped.
    if (!rootInTrouble && !rootResearching && rootScore - lastScore >= -10) return 1;
    // 3. One extension per search, none with a fixed time per move.
    if (extendedOnce || fixedMoveTime != 0) return 1;
    // 4. Extend once.
    extendedOnce = 1;
    abortSearch = 0;
    const int oldBudget = moveTimeBudget;
    int64_t budget = moveTimeBudget;
    if (movesPerControl == 0) {
        if (timeLeft <= 60000) return 1;
        if (increment > 0) budget *= 2;
    } else {
        // The product exceeds 32 bits for long controls.
        const int64_t reserve = (static_cast<int64_t>(movesToGo - 1) * baseMinutes * 540000 /
                                 movesPerControl) / 10;
        const int64_t share = (static_cast<int64_t>(timeLeft) - reserve - budget) / 7;
        const int64_t factor =
            (rootScore - lastScore < -20 && static_cast<int64_t>(timeLeft) - budget > 120000)
                ? 2 : 1;
        budget += factor * share;
        if (budget < 0) return 1;
    }
    if (budget > INT32_MAX) budget = INT32_MAX;
    moveTimeBudget = static_cast<int>(budget);
    if (!infiniteAnalysis) {
        Print("\n");
        if (debugOutput) Print("info string ");
        Print("Time Extension: from %d to %d\n\n", oldBudget / 10, moveTimeBudget / 10);
    }
    return 0;
}

int Search(int alpha, int beta, int depth, int afterNull, int inCheck, int extension) {
    const int p = board.historyIndex;

    // 1. Input and clock, every 1024 nodes.
    if ((nodes & 1023) == 0) {
        if (PollInput() == 1) {
            abortSearch = 1;
            return 0;
        }
        elapsed = elapsedNow();
        if (periodicLines < rootMovesSearched && elapsed - lastPeriodicElapsed > 1500 &&
            iteration > 5) {
            ++periodicLines;
            lastPeriodicElapsed = elapsed;
            PrintCurrentMoveLine();
        }
        if (elapsed >= moveTimeBudget && TimeIsUp()) {
            abortSearch = 1;
            return 0;
        }
    }

    // 2. The line from here starts empty.
    pvLength[p] = p;
    // The tables of the line end here: answer with the static evaluation.
    if (p >= MaxSearchPly || gameIndex + p >= GameRecordSize) return evaluate(alpha, beta);

    // 3. Draws by repetition inside the line and by the fifty-move rule.
    if (IsRepeatedInLine() == 1) return 0;
    if (board.fiftyCount >= 100) return 0;

    // 4. Transposition table.
    const uint32_t index = transIndex();
    int hashScore = 0;
    Move hashMove = 0;
    int nullVeto = 0;
    if (ProbeTrans(index, alpha, beta, depth, &hashScore, &hashMove, &nullVeto)) return hashScore;
    // The hash move is tried first: its slots can arrive while the null move, the generation and
    // the ordering run.
    if (hashMove) prefetchSearchSlots(keyAfter(hashMove), board.sideToMove ^ 1);

    // 5. Endgame tablebases.
    if (board.menCount <= maxTbMen && depth > 60 && !iidActive) {
        const int tb = ProbeTablebases();
        if (tb != 0 && tb != 30000) return tb;
        if (tb == 0) {
            const int balance = board.sideToMove == White ? board.material : -board.material;
            return balance > 0 ? 1 : (balance < 0 ? -1 : 0);
        }
        if (board.menCount == 2) return 0;
    }

    // 6. Mate distance.
    if (alpha >= 29999 - p) return alpha - 1;

    // 7. Horizon.
    if (depth < 1) {
        countNode();
        return Quiesce(alpha, beta);
    }

    // 8. Null move.
    int mateThreat = afterNull == 2 ? 1 : 0;
    if (afterNull == 0 && !nullVeto && !inCheck && beta == alpha + 1 &&
        (depth <= 300 || (board.whitePieceCount > 2 && board.blackPieceCount > 2))) {
        const int savedEp = board.epSquare;
        board.sideToMove ^= 1;
        board.hashKey ^= NullMoveKey;
        prefetchSearchSlots(board.hashKey, board.sideToMove);
        ++board.fiftyCount;
        ++board.historyIndex;
        recordLineKey();
        board.epSquare = 0;
        const int nullDepth = depth < 300 ? depth - 180 : depth - 240;
        const int score = -Search(-beta, -beta + 1, nullDepth, 1, 0, extension);
        board.epSquare = savedEp;
        --board.historyIndex;
        --board.fiftyCount;
        board.hashKey ^= NullMoveKey;
        board.sideToMove ^= 1;
        if (abortSearch) return 30000;
        if (score >= beta) {
            StoreTrans(score, index, BoundLower, 0, nullDepth + 60 > 0 ? nullDepth + 60 : 0);
            return score;
        }
        if (score < -29800) mateThreat = 1;
    }

    // 9. Internal iterative deepening finds a move to try first.
    if (hashMove == 0 && depth >= 180 && !iidActive && afterNull == 0) {
        iidActive = 1;
        Search(alpha, beta, depth - 120, mateThreat ? 2 : 0, inCheck, extension);
        const TransEntry& deep = TransTable[index].deep;
        if (deep.keyLow == static_cast<uint32_t>(board.hashKey) &&
            deep.keyHigh == static_cast<uint32_t>(board.hashKey >> 32))
            hashMove = deep.moveAndBound >> 3;
        if (hashMove) prefetchSearchSlots(keyAfter(hashMove), board.sideToMove ^ 1);
        iidActive = 0;
        if (abortSearch) return 30000;
    }

    // 10. Moves; none means mate or stalemate.
    Move list[MaxMoves];
    int keys[MaxMoves];
    board.maxVictimValue = 0;
    const int count = static_cast<int>(generateMoves(list, inCheck) - list);
    if (count == 0) {
        if (inCheck) {
            StoreTrans(p - 30000, index, BoundUpper, 0, depth);
            return p - 30000;
        }
        StoreTrans(0, index, BoundUpper, hashMove, depth);
        return 0;
    }

    // 11. Ordering.
    const int firstBest = OrderSearchMoves(list, keys, count, hashMove);
    int keyBound = keys[firstBest]; // no key behind the move picked last is larger
    int best = -30000;
    Move bestMove = hashMove;
    const int entryAlpha = alpha;
    int searchBeta = beta;

    // 12. The move loop. Futility is judged before a move is made (from what the move would
    // leave: material, men, check), so that the moves it prunes are counted but never made.
    const int futility = depth <= 240 && !inCheck && !mateThreat ? futilityClassOf(depth) : 0;
    for (int i = 0; i < count; ++i) {
        // 12.1 Pick the move. The first comes from the ordering. Once the first has not cut
        // off, each move is picked one step ahead, so that the slots of the next move's position
        // arrive while this one is searched (picking touches only these lists).
        const Move m = i == 0 ? PickFirst(keys, list, firstBest)
                       : i == 1 ? PickNextBounded(keys, list, 1, count, keyBound) : list[i];
        if (i >= 1 && i + 1 < count)
            prefetchSearchSlots(keyAfter(PickNextBounded(keys, list, i + 1, count, keyBound)),
                                board.sideToMove ^ 1);
        int score = 0;
        int verdict = 0;
        // 12.2 Futility by the material the move leaves; a move that gives check is never pruned.
        if (futility != 0 && (i > 9 || beta == alpha + 1)) {
            verdict = futilityByMaterial(m, futility, alpha, score);
            if (verdict == FutilityPrune && moveGivesCheck(m)) verdict = 0;
        }
        const int lowMaterial = verdict == FutilityReduce; // searched a ply shallower unless it checks
        int pruned = verdict == FutilityPrune;
        if (pruned) {
            // Counted as a node of the next ply, as if made and taken back.
            countNode();
            if (p + 1 > selDepth) selDepth = static_cast<uint8_t>(p + 1);
            ++futilityPrunes;
        } else {
            // 12.3 Make the move.
            makeMove(m);
            if (i <= 1) prefetchSearchSlots(board.hashKey, board.sideToMove);
            recordLineKey();
            lineMoves[board.historyIndex] = m;
            if (board.historyIndex > selDepth) selDepth = static_cast<uint8_t>(board.historyIndex);
            const int givesCheck = sideToMoveInCheck();
            countNode();
            const int men = board.whitePieceCount + board.blackPieceCount;
            int ext = 0;
            int reduced = 0;

            // 12.4 Extensions: check, recapture, pawn to the seventh, mate threat, few replies.
            const Move previous = lineMoves[p];
            if (givesCheck) {
                ext = 60;
            } else if (previous != 0 && moveCaptured(previous) && moveTo(m) == moveTo(previous) &&
                       (board.historyIndex <= 10 ||
                        valueClass[moveCaptured(previous)] == valueClass[moveCaptured(m)])) {
                ext = 60;
            } else {
                if (pawnToSeventh(m) || movePromotion(m)) ext += 45;
                if (mateThreat) ext += 45;
                if (count <= 2) ext += 45;
                if (ext > 60) ext = 60;
            }
            if (lowMaterial && !givesCheck) {
                ext -= 60;
                ++reductions;
            }

            // 12.5 Late moves one ply from the horizon that the evaluation does not lift.
            if (ext == 0 && !inCheck && men > 4 && depth > 60 && depth <= 120 &&
                i >= (2 * count) / 3) {
                const int s = -evaluate(-beta, -alpha);
                if (s <= alpha) {
                    pruned = 1;
                    score = s;
                    ++futilityPrunes;
                }
            }

            // 12.6 Late quiet moves are searched one ply shallower first.
            if (!pruned && !moveCaptured(m) && extension == 0 && ext == 0 && !inCheck &&
                depth > 240 && i > 6 && men > 4 && -evaluate(-beta, -alpha) <= alpha) {
                ext = -60;
                reduced = 1;
                ++reductions;
            }

            // 12.7 Search, with re-searches of reduced and null-window moves that beat alpha.
            if (!pruned) {
                const int newDepth = depth - 60 + ext;
                score = -Search(-searchBeta, -alpha, newDepth, 0, givesCheck, ext);
                if (reduced) {
                    if (score > alpha) {
                        score = -Search(-searchBeta, -alpha, depth - 60, 0, givesCheck, -60);
                        if (score > alpha && score < beta)
                            score = -Search(-beta, -(score - 1), depth - 60, 0, givesCheck, -60);
                    }
                } else if (score > alpha && score < beta && i > 0) {
                    score = -Search(-beta, -(score - 1), newDepth, 0, givesCheck, ext);
                }
            }

            // Take the move back.
            lineMoves[board.historyIndex] = 0;
            unmakeMove(m);
            if (abortSearch) return 30000;
        }

        // 12.8 Best so far, principal variation, cutoff.
        if (score > best) {
            best = score;
            if (score > alpha) {
                alpha = score;
                bestMove = m;
                updatePv(p, m);
                if (score >= beta) {
                    if (!moveCaptured(m)) {
                        int32_t& h = historyScore[board.squares[moveFrom(m)]][moveTo(m)];
                        h = static_cast<int32_t>(static_cast<uint32_t>(h) +
                                                 (1u << ((depth / 60) % 32)));
                        recordKiller(m, p);
                    }
                    ++cutoffs;
                    if (i == 0) ++firstMoveCutoffs;
                    StoreTrans(score, index, BoundLower, m, depth);
                    return score;
                }
            }
            searchBeta = alpha + 1;
        }
    }

    // 13. Store the result; a node that failed low keeps the hash move it started with.
    StoreTrans(best, index, best <= entryAlpha ? BoundUpper : BoundExact, bestMove, depth);
    return best;
}

int Quiesce(int alpha, int beta) {
    const int p = board.historyIndex;
    // 1. The line from here starts empty.
    pvLength[p] = p;
    if (p >= MaxQuiescePly) return evaluate(alpha, beta);

    // 2. Quiescence table.
    const uint32_t index = quiesceIndex();
    int stored = 0;
    Move firstMove = 0;
    if (ProbeQuiesce(index, alpha, beta, &stored, &firstMove)) return stored;
    // The stored capture is tried first: its slots can arrive during the evaluation.
    if (firstMove) prefetchQuiesceSlots(keyAfter(firstMove), board.sideToMove ^ 1);

    // 3. Stand pat.
    const int standPat = evaluate(alpha, beta);
    int best = standPat;
    const int entryAlpha = alpha;
    if (standPat > alpha) {
        if (standPat >= beta) {
            StoreQuiesce(index, standPat, 0, BoundLower);
            return standPat;
        }
        alpha = standPat;
    }

    // 4. Captures that cannot lift the score to alpha are not worth trying.
    const int deltaLimit =
        board.whitePieceCount + board.blackPieceCount > 2 ? alpha - standPat - 200 : -1;

    // 5. Captures and promotions.
    Move list[MaxMoves];
    int keys[MaxMoves];
    int exchange[MaxMoves];
    board.maxVictimValue = 0;
    const Bitboard pinned = findPins(board.sideToMove);
    const int count = static_cast<int>(generateCaptures(list, pinned) - list);
    if (count == 0 || board.maxVictimValue <= deltaLimit) return best;
    if (board.maxVictimValue > 3000) return 30000;

    // The slots of every capture that may be searched are asked for before the exchanges are
    // worked out, which takes long enough for them to arrive.
    for (int k = 0; k < count; ++k)
        if (movePromotion(list[k]) || static_cast<int>(victimValue[moveCaptured(list[k])]) > deltaLimit)
            prefetchQuiesceSlots(keyAfter(list[k]), board.sideToMove ^ 1);

    // 6. Best exchange first.
    const int firstBest = OrderQuiesceMoves(list, keys, exchange, count, firstMove);
    Move bestMove = 0;
    for (int n = 0; n < count; ++n) {
        // The first pick is the ordering's answer.
        const int idx = n == 0 ? firstBest : PickBestIndex(keys, count);
        if (n == 0) keys[idx] = -30000;
        const Move m = list[idx];
        const bool promotion = movePromotion(m) != 0;
        if (!promotion && !(static_cast<int>(victimValue[moveCaptured(m)]) > deltaLimit &&
                            exchange[idx] >= 0))
            continue;
        makeMove(m);
        const int score = -Quiesce(-beta, -alpha);
        unmakeMove(m);
        if (score > best) {
            best = score;
            if (score > alpha) {
                alpha = score;
                bestMove = m;
                updatePv(p, m);
                if (score >= beta) {
                    StoreQuiesce(index, score, m, BoundLower);
                    return score;
                }
            }
        }
    }

    // 7. Store and return.
    StoreQuiesce(index, best, bestMove, best <= entryAlpha ? BoundUpper : BoundExact);
    return best;
}
