// Set-up refuses men no game could have: a crowd of queens would give the side to move more
// legal moves than a move list holds.
#include <gtest/gtest.h>

#include "board/board.h"
#include "board/movegen.h"
#include "board/position.h"
#include "support/board_setup.h"

namespace {

int whiteMen() {
    return __builtin_popcountll(board.bitboards[WhiteMen]);
}

// Legal moves of the side to move, counted in a list far larger than any position can need.
int legalMoveCount() {
    static Move list[4 * MaxMoves];
    return static_cast<int>(generateMoves(list, sideToMoveInCheck()) - list);
}

} // namespace

TEST(SetupBounds, QueenCrowdIsCutToWhatAGameCanReach) {
    // 29 queens: 279 legal moves if all were placed.
    setPosition("QQQQQQQk/Q5QQ/Q6Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1");
    EXPECT_EQ(whiteMen(), 10); // the king and nine queens
    EXPECT_EQ(board.whitePieceCount, 10);
    EXPECT_LE(legalMoveCount(), MaxMoves);
}

TEST(SetupBounds, EveryPawnPromotedStillSetsUpWhole) {
    // Eight promotions (nine queens), the most a game allows.
    setPosition("k7/8/8/8/8/8/QQQQQQQQ/QRRBBNNK w - - 0 1");
    EXPECT_EQ(whiteMen(), 16);
    setPosition("k7/8/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1");
    EXPECT_EQ(whiteMen(), 16);
    // One pawn more than eight, or a queen more than the missing pawns allow, is dropped (the
    // man furthest from the side's back rank goes).
    setPosition("k7/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1");
    EXPECT_EQ(__builtin_popcountll(board.bitboards[WhitePawn]), 8);
    EXPECT_EQ(board.squares[16], Empty);
    setPosition("k7/8/8/8/8/8/PPPPPPP1/QQ2K3 w - - 0 1");
    EXPECT_EQ(whiteMen(), 10);
    setPosition("k7/8/8/8/8/8/PPPPPPP1/QQQ1K3 w - - 0 1");
    EXPECT_EQ(whiteMen(), 10);
    EXPECT_EQ(board.squares[14], Empty);
    // The same men are kept in the colour mirror.
    setPosition("qqq1k3/ppppppp1/8/8/8/8/8/K7 b - - 0 1");
    EXPECT_EQ(__builtin_popcountll(board.bitboards[BlackMen]), 10);
    EXPECT_EQ(board.squares[54], Empty);
}

TEST(SetupBounds, EditModeRefusesTheManAndKeepsTheSquare) {
    setPosition("k7/8/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1");
    editSquare(1, 'Q', 'a', '2'); // a queen for the a2 pawn: one promotion, allowed
    EXPECT_EQ(board.squares[8], WhiteQueen);
    editSquare(1, 'Q', 'a', '5'); // a third queen with only one pawn gone: refused
    EXPECT_EQ(board.squares[32], Empty);
    EXPECT_EQ(whiteMen(), 16);
    editSquare(1, 'Q', 'b', '2'); // replacing the b2 pawn: two promotions, allowed
    EXPECT_EQ(board.squares[9], WhiteQueen);
    EXPECT_EQ(whiteMen(), 16);
}
