// What the stages of one evaluation share: the per-call accumulators and colour helpers.
//
// Terms are computed for one side "Us" (White 1, Black 0) as values that are good for Us and then
// added to the White-view accumulators with the side's sign. White's men are scanned from the
// lowest square up, Black's from the highest down.
#pragma once

#include "board/attacks.h"
#include "board/board.h"
#include "board/tables.h"
#include "eval/eval_tables.h"
#include "search/hash.h"

struct EvalState {
    int score;             // material, king terms, king attack, bishop pair (White's view)
    int pieceTerms[2];     // [White] good for White (added), [Black] good for Black (subtracted)
    int kingDanger[2];     // shelter defects of each side's king; 0 in endgame mode
    int near[2][2];        // [attacker side][king side]: pieces in the quadrant of that king
    int bishops[2];
    int nonKingPieces;     // knights, bishops, rooks and queens on the board
    Bitboard allMen;
    Bitboard attacks[2];   // squares each side's knights, bishops, rooks and queens attack
    const PawnHashEntry* pawns;
};

// +1 for White, -1 for Black: turns a value good for side into White's view.
constexpr int sideSign(int side) { return side == White ? 1 : -1; }
// The bitboard slot of side's man of a kind given by its White code.
constexpr int pieceCode(int side, int whiteCode) { return side == White ? whiteCode : whiteCode + 1; }

// The set of one square.
constexpr Bitboard bitOf(int square) { return Bitboard{1} << square; }

inline Bitboard menOf(int side) { return board.bitboards[side == White ? WhiteMen : BlackMen]; }
inline Bitboard piecesOf(int side, int whiteCode) { return board.bitboards[pieceCode(side, whiteCode)]; }
inline int kingSquareOf(int side) { return side == White ? board.whiteKingSq : board.blackKingSq; }
inline int pieceCountOf(int side) {
    return side == White ? board.whitePieceCount : board.blackPieceCount;
}
inline Bitboard passedOf(const PawnHashEntry* e, int side) {
    return side == White ? e->whitePassed : e->blackPassed;
}
inline Bitboard weakOf(const PawnHashEntry* e, int side) {
    return side == White ? e->whiteWeak : e->blackWeak;
}

// The set one step towards side's promotion rank (squares falling off the board vanish).
constexpr Bitboard stepForward(int side, Bitboard set) { return side == White ? set << 8 : set >> 8; }
// Squares ahead of s on its file, from side's point of view, and those behind it.
inline Bitboard frontSpan(int side, int s) { return side == White ? rayNorth[s] : raySouth[s]; }
inline Bitboard rearSpan(int side, int s) { return side == White ? raySouth[s] : rayNorth[s]; }
// Squares from which side's pawn defends s.
inline Bitboard pawnDefenders(int side, int s) {
    return side == White ? blackPawnAttacks[s] : whitePawnAttacks[s];
}
// side's passed-pawn bonus for a pawn on s.
inline int passedBonus(int side, int s) { return passedPawnBonus[relativeSquare(side, s)]; }

// Removes and returns the next square of set in side's scan order (White lowest, Black highest).
inline int popNext(int side, Bitboard& set) {
    if (side == White) {
        const int s = lowestSquare(set);
        set &= set - 1;
        return s;
    }
    const int s = highestSquare(set);
    set ^= Bitboard{1} << s;
    return s;
}

// The king terms of side Us, added to state.score; sets state.kingDanger[Us].
template <int Us> void kingTerms(EvalState& state);
// The knight, bishop, rook and queen terms of both sides (White's pieces first), into
// state.pieceTerms and the counters.
void pieceTerms(EvalState& state);
