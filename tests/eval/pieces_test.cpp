// Piece terms worked out by hand for small positions: outposts, blockades, rooks and passers,
// hanging pieces.
#include <gtest/gtest.h>

#include "support/eval_support.h"

namespace {

// White's piece terms after the stages that come before them in the pipeline.
int whitePieces(const char* fen) {
    EvalState state = evaltest::stateBeforeKings(fen);
    kingTerms<White>(state);
    kingTerms<Black>(state);
    pieceTerms(state);
    return state.pieceTerms[White];
}

} // namespace

TEST(PieceTerms, KnightOutposts) {
    // d5 in front of Black's d6 with no Black pawn beside it: 15 (endgame square) + 20 outpost;
    // the d6 passer it blockades is worth nothing from Black's side yet.
    EXPECT_EQ(whitePieces("4k3/8/3p4/3N4/8/8/8/4K3 w - - 0 1"), 15 + 20);
    // Attacking a Black man that is not a weak pawn: 4 more.
    EXPECT_EQ(whitePieces("4k3/2r5/3p4/3N4/8/8/8/4K3 w - - 0 1"), 15 + 20 + 4);
    // Defended by e4 and out of reach of Black's pawns: White's passed bonus of d5, 50.
    EXPECT_EQ(whitePieces("4k3/8/8/3N4/4P3/8/8/4K3 w - - 0 1"), 15 + 50);
}

TEST(PieceTerms, BishopBlockadingAPasserKeepsItsCost) {
    // d6 in front of Black's d7 passer (bonus 0): 12 square + 11 for eleven empty squares - 15.
    EXPECT_EQ(whitePieces("4k3/3p4/3B4/8/8/8/8/4K3 w - - 0 1"), 12 + 11 - 15);
}

TEST(PieceTerms, RookBehindAndInFrontOfItsPasser) {
    // Black has only its king, so k = 2: behind the a6 passer +64, in front of it -64.
    EXPECT_EQ(whitePieces("4k3/8/P7/8/8/8/8/R3K3 w - - 0 1"), 64);
    EXPECT_EQ(whitePieces("4k3/R7/P7/8/8/8/8/4K3 w - - 0 1"), -64);
    // Against three Black men other than pawns k = 1.
    EXPECT_EQ(whitePieces("n3k2n/8/P7/8/8/8/8/R3K3 w - - 0 1"), 32);
}

TEST(PieceTerms, HangingPieceOnlyWithTheEnemyToMove) {
    // The d2 knight is attacked by the d4 rook and defended only by its king, which does not count.
    EXPECT_EQ(whitePieces("4k3/8/8/8/3r4/8/3N4/4K3 b - - 0 1"), 5 - 20);
    EXPECT_EQ(whitePieces("4k3/8/8/8/3r4/8/3N4/4K3 w - - 0 1"), 5);
    // A pawn defending it is enough.
    EXPECT_EQ(whitePieces("4k3/8/8/8/3r4/8/3N4/2P1K3 b - - 0 1"), 5);
}

TEST(PieceTerms, QueenTropismNeedsThreeMen) {
    // Queen d4: distance 4 to g8 (20), g7 and h8 of the king's zone attacked (32), centre 25.
    // Knight b1, tropism with its queen on the board: 3 at distance 7, endgame square -9.
    EXPECT_EQ(whitePieces("6k1/8/8/8/3Q4/8/8/1N4K1 w - - 0 1"), 20 + 32 + 25 + 3 - 9);
    // King and queen alone: the queen keeps only its square bonus.
    EXPECT_EQ(whitePieces("6k1/8/8/8/3Q4/8/8/6K1 w - - 0 1"), 25);
}
