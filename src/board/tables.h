// Constant tables of the board: square geometry, masks, rays, distances, bit counts.
#pragma once

#include "board/types.h"

extern const int fileOf[64]; // 1..8 for files a..h
extern const int rankOf[64]; // 1..8 for ranks 1..8
extern const int materialValue[13];
extern const unsigned victimValue[13];

extern Bitboard squareBit[64];
extern Bitboard squareClear[64];
extern Bitboard rankMask[8];
extern Bitboard fileMask[8];
extern Bitboard knightAttacks[64];
extern Bitboard kingAttacks[64];
extern Bitboard whitePawnAttacks[64];
extern Bitboard blackPawnAttacks[64];
extern Bitboard pawnStepUpLeft[64];
extern Bitboard pawnStepUpRight[64];
extern Bitboard pawnStepDownRight[64];
extern Bitboard pawnStepDownLeft[64];
extern Bitboard lineMask[64];
extern Bitboard rayWest[64];
extern Bitboard raySouthEast[64];
extern Bitboard raySouth[64];
extern Bitboard raySouthWest[64];
extern Bitboard rayNorthWest[64];
extern Bitboard rayNorth[64];
extern Bitboard rayNorthEast[64];
extern Bitboard rayEast[64];
extern Bitboard diagonalMask[64];
extern Bitboard antiDiagonalMask[64];
extern int8_t direction[64][64];
extern Bitboard between[64][64];
extern uint8_t distance[64][64];
extern uint8_t popCount16[65536];
extern uint8_t futilityClass[241];

// Fills the computed tables above; called once at start-up before initAttackTables.
void initBoardTables();
