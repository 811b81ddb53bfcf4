// Clearing, the initial position, FEN set-up and edit mode, with hostile text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "book/book.h"
#include "search/hash.h"
#include "support/board_setup.h"

namespace {

bool generates(const char* text) {
    std::vector<std::string> moves = legalMoveTexts();
    return std::find(moves.begin(), moves.end(), text) != moves.end();
}

TEST(Setup, InitialFenEqualsResetGame) {
    startPosition();
    Board reset = board;
    gameKeys[5] = 123;
    hashStores = 77;
    bookPathCount = 3;
    setPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(memcmp(reset.squares, board.squares, sizeof board.squares), 0);
    EXPECT_EQ(memcmp(reset.bitboards, board.bitboards, sizeof board.bitboards), 0);
    EXPECT_EQ(memcmp(reset.moveCounts, board.moveCounts, sizeof board.moveCounts), 0);
    EXPECT_EQ(reset.material, board.material);
    EXPECT_EQ(board.whitePieceCount, 8);
    EXPECT_EQ(board.blackPieceCount, 8);
    EXPECT_EQ(board.menCount, 32);
    EXPECT_EQ(board.whiteKingSq, E1);
    EXPECT_EQ(board.blackKingSq, E8);
    EXPECT_EQ(board.whiteCastled, 0);
    EXPECT_EQ(board.blackCastled, 0);
    EXPECT_EQ(board.hashKey, InitialHashKey);
    EXPECT_EQ(board.pawnKey, InitialPawnKey);
    EXPECT_EQ(fullMoveNumber, 1);
    EXPECT_EQ(gameIndex, 0);
    EXPECT_EQ(gameKeys[0], InitialHashKey);
    EXPECT_EQ(gameKeys[5], 0u);
    EXPECT_EQ(hashStores, 0u);
    EXPECT_EQ(bookPathCount, 0);
    EXPECT_EQ(bookPly, 70);
    EXPECT_EQ(otherSideFlag, 0);
}

TEST(Setup, CastlingField) {
    setPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1");
    EXPECT_EQ(board.whiteCastled, 1);
    EXPECT_EQ(board.blackCastled, 1);
    EXPECT_EQ(board.moveCounts[E1], 1);
    EXPECT_EQ(board.moveCounts[E8], 1);
    // Only the rights the text grants, though all four rooks stand at home.
    setPosition("r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1");
    EXPECT_TRUE(generates("e1g1"));
    EXPECT_FALSE(generates("e1c1"));
    setPosition("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1");
    EXPECT_TRUE(generates("e8c8"));
    EXPECT_FALSE(generates("e8g8"));
    EXPECT_EQ(board.whiteCastled, 0);
    EXPECT_EQ(board.blackCastled, 0);
    // Without a castling field nobody castles and the castled fields stay 0.
    setPosition("r3k2r/8/8/8/8/8/8/R3K2R w");
    EXPECT_FALSE(generates("e1g1"));
    EXPECT_FALSE(generates("e1c1"));
    EXPECT_EQ(board.whiteCastled, 0);
}

TEST(Setup, SideClocksAndMoveNumber) {
    setPosition("4k3/8/8/8/8/8/8/4K3 b - - 5 12");
    EXPECT_EQ(board.sideToMove, Black);
    EXPECT_EQ(otherSideFlag, 1);
    EXPECT_EQ(fullMoveNumber, 12);
    EXPECT_EQ(gameIndex, 23);
    EXPECT_EQ(board.fiftyCount, 5);
    EXPECT_EQ(gameKeys[23], board.hashKey);
    setPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 12");
    EXPECT_EQ(gameIndex, 22);
    setPosition("4k3/8/8/8/8/8/8/4K3 b");
    EXPECT_EQ(fullMoveNumber, 1);
    EXPECT_EQ(gameIndex, 1);
    // Runs of blanks separate like one.
    setPosition("4k3/8/8/8/8/8/8/4K3    w   -  -   3    7");
    EXPECT_EQ(board.fiftyCount, 3);
    EXPECT_EQ(gameIndex, 12);
}

TEST(Setup, EnPassantField) {
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_EQ(board.epSquare, 20);
    setPosition("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_TRUE(generates("d4e3"));
    // A square no double push can have passed over is not kept: taking "en passant" there
    // would remove a man that is not behind it.
    for (const char* ep : {"e6", "d3", "z9", "e", "a0", "h9", "e4"}) {
        setPosition(std::string("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq ") + ep +
                    " 0 1");
        EXPECT_EQ(board.epSquare, 0) << ep;
    }
}

TEST(Setup, BishopOnTheKingsSideCountsAsHomeOnlyBesideItsKing) {
    setPosition("4k3/8/8/8/8/8/8/3K1B2 w - - 0 1");
    EXPECT_EQ(board.moveCounts[F1], 1);
    setPosition("4k3/8/8/8/8/8/8/4KB2 w - - 0 1");
    EXPECT_EQ(board.moveCounts[F1], 0);
    setPosition("4kb2/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(board.moveCounts[F8], 0);
    setPosition("2b1k3/8/8/8/8/8/8/1N2K2R w - - 0 1");
    EXPECT_EQ(board.moveCounts[C8], 0);
    EXPECT_EQ(board.moveCounts[B1], 0);
    EXPECT_EQ(board.moveCounts[H1], 1); // no castling granted
}

// Whatever the text, the set-up stays on the board: squares, sets, counts and keys agree, the
// game index stays inside the record, and nothing is written beyond the 64 squares.
TEST(Setup, MalformedTextNeverWritesOutsideTheBoard) {
    const char* texts[] = {
        "",
        "     ",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/pppppppp/PPPPPPPP/kK w KQkq - 0 1",
        "rnbqkbnrrnbqkbnrPPPPPPPPPPP/pppppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
        "12/8/8/8/8/8/8/K6k w - - 0 1",
        "99999999999999999999999999k/8/8/8/8/8/8/K7 w - - 0 1",
        "4k3/8/8/8/8/8/8/4K3 w - - 99999999999999999999 99999999999999999999",
        "4k3/8/8/8/8/8/8/4K3 b - - -5 -3",
        "4k3/8/8/8/8/8/8/4K3 w - - 0 0",
        "4k3/8/8/8/8/8/8/4K3 b - - 0 900",
        "4k3/xyz$%/8/8/8/8/8/4K3 w KQkq z0 a b c d e f g",
        "////////////////////////////////////////kK w",
        "8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/Q w",
        "k7/8/8/8/8/8/8/7K",
        "pppppppp/8/8/8/8/8/8/PPPPPPPP w - - 0 1",
    };
    for (const char* text : texts) {
        setPosition(text);
        EXPECT_EQ(boardInconsistency(), "") << text;
        EXPECT_GE(gameIndex, 0) << text;
        EXPECT_LT(gameIndex + UndoStackSize, GameRecordSize) << text;
        EXPECT_GE(fullMoveNumber, 1) << text;
        EXPECT_LE(board.menCount, 64) << text;
        // The generator and perft-style make/take-back run on whatever came out.
        for (Move m : legalMoves()) {
            makeMove(m);
            EXPECT_EQ(boardInconsistency(), "") << text;
            unmakeMove(m);
        }
    }
    setPosition("8/8/8/8/8/8/8/8/8/8/PPPPPPPP/kK w");
    EXPECT_EQ(board.menCount, 0); // the ranks beyond the eighth are dropped
    setPosition("rnbqkbnrrnbq/8/8/8/8/8/8/K7 w");
    EXPECT_EQ(board.menCount, 9); // files beyond h are dropped
    EXPECT_EQ(board.squares[H8], BlackRook);
    setPosition("4k3/8/8/8/8/8/8/4K3 b - - 0 900");
    EXPECT_EQ(fullMoveNumber, 900);
    EXPECT_EQ(gameIndex % 2, 1); // still odd with Black to move
}

// Random men on random squares (pawns on the back ranks, no king, several kings, a king in
// reach): generating, making and taking back two plies keeps the board whole.
TEST(Setup, ImpossiblePositionsStayConsistentThroughMakeAndTakeBack) {
    Playout random(2026);
    const char men[] = "PNBRQKpnbrqk";
    const char* rights[] = {"KQkq", "-", "Kq"};
    const char* passed[] = {"-", "e3", "d6", "a6", "h3"};
    for (int iteration = 0; iteration < 400; iteration++) {
        char grid[64] = {};
        for (int i = static_cast<int>(random.next(20)); i > 0; i--)
            grid[random.next(64)] = men[random.next(12)];
        std::string fen;
        for (int rank = 7; rank >= 0; rank--) {
            for (int file = 0; file < 8; file++)
                fen += grid[rank * 8 + file] ? grid[rank * 8 + file] : '1';
            fen += rank ? "/" : "";
        }
        fen += std::string(random.next(2) ? " w " : " b ") + rights[random.next(3)] + " " +
               passed[random.next(5)] + " 0 1";
        setPosition(fen);
        ASSERT_EQ(boardInconsistency(), "") << fen;
        for (Move m : legalMoves()) {
            makeMove(m);
            for (Move reply : legalMoves()) {
                makeMove(reply);
                ASSERT_EQ(boardInconsistency(), "") << fen;
                unmakeMove(reply);
            }
            unmakeMove(m);
        }
        ASSERT_EQ(boardInconsistency(), "") << fen;
    }
}

TEST(Edit, PlacingAndRemovingKeepsSetsCountsAndMaterial) {
    ensureBoardTables();
    clearBoard();
    editSquare(White, 'K', 'e', '1');
    editSquare(White, 'B', 'f', '1');
    editSquare(Black, 'K', 'g', '8');
    editSquare(Black, 'P', 'e', '4');
    EXPECT_EQ(board.whiteKingSq, E1);
    EXPECT_EQ(board.blackKingSq, G8);
    EXPECT_EQ(board.whiteCastled, 0);
    EXPECT_EQ(board.blackCastled, 1);
    EXPECT_EQ(board.moveCounts[E1], 0);
    EXPECT_EQ(board.moveCounts[G8], 1);
    EXPECT_EQ(board.moveCounts[F1], 0);
    EXPECT_EQ(board.material, 365 - 100);
    // Onto an occupied square: the man there is taken off first.
    editSquare(White, 'Q', 'e', '4');
    EXPECT_EQ(board.squares[E4], WhiteQueen);
    EXPECT_EQ(board.bitboards[BlackPawn], 0u);
    EXPECT_EQ(board.bitboards[BlackMen], squareBit[G8]);
    EXPECT_EQ(board.material, 365 + 1000);
    EXPECT_EQ(board.menCount, 4);
    EXPECT_EQ(board.whitePieceCount, 3);
    computeKeys();
    EXPECT_EQ(boardInconsistency(), "");
    editSquare(White, 'X', 'e', '4');
    editSquare(White, 'X', 'e', '4'); // an empty square stays empty
    EXPECT_EQ(board.squares[E4], Empty);
    EXPECT_EQ(board.menCount, 3);
    EXPECT_EQ(board.whitePieceCount, 2);
    computeKeys();
    EXPECT_EQ(boardInconsistency(), "");
    // Squares off the board and unknown letters change nothing.
    Board before = board;
    editSquare(White, 'Q', 'i', '1');
    editSquare(White, 'Q', 'a', '9');
    editSquare(White, 'Q', 'a', '0');
    editSquare(Black, 'Z', 'a', '1');
    editSquare(Black, 'q', 'a', '1');
    EXPECT_EQ(memcmp(before.squares, board.squares, sizeof board.squares), 0);
    EXPECT_EQ(memcmp(before.bitboards, board.bitboards, sizeof board.bitboards), 0);
    EXPECT_EQ(before.menCount, board.menCount);
}

TEST(Clear, EmptiesTheBoardAndTheRecord) {
    startPosition();
    bookPathCount = 5;
    gameKeys[10] = 1;
    board.fiftyCount = 9;
    clearBoard();
    EXPECT_EQ(board.menCount, 0);
    EXPECT_EQ(board.material, 0);
    EXPECT_EQ(board.bitboards[WhiteMen] | board.bitboards[BlackMen], 0u);
    EXPECT_EQ(gameKeys[10], 0u);
    EXPECT_EQ(bookPathCount, 0);
    EXPECT_EQ(board.fiftyCount, 0);
    EXPECT_EQ(board.whiteKingSq, E1); // left alone
}

} // namespace
