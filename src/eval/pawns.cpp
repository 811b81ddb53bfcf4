// Pawn structure: the terms that depend on the pawns alone, kept per structure in the pawn hash.
#include <cstring>

#include "eval/eval.h"
#include "eval/eval_internal.h"

namespace {

// Stands in for the table while none is allocated, so that evaluating never needs one.
PawnHashEntry scratchEntry;

// Per side: terms good for that side (its bonuses) and against it (its penalties).
struct PawnSums {
    int bonus[2];
    int penalty[2];
};

// 1 when every file beside file f holds as many pawns of one side as of the other.
int adjacentFilesBalanced(int f, Bitboard ours, Bitboard theirs) {
    Bitboard files = adjacentFiles[f];
    while (files) {
        const Bitboard file = fileMask[fileIndex(lowestSquare(files))];
        if (popCount(ours & file) != popCount(theirs & file)) return 0;
        files &= ~file;
    }
    return 1;
}

// The terms of side Us's pawns, scanned in Us's order; records passers, weak pawns and files.
template <int Us>
void scanPawns(PawnSums& sums, Bitboard& passed, Bitboard& weak, uint8_t& files) {
    constexpr int Them = Us ^ 1;
    const Bitboard ours = piecesOf(Us, WhitePawn);
    const Bitboard theirs = piecesOf(Them, WhitePawn);
    int& bonus = sums.bonus[Us];
    int& penalty = sums.penalty[Us];

    Bitboard todo = ours;
    while (todo) {
        const int s = popNext(Us, todo);
        const int f = fileIndex(s);
        const int r = relativeRank(Us, s);
        bonus += pawnSquareBonus[relativeSquare(Us, s)];
        files |= uint8_t(1u << f);

        // Doubled: another own pawn behind on the file.
        const bool doubled = (ours & rearSpan(Us, s)) != 0;
        if (doubled) {
            penalty += 10;
            if ((theirs & frontSpan(Us, s)) && adjacentFilesBalanced(f, ours, theirs)) penalty += 80;
            // The front pawn of a doubled pair on d3 or e3 shuts in the bishop of c1 or f1.
            if (s == relativeSquare(Us, D3))
                penalty += board.moveCounts[relativeSquare(Us, C1)] == 0 ? 50 : 10;
            if (s == relativeSquare(Us, E3))
                penalty += board.moveCounts[relativeSquare(Us, F1)] == 0 ? 50 : 10;
        }

        if (!(theirs & passerMask[Us][s])) {
            bonus += passedBonus(Us, s);
            if (ours & pawnDefenders(Us, s)) bonus += 5 * r;
            // Passers already recorded are those scanned before this one.
            if (passed & kingAttacks[s] & adjacentFiles[f]) {
                bonus += 10 * r;
                if (passed & pairSquares[Us][s]) bonus += 200;
            }
            passed |= Bitboard{1} << s;
        } else if (!(ours & supportMask[Us][s])) {
            weak |= Bitboard{1} << s;
            if (!(theirs & fileMask[f])) penalty += doubled ? 30 : 10;
            if (!(ours & adjacentOnRank[s])) {
                const Bitboard ahead = stepForward(Us, Bitboard{1} << s);
                const bool centre = s == relativeSquare(Us, D4) || s == relativeSquare(Us, E4);
                if (!(theirs & ahead) || centre)
                    penalty += pawnSquareBonus[relativeSquare(Us, lowestSquare(ahead))];
            }
        }
    }
}

} // namespace

PawnHashEntry* pawnEntry() {
    const uint64_t key = board.pawnKey;
    PawnHashEntry* e = &scratchEntry;
    if (PawnHashTable && pawnHashEntries) e = &PawnHashTable[key % pawnHashEntries];
    const uint32_t keyLow = uint32_t(key);
    const uint32_t keyHigh = uint32_t(key >> 32);
    if (e->keyLow == keyLow && e->keyHigh == keyHigh) return e;

    std::memset(static_cast<void*>(e), 0, sizeof *e);
    e->keyLow = keyLow;
    e->keyHigh = keyHigh;
    PawnSums sums{};
    Bitboard whitePassed = 0, blackPassed = 0, whiteWeak = 0, blackWeak = 0;
    uint8_t whiteFiles = 0, blackFiles = 0;
    scanPawns<White>(sums, whitePassed, whiteWeak, whiteFiles);
    scanPawns<Black>(sums, blackPassed, blackWeak, blackFiles);
    // Black's penalties favour White and White's favour Black.
    e->whiteScore = int16_t(sums.bonus[White] + sums.penalty[Black]);
    e->blackScore = int16_t(-(sums.bonus[Black] + sums.penalty[White]));
    e->whiteFiles = whiteFiles;
    e->blackFiles = blackFiles;
    e->whitePassed = whitePassed;
    e->blackPassed = blackPassed;
    e->whiteWeak = whiteWeak;
    e->blackWeak = blackWeak;
    return e;
}
