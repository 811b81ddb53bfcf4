// Slider attacks through 32-bit two-half magic lookups, bit counting and scanning, attack queries.
#pragma once

#include "board/board.h"
#include "board/tables.h"
#include "board/types.h"

extern Bitboard rookMask[64];
extern Bitboard bishopMask[64];
extern const uint32_t rookMagic[64][2]; // [square][0 low half, 1 high half]
extern const uint32_t bishopMagic[64][2];
extern Bitboard rookAttackTable[64][4096];
extern Bitboard bishopAttackTable[64][512];

// Fills the magic attack tables; called once at start-up after initBoardTables.
void initAttackTables();

// Magic index of an occupancy: each half masked and multiplied in 32 bits, XORed, shifted.
inline uint32_t magicIndex(Bitboard occupancy, Bitboard mask, const uint32_t* magic, int shift) {
    Bitboard relevant = occupancy & mask;
    uint32_t low = static_cast<uint32_t>(relevant) * magic[0];
    uint32_t high = static_cast<uint32_t>(relevant >> 32) * magic[1];
    return (low ^ high) >> shift;
}

// Attack set of a rook or bishop on square for the given occupancy, first blockers included.
inline Bitboard rookAttacks(int square, Bitboard occupancy) {
    return rookAttackTable[square][magicIndex(occupancy, rookMask[square], rookMagic[square], 20)];
}
inline Bitboard bishopAttacks(int square, Bitboard occupancy) {
    return bishopAttackTable[square]
                            [magicIndex(occupancy, bishopMask[square], bishopMagic[square], 23)];
}

// Bit count: the processor's instruction where the build enables it, else four 16-bit table reads.
inline int popCount(Bitboard set) {
#ifdef __POPCNT__
    return __builtin_popcountll(set);
#else
    return popCount16[set & 0xFFFF] + popCount16[(set >> 16) & 0xFFFF] +
           popCount16[(set >> 32) & 0xFFFF] + popCount16[set >> 48];
#endif
}
// Lowest and highest set square; set must be non-empty.
inline int lowestSquare(Bitboard set) {
    return __builtin_ctzll(set);
}
inline int highestSquare(Bitboard set) {
    return 63 ^ __builtin_clzll(set);
}

// The side's bitboards: sideBitboards(byWhite)[WhiteKnight] is its knights (codes differ by 1).
inline const Bitboard* sideBitboards(int byWhite) {
    return board.bitboards + (byWhite ? 0 : 1);
}

// 1 if a knight, bishop, rook, queen or pawn of the side attacks square, sliders read against
// occupancy. The cheapest test comes first.
inline int isAttackedByMen(int square, int byWhite, Bitboard occupancy) {
    const Bitboard* men = sideBitboards(byWhite);
    if (men[WhiteKnight] & knightAttacks[square]) return 1;
    if ((men[WhiteBishop] | men[WhiteQueen]) & bishopAttacks(square, occupancy)) return 1;
    if ((men[WhiteRook] | men[WhiteQueen]) & rookAttacks(square, occupancy)) return 1;
    return (men[WhitePawn] & (byWhite ? blackPawnAttacks[square] : whitePawnAttacks[square])) != 0;
}

// 1 if a man of the given side (1 White, 0 Black) attacks square; kings not counted.
inline int isAttacked(int square, int byWhite) {
    return isAttackedByMen(square, byWhite, board.bitboards[WhiteMen] | board.bitboards[BlackMen]);
}

// As isAttacked, sliders read against occupancy, and the side's king counts too.
inline int isAttackedWithOccupancy(int square, int byWhite, Bitboard occupancy) {
    return isAttackedByMen(square, byWhite, occupancy) ||
           (sideBitboards(byWhite)[WhiteKing] & kingAttacks[square]) != 0;
}

// Every man of the side (king included) attacking square, sliders read against occupancy.
inline Bitboard attackersOf(int square, int byWhite, Bitboard occupancy) {
    const Bitboard* men = sideBitboards(byWhite);
    return (men[WhiteKnight] & knightAttacks[square]) |
           ((men[WhiteBishop] | men[WhiteQueen]) & bishopAttacks(square, occupancy)) |
           ((men[WhiteRook] | men[WhiteQueen]) & rookAttacks(square, occupancy)) |
           (men[WhitePawn] & (byWhite ? blackPawnAttacks[square] : whitePawnAttacks[square])) |
           (men[WhiteKing] & kingAttacks[square]);
}
