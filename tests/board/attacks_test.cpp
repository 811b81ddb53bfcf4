// Constant tables, the magic lookups and the attack queries.
#include <gtest/gtest.h>

#include "support/board_setup.h"

namespace {

// Attack set by walking the rays square by square, the reference for the magic tables.
Bitboard walkedAttacks(int square, Bitboard occupancy, bool rook) {
    static const int rookSteps[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    static const int bishopSteps[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    const int(*steps)[2] = rook ? rookSteps : bishopSteps;
    Bitboard set = 0;
    for (int d = 0; d < 4; d++) {
        int file = square & 7, rank = square >> 3;
        for (;;) {
            file += steps[d][0];
            rank += steps[d][1];
            if (file < 0 || file > 7 || rank < 0 || rank > 7) break;
            set |= 1ULL << (rank * 8 + file);
            if (occupancy & (1ULL << (rank * 8 + file))) break;
        }
    }
    return set;
}

// Every subset of every mask reads its true attack set: no harmful collision in any block.
TEST(Magics, EveryOccupancySubsetReadsItsOwnAttackSet) {
    ensureBoardTables();
    for (int kind = 0; kind < 2; kind++) {
        bool rook = kind == 0;
        for (int s = 0; s < 64; s++) {
            Bitboard mask = rook ? rookMask[s] : bishopMask[s];
            Bitboard subset = 0;
            do {
                Bitboard got = rook ? rookAttacks(s, subset) : bishopAttacks(s, subset);
                ASSERT_EQ(got, walkedAttacks(s, subset, rook))
                    << (rook ? "rook" : "bishop") << " on " << s << " subset " << subset;
                subset = (subset - mask) & mask;
            } while (subset);
        }
    }
}

// The masks leave out the last square of each ray, and men outside them never matter.
TEST(Magics, MasksDropRayEndsAndIgnoreOtherMen) {
    ensureBoardTables();
    const Bitboard border = rankMask[0] | rankMask[7] | fileMask[0] | fileMask[7];
    Playout random(12345);
    for (int s = 0; s < 64; s++) {
        Bitboard rays = walkedAttacks(s, 0, true);
        Bitboard rankPart = rays & rankMask[s >> 3] & ~(fileMask[0] | fileMask[7]);
        Bitboard filePart = rays & fileMask[s & 7] & ~(rankMask[0] | rankMask[7]);
        EXPECT_EQ(rookMask[s], rankPart | filePart) << s;
        EXPECT_EQ(bishopMask[s], walkedAttacks(s, 0, false) & ~border) << s;
        for (int i = 0; i < 200; i++) {
            Bitboard occupancy = (static_cast<Bitboard>(random.next(1u << 31)) << 33) ^
                                 (static_cast<Bitboard>(random.next(1u << 31)) << 2) ^
                                 random.next(4);
            ASSERT_EQ(rookAttacks(s, occupancy), walkedAttacks(s, occupancy, true));
            ASSERT_EQ(bishopAttacks(s, occupancy), walkedAttacks(s, occupancy, false));
        }
    }
}

TEST(Tables, BetweenAndDirection) {
    ensureBoardTables();
    EXPECT_EQ(between[A1][B3], ~0ULL); // a knight's step apart: no common line
    EXPECT_EQ(between[D4][D4], ~0ULL);
    EXPECT_EQ(direction[D4][D4], 0);
    EXPECT_EQ(between[A1][D4], squareBit[B2] | squareBit[C3]);
    EXPECT_EQ(between[H8][H5], squareBit[H7] | squareBit[H6]);
    EXPECT_EQ(between[C3][D4], 0ULL);
    EXPECT_EQ(direction[A1][H8], 9);
    EXPECT_EQ(direction[H1][A8], 7);
    EXPECT_EQ(direction[E4][E1], -8);
    EXPECT_EQ(direction[E4][A4], -1);
    EXPECT_EQ(direction[A1][B3], 0);
    EXPECT_EQ(distance[A1][H8], 7);
    EXPECT_EQ(distance[B1][C3], 2);
    EXPECT_EQ(lineMask[A1], (rankMask[0] | fileMask[0] | diagonalMask[A1]) & squareClear[A1]);
    EXPECT_EQ(rayNorth[E4] | raySouth[E4], fileMask[4] & squareClear[E4]);
    EXPECT_EQ(antiDiagonalMask[H1], rayNorthWest[H1]);
}

TEST(Tables, PawnStepsStayOnTheBoard) {
    ensureBoardTables();
    EXPECT_EQ(whitePawnAttacks[A2], squareBit[B3]);
    EXPECT_EQ(whitePawnAttacks[H2], squareBit[G3]);
    EXPECT_EQ(whitePawnAttacks[E8], 0ULL);
    EXPECT_EQ(blackPawnAttacks[E1], 0ULL);
    EXPECT_EQ(blackPawnAttacks[D7], squareBit[C6] | squareBit[E6]);
    EXPECT_EQ(pawnStepUpLeft[A4], 0ULL);
    EXPECT_EQ(pawnStepDownRight[H5], 0ULL);
    EXPECT_EQ(futilityClass[60], 1);
    EXPECT_EQ(futilityClass[61], 2);
    EXPECT_EQ(futilityClass[240], 4);
}

// The four 16-bit table reads and the per-half scans (slider sets are checked by Magics).
TEST(Attacks, BitCountAndScan) {
    ensureBoardTables();
    EXPECT_EQ(popCount(~0ULL), 64);
    EXPECT_EQ(popCount(0x8000000100010001ULL), 4);
    EXPECT_EQ(lowestSquare(squareBit[H8]), 63);
    EXPECT_EQ(highestSquare(squareBit[A1] | squareBit[C2]), C2);
}

TEST(Attacks, QueriesCountKingsOnlyWhenAsked) {
    setPosition("8/8/8/3k4/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(isAttacked(D4, Black), 0);
    Bitboard occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    EXPECT_EQ(isAttackedWithOccupancy(D4, Black, occupancy), 1);
    EXPECT_EQ(attackersOf(D4, Black, occupancy), squareBit[D5]);

    startPosition();
    EXPECT_EQ(popCount(board.bitboards[WhiteMen]), 16);
    occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    EXPECT_EQ(attackersOf(F3, White, occupancy), squareBit[E2] | squareBit[G2] | squareBit[G1]);
    EXPECT_EQ(isAttacked(E4, White), 0);
    EXPECT_EQ(isAttacked(D3, White), 1);
    // A rook behind a blocker does not attack; take the blocker away and it does.
    EXPECT_EQ(isAttackedWithOccupancy(A3, White, occupancy), 1); // the b2 pawn
    setPosition("4k3/8/8/8/8/8/P7/R3K3 w - - 0 1");
    EXPECT_EQ(isAttacked(A5, White), 0);
    occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    EXPECT_EQ(isAttackedWithOccupancy(A5, White, occupancy & squareClear[A2]), 1);
}

} // namespace
