// King terms: shelter and danger in the middlegame, centralisation and pawn-race knowledge in the
// endgame.
#include "eval/eval.h"
#include "eval/eval_internal.h"

namespace {


// Distance from king to the nearer of the lowest and the highest square of a non-empty set.
int nearerEndDistance(int king, Bitboard set) {
    const int low = distance[king][lowestSquare(set)];
    const int high = distance[king][highestSquare(set)];
    return low < high ? low : high;
}

// Wing rule of pure pawn endings: Us's pawns all on one wing, outnumbered or matched there by the
// enemy's, and Us's king farther from its target weakness than the enemy king from its own.
template <int Us>
bool losesWingRace(const EvalState& state) {
    constexpr int Them = Us ^ 1;
    const Bitboard ourWeak = weakOf(state.pawns, Us);
    const Bitboard theirWeak = weakOf(state.pawns, Them);
    if (!ourWeak || !theirWeak) return false;
    const Bitboard ours = piecesOf(Us, WhitePawn);
    const Bitboard theirs = piecesOf(Them, WhitePawn);
    auto oneWing = [&](Bitboard emptyWing, Bitboard wing) {
        return !(ours & emptyWing) && (ours & wing) && (theirs & wing) &&
               popCount(theirs & wing) >= popCount(ours & wing);
    };
    if (!oneWing(queenSideFiles, kingSideFiles) && !oneWing(kingSideFiles, queenSideFiles))
        return false;
    return nearerEndDistance(kingSquareOf(Us), theirWeak) >
           nearerEndDistance(kingSquareOf(Them), ourWeak);
}

// Endgame mode: value good for Us.
template <int Us>
int endgameKing(const EvalState& state, int king) {
    constexpr int Them = Us ^ 1;
    int value = kingEndgameTable[king];
    const Bitboard theirMajors = piecesOf(Them, WhiteRook) | piecesOf(Them, WhiteQueen);
    if (pieceCountOf(Them) < 3 || !theirMajors) value += 2 * kingEndgameTable[king];

    // Blockading an enemy passer from the square in front of it.
    const Bitboard theirPassed = passedOf(state.pawns, Them);
    const Bitboard front = stepForward(Us, bitOf(king));
    if (relativeRank(Us, king) < 7 && (front & theirPassed))
        value += passedBonus(Them, lowestSquare(front));

    if (pieceCountOf(Us) < 3) {
        if (hasOpposition(Us)) value += 25;
        // Rule of the square: enemy passers this king cannot catch.
        const int weight = pieceCountOf(Us) == 1 ? 50 : 10;
        Bitboard passers = theirPassed;
        while (passers) {
            const int s = popNext(Them, passers);
            if (!(squareOfPawn[Them][s] & bitOf(king))) value -= relativeRank(Them, s) * weight;
        }
        if (pieceCountOf(Us) == 1 && losesWingRace<Us>(state)) value -= 200;
    }
    return value;
}

// Middlegame mode: value good for Us; sets danger to the shelter defects found.
template <int Us>
int middlegameKing(int king, int& danger) {
    constexpr int Them = Us ^ 1;
    const Bitboard ours = piecesOf(Us, WhitePawn);
    const Bitboard theirs = piecesOf(Them, WhitePawn);
    const int f = fileIndex(king);
    const int theirKing = kingSquareOf(Them);
    const bool theirKingQueenSide = fileIndex(theirKing) < 4;

    danger = kingDangerStart[relativeSquare(Us, king)];
    int value = kingMiddlegameTable[relativeSquare(Us, king)];
    if (!(kingAttacks[king] & menOf(Us))) {
        value -= 50;
        danger += 2;
    }

    const bool halfOpen = !(theirs & frontSpan(Us, king));
    if (!(ours & frontSpan(Us, king))) {
        if (!(ours & fileNeighbourhood[f])) {
            value -= 150;
            danger += 2;
        } else {
            value -= halfOpen ? 50 : 25;
            danger += 1;
            if ((f < 4) != theirKingQueenSide) {
                value -= 25;
                danger += 1;
            }
        }
        return value;
    }

    // The shelter: the first own pawn met on each file, scanning from Us's back rank.
    const Bitboard shelter = ours & shelterFileMask[f];
    auto firstOn = [&](int file) {
        const Bitboard onFile = shelter & fileMask[file];
        return Us == White ? lowestSquare(onFile) : highestSquare(onFile);
    };
    if (!(stepForward(Us, bitOf(king)) & menOf(Us))) {
        value -= shelterDistancePenalty[distance[king][firstOn(f)]];
        danger += 1;
    }
    if (halfOpen) {
        value -= 10;
        if ((piecesOf(Them, WhiteRook) | piecesOf(Them, WhiteQueen)) & fileMask[f]) danger += 1;
    }

    bool rightMet = false, leftMet = false;
    if (f >= 3 && f < 7 && (shelter & fileMask[f + 1])) {
        rightMet = true;
        const int d = distance[king][firstOn(f + 1)];
        value -= shelterDistancePenalty[d];
        if (!(king == relativeSquare(Us, G1) && d <= 2 && !theirKingQueenSide)) danger += 1;
    }
    if (f > 0 && f <= 5 && (shelter & fileMask[f - 1])) {
        leftMet = true;
        const int d = distance[king][firstOn(f - 1)];
        value -= shelterDistancePenalty[d];
        if (!(king == relativeSquare(Us, B1) && d <= 2 && theirKingQueenSide)) danger += 1;
    }
    if (!rightMet && (f == 5 || f == 6)) {
        value -= 15;
        danger += 1;
    }
    if (!leftMet && (f == 1 || f == 2)) {
        value -= 15;
        danger += 1;
    }
    return value;
}

} // namespace

template <int Us>
void kingTerms(EvalState& state) {
    constexpr int Them = Us ^ 1;
    const int king = kingSquareOf(Us);
    int danger = 0;
    int value;
    if (!piecesOf(Them, WhiteQueen) || state.nonKingPieces < 5)
        value = endgameKing<Us>(state, king);
    else
        value = middlegameKing<Us>(king, danger);
    state.score += sideSign(Us) * value;
    state.kingDanger[Us] = danger;
}

template void kingTerms<White>(EvalState& state);
template void kingTerms<Black>(EvalState& state);
