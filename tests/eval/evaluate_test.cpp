// The evaluation pipeline on whole positions: exact scores worked out by hand, the cache with its
// lazy entries, the half-move damping and the winnable clamp.
#include <gtest/gtest.h>

#include "support/eval_support.h"

using evaltest::evaluateFen;
using evaltest::prepare;
using evaltest::setPosition;
using evaltest::whiteView;

namespace {

const char* const StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// White rooks a1 and a2 on the open a-file against a bare king. By hand: material 1100; Black's
// king on h8 in the endgame table once (-50, White keeps a rook) = +50; rook a1 +20 on the open
// file; rook a2 +45 with a rook below it on the file. Total 1215.
const char* const DoubledRooksFen = "7k/8/8/8/8/8/R7/R3K3 w - - 0 1";
const char* const DoubledRooksBlackFen = "r3k3/r7/8/8/8/8/8/7K w - - 0 1";

} // namespace

TEST(Evaluate, InitialPositionIsZeroForEitherSide) {
    EXPECT_EQ(evaluateFen(StartFen), 0);
    EXPECT_EQ(evaluateFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 0);
}

TEST(Evaluate, KingAndMinorAgainstKingIsExactlyZero) {
    EXPECT_EQ(evaluateFen("8/8/3k4/8/8/8/3NK3/8 w - - 0 1"), 0);
    EXPECT_EQ(evaluateFen("8/8/3k4/8/8/8/3NK3/8 b - - 0 1"), 0);
    EXPECT_EQ(evaluateFen("8/8/3kb3/8/8/8/4K3/8 w - - 0 1"), 0);
    // With a pawn for the stronger side the material is winnable again.
    EXPECT_GT(whiteView("8/8/3k4/8/8/8/P2NK3/8 w - - 0 1"), 0);
}

TEST(Evaluate, BishopPairAgainstNoBishop) {
    // Material 730; each bishop on its home square: -20 square, +4 for 7 empty squares attacked;
    // the pair +80. Nothing attacks a White bishop, so Black to move only flips the sign.
    EXPECT_EQ(evaluateFen("4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1"), 778);
    EXPECT_EQ(evaluateFen("4k3/8/8/8/8/8/8/2B1KB2 b - - 0 1"), -778);
}

TEST(Evaluate, BishopPairAgainstOneBishopIsWorthHalf) {
    // Material 465; White bishops -16 each; Black's h8 bishop 5 + 4 = 9 for Black; pair +40.
    // The a2 pawn keeps the recogniser from calling two bishops against one a draw.
    EXPECT_EQ(evaluateFen("4k2b/8/8/8/8/8/P7/2B1KB2 w - - 0 1"), 464);
    // Two bishops each: the pairs cancel in a position that is otherwise mirror-symmetric.
    EXPECT_EQ(evaluateFen("2b1kb2/p7/8/8/8/8/P7/2B1KB2 w - - 0 1"), 0);
    // Two bishops without a pawn against one bishop: one extra minor piece cannot win.
    EXPECT_EQ(evaluateFen("4k2b/8/8/8/8/8/8/2B1KB2 w - - 0 1"), 0);
}

TEST(Evaluate, DoubledRooksOnOpenFile) {
    EXPECT_EQ(evaluateFen(DoubledRooksFen), 1215);
    EXPECT_EQ(evaluateFen("7k/8/8/8/8/8/R7/R3K3 b - - 0 1"), -1215);
    EXPECT_EQ(whiteView(DoubledRooksBlackFen), -1215);
}

TEST(Evaluate, HalfMoveDampingShiftsTowardsMinusInfinity) {
    EXPECT_EQ(evaluateFen("7k/8/8/8/8/8/R7/R3K3 w - - 40 1"), 1215);
    EXPECT_EQ(evaluateFen("7k/8/8/8/8/8/R7/R3K3 w - - 41 1"), 607);
    EXPECT_EQ(evaluateFen("7k/8/8/8/8/8/R7/R3K3 w - - 61 1"), 303);
    // -1215 halves to -608 and quarters to -304, not -607 and -303.
    EXPECT_EQ(evaluateFen("r3k3/r7/8/8/8/8/8/7K w - - 41 1"), -608);
    EXPECT_EQ(evaluateFen("r3k3/r7/8/8/8/8/8/7K w - - 61 1"), -304);
    EXPECT_EQ(evaluateFen("r3k3/r7/8/8/8/8/8/7K b - - 61 1"), 304);
}

TEST(Evaluate, LazyEntryIsReusedOnlyWhileItFailsHighByTheMargin) {
    prepare();
    setPosition(DoubledRooksFen);
    // Material and king terms alone: 1150, which fails high against 500 by the margin.
    EXPECT_EQ(evaluate(-30000, 500), 1150);
    EXPECT_EQ(evaluate(-30000, 850), 1150);  // 1150 - 300 >= 850: the lazy score stands
    EXPECT_EQ(evaluate(-30000, 851), 1215);  // no longer: evaluated in full
    EXPECT_EQ(evaluate(-30000, 500), 1215);  // and the full entry now answers every window

    // The reuse is visible when something outside the key changes: a lazy entry made at clock 0
    // still answers at clock 45 while it fails high; once it does not, the damped score comes.
    prepare();
    setPosition(DoubledRooksFen);
    EXPECT_EQ(evaluate(-30000, 500), 1150);
    board.fiftyCount = 45;
    EXPECT_EQ(evaluate(-30000, 850), 1150);
    EXPECT_EQ(evaluate(-30000, 851), 607);
    EXPECT_EQ(evaluate(-30000, -30000), 607);

    // Black to move: the lazy test is made from Black's side.
    prepare();
    setPosition("r3k3/r7/8/8/8/8/8/7K b - - 0 1");
    EXPECT_EQ(evaluate(-30000, 500), 1150);
    EXPECT_EQ(evaluate(-30000, 850), 1150);
    EXPECT_EQ(evaluate(-30000, 851), 1215);
}

TEST(Evaluate, CacheSlotHoldsTheWhiteViewScoreAndLazyMark) {
    prepare();
    setPosition(DoubledRooksBlackFen);
    const uint32_t index = (uint32_t(board.hashKey) ^ 1u) & (evaltest::CacheEntries - 1);
    EXPECT_EQ(evaluate(-30000, -2000), -1150);
    const EvalCacheEntry& slot = EvalCache[index];
    EXPECT_EQ(slot.keyLow, uint32_t(board.hashKey));
    EXPECT_EQ(slot.keyHigh, uint32_t(board.hashKey >> 32));
    EXPECT_EQ(slot.score, -1150);
    EXPECT_EQ(slot.lazy, 1);
    // The same placement with Black to move uses the neighbouring slot.
    board.sideToMove = Black;
    EXPECT_EQ(evaluate(-30000, 30000), 1215);
    EXPECT_EQ(EvalCache[index ^ 1].score, -1215);
    EXPECT_EQ(EvalCache[index ^ 1].lazy, 0);
    EXPECT_EQ(EvalCache[index].lazy, 1);
}

TEST(Evaluate, WorksWithoutAllocatedTables) {
    prepare();
    EvalCache = nullptr;
    evalCacheEntries = 0;
    PawnHashTable = nullptr;
    pawnHashEntries = 0;
    setPosition(StartFen);
    EXPECT_EQ(evaluate(-30000, 30000), 0);
    setPosition(DoubledRooksFen);
    EXPECT_EQ(evaluate(-30000, 30000), 1215);
    EXPECT_EQ(evaluate(-30000, 30000), 1215);
    // One placement, both sides to move: each gets its own score (see MiddlegameWorkedByHand).
    setPosition("r5k1/5ppp/5n2/7Q/8/5N2/5PPP/R5K1 w - - 0 1");
    EXPECT_EQ(evaluate(-30000, 30000), 1106);
    board.sideToMove = Black;
    EXPECT_EQ(evaluate(-30000, 30000), -1066);
    prepare();
}

TEST(Evaluate, WinnableClampZeroesTheLosingSidesHopes) {
    // King, bishop and pawn against king and rook: only White can win, and Black's edge in
    // material is clamped away.
    prepare();
    setPosition("8/8/4k3/8/3r4/8/4P3/2B1K3 w - - 0 1");
    EXPECT_EQ(materialVerdict(), WinnableWhite);
    EXPECT_EQ(evaluateFen("8/8/4k3/8/3r4/8/4P3/2B1K3 w - - 0 1"), 0);
    // Rook against rook and pawn: only Black can win; White's active rook and king do not count.
    const char* const rookEnding = "8/p7/8/8/3KR3/8/8/k6r w - - 0 1";
    setPosition(rookEnding);
    EXPECT_EQ(materialVerdict(), WinnableBlack);
    EXPECT_EQ(evaluateFen(rookEnding), 0);
    // Give White a pawn as well and the recogniser stays out: the same position scores for White.
    EXPECT_GT(evaluateFen("8/p7/8/8/3KR3/8/7P/k6r w - - 0 1"), 0);
    // The clamp leaves a score in the winnable side's favour alone.
    const char* const blackWins = "8/8/8/8/8/1k6/p3r3/K6R w - - 0 1";
    setPosition(blackWins);
    EXPECT_EQ(materialVerdict(), WinnableBlack);
    EXPECT_LT(evaluateFen(blackWins), 0);
}

TEST(Evaluate, PawnOnlyPositionsIgnoreTheLazyWindow) {
    // Kings and pawns: the opposition position of the king tests, scored in full whatever beta is.
    EXPECT_EQ(evaluateFen("8/7p/4k3/8/4K3/8/P7/8 b - - 0 1"), -55);
    prepare();
    setPosition("8/7p/4k3/8/4K3/8/P7/8 b - - 0 1");
    EXPECT_EQ(evaluate(-30000, -1000), -55);
    EXPECT_EQ(evaluate(-30000, 30000), -55);
}

TEST(Evaluate, MiddlegameWorkedByHand) {
    // White: Kg1 Qh5 Ra1 Nf3, pawns f2 g2 h2; Black: Kg8 Ra8 Nf6, pawns f7 g7 h7.
    // Material 1000. Kings: White's in endgame mode (no Black queen) -10; Black's in middlegame
    // mode 10 (h7 beside g8 adds no danger with White's king on the same wing). Pawns cancel.
    // White: rook 4 tropism + 4 target a8 + 20 open file = 28; knight 9 tropism + 8 square = 17;
    // queen 25 tropism + 32 for f7 and h7 of the king's zone + 20 weak pawns attacked = 77.
    // Black: rook a8 +4 target a1 +20 open file, and -20 hanging with White to move; knight
    // +4 target h5 +8 square. King attack: the queen in Black's king's quadrant, 10 x 1 x 2.
    const char* const fen = "r5k1/5ppp/5n2/7Q/8/5N2/5PPP/R5K1 w - - 0 1";
    EXPECT_EQ(evaluateFen(fen), 1000 - 10 - 10 + 28 + 17 + 77 - (4 + 12) + 20);
    // Black to move: now White's a1 rook hangs instead of Black's a8 rook.
    EXPECT_EQ(evaluateFen("r5k1/5ppp/5n2/7Q/8/5N2/5PPP/R5K1 b - - 0 1"),
              -(1000 - 10 - 10 + (28 - 20) + 17 + 77 - (24 + 12) + 20));
}
