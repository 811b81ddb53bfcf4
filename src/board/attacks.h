// Slider attacks through 32-bit two-half magic lookups, bit counting and scanning, attack queries.
#pragma once

#include "board/types.h"

extern Bitboard rookMask[64];
extern Bitboard bishopMask[64];
extern const uint32_t rookMagic[64][2];   // [square][0 low half, 1 high half]
extern const uint32_t bishopMagic[64][2];
extern Bitboard rookAttackTable[64][4096];
extern Bitboard bishopAttackTable[64][512];

// Fills the magic attack tables; called once at start-up after initBoardTables.
void initAttackTables();

// Attack set of a rook or bishop on square for the given occupancy, first blockers included.
Bitboard rookAttacks(int square, Bitboard occupancy);
Bitboard bishopAttacks(int square, Bitboard occupancy);

int popCount(Bitboard set);
int lowestSquare(Bitboard set);  // set must be non-empty
int highestSquare(Bitboard set); // set must be non-empty

// 1 if a man of the given side (1 White, 0 Black) attacks square; kings not counted.
int isAttacked(int square, int byWhite);
// As isAttacked, sliders read against occupancy, and the side's king counts too.
int isAttackedWithOccupancy(int square, int byWhite, Bitboard occupancy);
// Every man of the side (king included) attacking square, sliders read against occupancy.
Bitboard attackersOf(int square, int byWhite, Bitboard occupancy);
