// Pawn structure entries worked out by hand for small structures, and the scan-order effects.
#include <gtest/gtest.h>

#include "support/eval_support.h"

namespace {

// The pawn entry of a position, built afresh.
PawnHashEntry entryOf(const char* fen) {
    evaltest::prepare();
    evaltest::setPosition(fen);
    return *pawnEntry();
}

constexpr Bitboard bit(int s) { return Bitboard{1} << s; }

} // namespace

TEST(PawnStructure, ConnectedPassersOnTheSeventhEarnThePairBonus) {
    // b6: 6 + 80. a7: 5 + 90, defended by b6 +35, beside a recorded passer +70, pair square b6
    // +200.
    const PawnHashEntry e = entryOf("7k/P7/1P6/8/8/8/8/7K w - - 0 1");
    EXPECT_EQ(e.whiteScore, 486);
    EXPECT_EQ(e.blackScore, 0);
    EXPECT_EQ(e.whitePassed, bit(A7) | bit(B6));
    EXPECT_EQ(e.whiteFiles, 0x03);
    // a6 beside b5 has no square to its left: no pair bonus (b5 75; a6 4 + 80 + 30 + 60).
    EXPECT_EQ(entryOf("7k/8/P7/1P6/8/8/8/7K w - - 0 1").whiteScore, 249);
}

TEST(PawnStructure, SideBySidePassersCountOnceInScanOrder) {
    // White scans upwards: a6 finds b5, b6 finds a6 and its pair square.
    EXPECT_EQ(entryOf("7k/8/PP6/1P6/8/8/8/7K w - - 0 1").whiteScore, 75 + 174 + 346);
    // Black scans downwards: b3 finds nothing yet, a3 finds b4 and b3 (its pair square).
    const PawnHashEntry e = entryOf("7k/8/8/8/1p6/pp6/8/7K w - - 0 1");
    EXPECT_EQ(e.blackScore, -(75 + 86 + 374));
    EXPECT_EQ(e.blackPassed, bit(B4) | bit(A3) | bit(B3));
}

TEST(PawnStructure, DoubledPawnShuttingInTheBishop) {
    // d3 in front of d2: doubled 10, and 50 while the c1 bishop has never moved.
    PawnHashEntry e = entryOf("4k3/8/8/8/8/3P4/3P4/2B1K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 6 + 8);
    EXPECT_EQ(e.blackScore, -60);
    // No bishop at home on c1: 10 + 10.
    EXPECT_EQ(entryOf("4k3/8/8/8/8/3P4/3P4/4K3 w - - 0 1").blackScore, -20);
    // Black's mirror on d6/d7 with the c8 bishop at home.
    e = entryOf("2b1k3/3p4/3p4/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 60);
    EXPECT_EQ(e.blackScore, -14);
}

TEST(PawnStructure, DoubledPawnFacingAnEnemyPawnWithBalancedNeighbours) {
    // c2: weak, 5 for the open square c3. c3: doubled 10, blocked by c6 with empty b and d files
    // 80, weak, 6 for c4. c6: weak, 6 for c5.
    const PawnHashEntry e = entryOf("4k3/8/2p5/8/8/2P5/2P5/4K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 4 + 5 + 6);
    EXPECT_EQ(e.blackScore, -(5 + 5 + 10 + 80 + 6));
    EXPECT_EQ(e.whiteWeak, bit(C2) | bit(C3));
    EXPECT_EQ(e.blackWeak, bit(C6));
}

TEST(PawnStructure, BlockedBackwardPawnIsChargedOnlyInTheCentre) {
    PawnHashEntry e = entryOf("4k3/8/8/2p5/2P5/8/8/4K3 w - - 0 1");
    // c4 would be charged for the square c5, but Black's pawn stands there; likewise c5.
    EXPECT_EQ(e.whiteScore, 6);
    EXPECT_EQ(e.blackScore, -6);
    EXPECT_EQ(e.whiteWeak, bit(C4));
    e = entryOf("4k3/8/8/3p4/3P4/8/8/4K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 12 + 15);  // d4 bonus; d5 charged 15 for the square d4 in front
    EXPECT_EQ(e.blackScore, -12 - 15);
    EXPECT_EQ(e.whiteWeak, bit(D4));
    EXPECT_EQ(e.blackWeak, bit(D5));
    EXPECT_EQ(e.whitePassed | e.blackPassed, 0u);
}

TEST(PawnStructure, IsolatedPawnOnAFileWithoutEnemyPawns) {
    // a3: isolated, no Black pawn on the a-file 10, and 2 for a4. b5: 10, and 5 for b4.
    const PawnHashEntry e = entryOf("4k3/8/8/1p6/8/P7/8/4K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 1 + 10 + 5);
    EXPECT_EQ(e.blackScore, -(4 + 10 + 2));
}

TEST(PawnStructure, DoubledIsolatedPawnOnAnOpenFile) {
    // a2: isolated on a file without Black pawns 10, 1 for a3. a3: doubled 10, doubled and
    // isolated on that file 30, 2 for a4. b5: 10 and 5 for b4.
    const PawnHashEntry e = entryOf("4k3/8/8/1p6/8/P7/P7/4K3 w - - 0 1");
    EXPECT_EQ(e.whiteScore, 1 + 10 + 5);
    EXPECT_EQ(e.blackScore, -(4 + 11 + 10 + 30 + 2));
}

TEST(PawnStructure, MirrorSymmetricStructuresScoreOpposite) {
    const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "2b1k3/3p4/3p4/8/8/3P4/3P4/2B1K3 w - - 0 1",
        "4k3/pp3p1p/2p3p1/3p4/3P4/2P3P1/PP3P1P/4K3 w - - 0 1",
        "4k3/p6p/1p4p1/2pp4/2PP4/1P4P1/P6P/4K3 b - - 0 1",
        "4k3/8/1p6/p6P/P6p/1P6/8/4K3 w - - 0 1",
    };
    for (const char* fen : fens) {
        const PawnHashEntry e = entryOf(fen);
        EXPECT_EQ(e.whiteScore, -e.blackScore) << fen;
        EXPECT_EQ(e.whitePassed & e.whiteWeak, 0u) << fen;
    }
}

TEST(PawnStructure, EntryIsKeptPerStructure) {
    evaltest::prepare();
    evaltest::setPosition("4k3/8/8/3p4/3P4/8/8/4K3 w - - 0 1");
    PawnHashEntry* first = pawnEntry();
    EXPECT_EQ(first->keyLow, uint32_t(board.pawnKey));
    EXPECT_EQ(first->keyHigh, uint32_t(board.pawnKey >> 32));
    // The kings do not change the structure: the same slot answers without being rebuilt.
    evaltest::setPosition("8/2k5/8/3p4/3P4/8/5K2/8 w - - 0 1");
    first->whiteScore = 1234;
    EXPECT_EQ(pawnEntry(), first);
    EXPECT_EQ(pawnEntry()->whiteScore, 1234);
}
