// Legal move generation: the fixed emission order, castling, en passant, pins, evasions.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/board_setup.h"

namespace {

using Texts = std::vector<std::string>;

bool contains(const Texts& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(MoveOrder, InitialPositionKnightsThenSinglesThenDoubles) {
    startPosition();
    Texts expected = {"b1a3", "b1c3", "g1f3", "g1h3", "a2a3", "b2b3", "c2c3",
                      "d2d3", "e2e3", "f2f3", "g2g3", "h2h3", "a2a4", "b2b4",
                      "c2c4", "d2d4", "e2e4", "f2f4", "g2g4", "h2h4"};
    EXPECT_EQ(legalMoveTexts(), expected);
}

// Captures before quiet moves: push promotions (queen first), pawn captures by target with
// the pawn nearer file a first, then pushes and king steps. White scans upward, Black downward.
TEST(MoveOrder, PawnListsInBothScanningDirections) {
    setPosition("4k3/1P6/8/2p1p3/3P1P2/8/8/4K3 w - - 0 1");
    Texts white = {"b7b8q", "b7b8r", "b7b8b", "b7b8n", "d4c5", "d4e5", "f4e5",
                   "d4d5",  "f4f5",  "e1d1",  "e1f1",  "e1d2", "e1e2", "e1f2"};
    EXPECT_EQ(legalMoveTexts(), white);

    setPosition("4k3/8/8/3p1p2/2P1P3/8/1p6/4K3 b - - 0 1");
    Texts black = {"b2b1q", "b2b1r", "b2b1b", "b2b1n", "d5e4", "f5e4", "d5c4",
                   "f5f4",  "d5d4",  "e8f8",  "e8d8",  "e8f7", "e8e7", "e8d7"};
    EXPECT_EQ(legalMoveTexts(), black);
}

TEST(MoveOrder, PiecesByTheirSquareWhateverTheirKind) {
    setPosition("4k3/8/8/8/8/8/8/BN2K3 w - - 0 1");
    Texts expected = {"a1b2", "a1c3", "a1d4", "a1e5", "a1f6", "a1g7", "a1h8", "b1d2",
                      "b1a3", "b1c3", "e1d1", "e1f1", "e1d2", "e1e2", "e1f2"};
    EXPECT_EQ(legalMoveTexts(), expected);
}

TEST(Castling, TransitSquaresMustNotBeAttacked) {
    // A bishop on h5 hits d1: long castling is gone, short stays.
    setPosition("4k3/8/8/7b/8/8/8/R3K2R w KQ - 0 1");
    Texts moves = legalMoveTexts();
    EXPECT_TRUE(contains(moves, "e1g1"));
    EXPECT_FALSE(contains(moves, "e1c1"));
    // A bishop on e4 hits only b1, which the king does not cross: both castlings.
    setPosition("4k3/8/8/8/4b3/8/8/R3K2R w KQ - 0 1");
    moves = legalMoveTexts();
    EXPECT_TRUE(contains(moves, "e1g1"));
    EXPECT_TRUE(contains(moves, "e1c1"));
    // Short before long; a rook's reach onto g8 stops short castling alone; in check, neither.
    setPosition("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    moves = legalMoveTexts();
    ASSERT_GE(moves.size(), 2u);
    EXPECT_EQ(std::find(moves.begin(), moves.end(), "e8g8") + 1,
              std::find(moves.begin(), moves.end(), "e8c8"));
    setPosition("r3k2r/8/8/8/8/8/8/R3K1R1 b Qkq - 0 1");
    moves = legalMoveTexts();
    EXPECT_TRUE(contains(moves, "e8c8"));
    EXPECT_FALSE(contains(moves, "e8g8")); // g8 attacked by the g1 rook
    setPosition("r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1");
    moves = legalMoveTexts();
    EXPECT_FALSE(contains(moves, "e1g1"));
    EXPECT_FALSE(contains(moves, "e1c1"));
}

TEST(EnPassant, TheCaptureThatOpensTheKingsRankIsNotGenerated) {
    setPosition("7k/8/8/KPp4r/8/8/8/8 w - c6 0 2");
    EXPECT_FALSE(contains(legalMoveTexts(), "b5c6"));
    setPosition("7k/8/8/KPp3nr/8/8/8/8 w - c6 0 2");
    EXPECT_TRUE(contains(legalMoveTexts(), "b5c6"));
    // The same with the king on the other side and for Black.
    setPosition("7k/8/8/r1pP3K/8/8/8/8 w - c6 0 2");
    EXPECT_FALSE(contains(legalMoveTexts(), "d5c6"));
    setPosition("8/8/8/8/Q3pP1k/8/8/K7 b - f3 0 1");
    EXPECT_FALSE(contains(legalMoveTexts(), "e4f3"));
    setPosition("8/8/8/8/Q2NpP1k/8/8/K7 b - f3 0 1");
    EXPECT_TRUE(contains(legalMoveTexts(), "e4f3"));
}

TEST(Pins, APinnedRookKeepsToItsLineAndMayTakeThePinner) {
    setPosition("4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1");
    Texts rookMoves;
    for (const std::string& text : legalMoveTexts())
        if (text.compare(0, 2, "e2") == 0) rookMoves.push_back(text);
    Texts expected = {"e2e7", "e2e3", "e2e4", "e2e5", "e2e6"};
    EXPECT_EQ(rookMoves, expected);
    // A pinned knight never moves; a pinned pawn may still push along a file pin.
    setPosition("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    for (const std::string& text : legalMoveTexts()) EXPECT_NE(text.substr(0, 2), "e2");
    setPosition("4k3/4r3/8/8/8/8/4P3/4K3 w - - 0 1");
    Texts moves = legalMoveTexts();
    EXPECT_TRUE(contains(moves, "e2e3"));
    EXPECT_TRUE(contains(moves, "e2e4"));
    setPosition("4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1");
    moves = legalMoveTexts();
    EXPECT_FALSE(contains(moves, "d2d3"));
    EXPECT_EQ(isPinned(White, D2), 1);
    EXPECT_EQ(findPins(White), squareBit[D2]);
    EXPECT_EQ(board.pinRays[D2], squareBit[B4] | squareBit[C3] | squareBit[D2]);
}

TEST(Evasions, DoubleCheckLeavesOnlyKingMovesNeverAlongTheCheckingLine) {
    // Rook e8 and knight f3 both check the king on e1.
    setPosition("4r1k1/8/8/8/8/5n2/3B4/R3K3 w - - 0 1");
    ASSERT_EQ(sideToMoveInCheck(), 1);
    Texts moves = legalMoveTexts();
    for (const std::string& text : moves) EXPECT_EQ(text.substr(0, 2), "e1");
    EXPECT_FALSE(contains(moves, "e1e2")); // toward the rook, still on its file
    // Single rook check: the king may not step back along the rook's rank, which the king's
    // own body hides from the occupancy.
    setPosition("4k3/8/8/8/r5K1/8/8/8 w - - 0 1");
    EXPECT_EQ(legalMoveTexts(), (Texts{"g4f3", "g4g3", "g4h3", "g4f5", "g4g5", "g4h5"}));
}

TEST(Evasions, CaptureInterposeAndEnPassantOfTheChecker) {
    // The pawn that just arrived with check can be taken en passant.
    setPosition("4k3/4p3/8/5P2/3K4/8/8/8 b - - 0 1");
    Move push;
    ASSERT_TRUE(findCoordinateMove("e7e5", &push));
    makeMove(push);
    ASSERT_EQ(sideToMoveInCheck(), 1);
    Texts moves = legalMoveTexts();
    EXPECT_TRUE(contains(moves, "f5e6"));
    EXPECT_TRUE(contains(moves, "d4e5"));
    // In a set-up position another pawn gives the check: taking the passed pawn en passant
    // would leave the king in check.
    setPosition("4k3/8/8/2p1pP2/1K6/8/8/8 w - e6 0 1");
    ASSERT_EQ(board.epSquare, E6);
    EXPECT_FALSE(contains(legalMoveTexts(), "f5e6"));
    // A promotion push that blocks the check is four moves, queen first.
    setPosition("K6r/4P3/8/8/8/8/8/k7 w - - 0 1");
    moves = legalMoveTexts();
    auto at = std::find(moves.begin(), moves.end(), "e7e8q");
    ASSERT_NE(at, moves.end());
    ASSERT_LE(at + 4, moves.end());
    EXPECT_EQ(Texts(at, at + 4), (Texts{"e7e8q", "e7e8r", "e7e8b", "e7e8n"}));
    EXPECT_FALSE(contains(moves, "a8b8"));
    // Evasions run upward for Black too: king steps, capture of the checker, then the blocks
    // square by square from the checker toward the king.
    setPosition("4k3/r7/8/8/1bn5/8/8/4R1K1 b - - 0 1");
    EXPECT_EQ(legalMoveTexts(),
              (Texts{"e8d7", "e8f7", "e8d8", "e8f8", "b4e1", "c4e3", "c4e5", "b4e7", "a7e7"}));
}

// A hand-edited board whose king is gone moves its other men but never a king that is not
// there (a move from an empty square would corrupt the board).
TEST(MissingKing, NoMovesFromTheRecordedKingSquare) {
    setPosition("4k3/8/8/8/8/8/4P3/4K2R w K - 0 1");
    editSquare(White, 'X', 'e', '1');
    computeKeys(); // as the front end does when edit mode ends
    Texts moves = legalMoveTexts();
    EXPECT_EQ(moves, (Texts{"h1a1", "h1b1", "h1c1", "h1d1", "h1e1", "h1f1", "h1g1", "h1h2", "h1h3",
                            "h1h4", "h1h5", "h1h6", "h1h7", "h1h8", "e2e3", "e2e4"}));
    for (Move m : legalMoves()) {
        makeMove(m);
        EXPECT_EQ(boardInconsistency(), "");
        unmakeMove(m);
    }
}

TEST(Captures, PromotionsAreCapturesAndRaiseTheVictimValue) {
    setPosition("1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    ensureBoardTables();
    Move list[MaxMoves];
    Bitboard pinned = findPins(White);
    board.maxVictimValue = 0;
    Move* end = generateCaptures(list, pinned);
    Texts captures;
    for (Move* m = list; m < end; m++) {
        char text[8];
        moveToCoordinate(*m, text);
        captures.push_back(text);
    }
    EXPECT_EQ(captures,
              (Texts{"a7a8q", "a7a8r", "a7a8b", "a7a8n", "a7b8q", "a7b8r", "a7b8b", "a7b8n"}));
    EXPECT_EQ(board.maxVictimValue, 1350); // the knight taken with promotion
    EXPECT_EQ(movePromotion(list[0]), WhiteQueen);
    EXPECT_EQ(moveCaptured(list[4]), BlackKnight);
    Move* quietEnd = generateQuiet(list, pinned);
    for (Move* m = list; m < quietEnd; m++) EXPECT_EQ(movePromotion(*m), 0);

    // A push promotion sets exactly 1000; captures by the king and en passant leave it alone.
    setPosition("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    board.maxVictimValue = 0;
    generateCaptures(list, findPins(White));
    EXPECT_EQ(board.maxVictimValue, 1000);
    setPosition("4k3/8/8/3pP3/8/8/4q3/4K3 w - d6 0 1");
    board.maxVictimValue = 0;
    end = generateCaptures(list, findPins(White));
    EXPECT_EQ(board.maxVictimValue, 0);
    EXPECT_EQ(end - list, 2); // Kxe2 and exd6 e.p.
    setPosition("4k3/8/8/8/8/8/3r4/4K2R w - - 0 1");
    board.maxVictimValue = 0;
    generateCaptures(list, findPins(White));
    EXPECT_EQ(board.maxVictimValue, 0);
    setPosition("4k3/8/8/8/8/8/2r5/4K1R1 w - - 0 1");
    board.maxVictimValue = 0;
    generateCaptures(list, findPins(White));
    EXPECT_EQ(board.maxVictimValue, 0);
}

} // namespace
