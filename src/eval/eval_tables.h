// Constant tables and per-square masks of the evaluation.
//
// Square tables are indexed by square for White; Black reads the vertically mirrored square
// (relativeSquare). Symmetric tables (knight and king endgame, queen) need no mirroring.
// Masks that differ by colour are indexed [side][square] with side 1 White, 0 Black.
#pragma once

#include <array>
#include <cstdint>

#include "board/types.h"

using SquareTable = std::array<int16_t, 64>;

extern const SquareTable knightSquareBonus;
extern const SquareTable knightEndgameBonus;
extern const SquareTable bishopSquareBonus;
extern const SquareTable rookSquareBonus;
extern const SquareTable queenSquareBonus;
extern const SquareTable pawnSquareBonus;
extern const SquareTable passedPawnBonus;
extern const SquareTable kingMiddlegameTable;
extern const SquareTable kingEndgameTable;
extern const SquareTable kingDangerStart;

extern const int bishopMobility[15];       // by empty squares attacked
extern const int knightTropism[8];         // by distance to the enemy king
extern const int bishopTropism[8];
extern const int rookTropism[8];
extern const int queenTropism[8];
extern const int outpostBonus[9];          // by rank counted from the piece's own side
extern const int shelterDistancePenalty[8];
extern const int boardQuadrant[64];        // 1..4: a-d/e-h on ranks 1-4, a-d/e-h on ranks 5-8

// Masks, filled by initEvalTables.
extern Bitboard passerMask[2][64];      // squares ahead on the own and adjacent files
extern Bitboard passerFlank[2][64];     // squares ahead on the adjacent files only
extern Bitboard supportMask[2][64];     // adjacent files, ranks strictly behind
extern Bitboard adjacentOnRank[64];     // the squares beside s on its rank
extern Bitboard adjacentFiles[8];       // the files beside file f (f = 0..7)
extern Bitboard fileNeighbourhood[8];   // file f and the files beside it
extern Bitboard pairSquares[2][64];     // earlier passers that make a connected pair with s
extern Bitboard squareOfPawn[2][64];    // the rule-of-the-square region of a passer on s
extern Bitboard shelterFileMask[8];     // the shelter files of a king on file f
extern Bitboard outpostSquares[2];      // files b-g of the four ranks in the enemy half
extern Bitboard blockadeZone;           // ranks 3 to 6
extern Bitboard edgeSquares;            // ranks 1 and 8, files a and h
extern Bitboard queenSideFiles;         // files a-d
extern Bitboard kingSideFiles;          // files e-h

// The square whose White table entry applies to side's man on square.
constexpr int relativeSquare(int side, int square) { return side == White ? square : square ^ 56; }
// Rank 1..8 counted from side's own back rank.
constexpr int relativeRank(int side, int square) {
    return side == White ? (square >> 3) + 1 : 8 - (square >> 3);
}
constexpr int fileIndex(int square) { return square & 7; }
