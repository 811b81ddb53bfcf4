// Set-up keeps the move lists safe without changing positions: men are placed as written, and a
// position whose men could give a side more legal moves than a list holds is refused whole.
#include <gtest/gtest.h>

#include "board/board.h"
#include "board/movegen.h"
#include "board/position.h"
#include "support/board_setup.h"

namespace {

int menOf(int side) {
    return __builtin_popcountll(board.bitboards[side == White ? WhiteMen : BlackMen]);
}

// Legal moves of the side to move, counted in a list far larger than any position can need.
int legalMoveCount() {
    static Move list[8 * MaxMoves];
    return static_cast<int>(generateMoves(list, sideToMoveInCheck()) - list);
}

// Sets up fen and answers whether the set-up accepted it.
int accepts(const std::string& fen) {
    ensureBoardTables();
    std::string text = fen;
    return setupFromFen(text.data());
}

} // namespace

TEST(SetupBounds, QueenCrowdIsRefusedWhole) {
    // 29 queens: 279 legal moves, more than a list holds. Nothing of it is kept.
    EXPECT_EQ(accepts("QQQQQQQk/Q5QQ/Q6Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1"), 0);
    EXPECT_EQ(menOf(White) + menOf(Black), 0);
    EXPECT_EQ(board.menCount, 0);
    EXPECT_EQ(legalMoveCount(), 0);
    // The same crowd for Black, and two men beyond a game's material for one side.
    EXPECT_EQ(accepts("kqqqqqqq/q6q/q6q/q6q/q6q/q6q/qq5q/qqqqqqqK b - - 0 1"), 0);
    EXPECT_EQ(accepts("k7/8/8/8/8/PP6/PPPPPPPP/4K3 w - - 0 1"), 0);
    EXPECT_EQ(accepts("k7/8/8/8/8/8/PPPPPPP1/QQQQK3 w - - 0 1"), 0);
}

TEST(SetupBounds, PositionsWhoseMovesFitAreKeptAsWritten) {
    // Eight promotions (nine queens), the most a game allows, and the initial men.
    EXPECT_EQ(accepts("k7/8/8/8/8/8/QQQQQQQQ/QRRBBNNK w - - 0 1"), 1);
    EXPECT_EQ(menOf(White), 16);
    // A queen for the f1 bishop beside all eight pawns: no game reaches it, but it fits.
    EXPECT_EQ(accepts("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKQNR w KQkq - 0 1"), 1);
    EXPECT_EQ(menOf(White), 16);
    EXPECT_EQ(board.squares[5], WhiteQueen);
    EXPECT_EQ(legalMoveCount(), 20);
    // One man beyond a game's material on each side: a ninth pawn, a third queen with one pawn
    // gone, a seventeenth man.
    EXPECT_EQ(accepts("k7/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1"), 1);
    EXPECT_EQ(__builtin_popcountll(board.bitboards[WhitePawn]), 9);
    EXPECT_EQ(accepts("qqq1k3/ppppppp1/8/8/8/8/8/K7 b - - 0 1"), 1);
    EXPECT_EQ(menOf(Black), 11);
    EXPECT_EQ(accepts("rnbqkbnr/pppppppp/n7/8/8/N7/PPPPPPPP/RNBQKBNR w KQkq - 0 1"), 1);
    EXPECT_EQ(menOf(White), 17);
    EXPECT_EQ(menOf(Black), 17);
    // The most legal moves a game can reach (218) is counted whole.
    EXPECT_EQ(accepts("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"), 1);
    EXPECT_EQ(legalMoveCount(), 218);
}

// The rule holds through play: the extra men allowed can never give a side more moves than a
// list holds. The worst case allowed: nine queens with the usual pieces plus one more queen.
TEST(SetupBounds, AllowedMenStayWithinTheLists) {
    EXPECT_EQ(accepts("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"), 1);
    // A tenth queen anywhere empty keeps the count within a list.
    for (int square = 0; square < 64; square++) {
        EXPECT_EQ(accepts("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"), 1);
        if (board.squares[square] != Empty) continue;
        editSquare(1, 'Q', static_cast<char>('a' + square % 8), static_cast<char>('1' + square / 8));
        EXPECT_TRUE(menFitMoveLists()) << square;
        EXPECT_LE(legalMoveCount(), MaxMoves) << square;
    }
}

TEST(SetupBounds, EditModePlacesEveryManAndTheRuleJudgesTheBoard) {
    EXPECT_EQ(accepts("k7/8/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1"), 1);
    editSquare(1, 'Q', 'a', '5'); // a second queen beside eight pawns: one man beyond, placed
    EXPECT_EQ(board.squares[32], WhiteQueen);
    EXPECT_TRUE(menFitMoveLists());
    editSquare(1, 'Q', 'b', '5'); // a third: placed too, and the board no longer fits
    EXPECT_EQ(board.squares[33], WhiteQueen);
    EXPECT_EQ(menOf(White), 18);
    EXPECT_FALSE(menFitMoveLists());
    editSquare(1, 'X', 'b', '5');
    EXPECT_TRUE(menFitMoveLists());
}
