// The HTML diagram and FEN of the game log, and the material recount after take-backs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/tables.h"
#include "frontend/diagram.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "search/control.h"

namespace {

class Diagram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        initBoardTables();
        initAttackTables();
    }
    void SetUp() override {
        resetGame();
        installInitialKeys();
        gameIndex = 0;
        fullMoveNumber = 1;
    }
    // Plays coordinate moves as the loop does.
    static void play(std::initializer_list<const char*> moves) {
        for (const char* text : moves) {
            Move m = 0;
            ASSERT_TRUE(findCoordinateMove(text, &m)) << text;
            makeMove(m);
            board.historyIndex = 0;
        }
    }
    static std::string fen() {
        char text[100];
        PositionFen(text);
        return text;
    }
    // LogDiagram's output for the current position and the move just played.
    static std::string logged(Move played) {
        FILE* file = std::tmpfile();
        FILE* savedFile = logFile;
        int savedEnabled = logEnabled;
        logFile = file;
        logEnabled = 1;
        LogDiagram(played);
        logFile = savedFile;
        logEnabled = savedEnabled;
        std::rewind(file);
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        std::fclose(file);
        return text;
    }
};

TEST_F(Diagram, FenAfterE4HasNoEnPassantSquare) {
    EXPECT_EQ(fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    fullMoveNumber = 1;
    Move m = 0;
    ASSERT_TRUE(findCoordinateMove("e2e4", &m));
    makeMove(m);
    fullMoveNumber = 2; // the loop counts the move after White's
    EXPECT_EQ(fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
}

TEST_F(Diagram, FenShowsEnPassantOnlyWhenACaptureExistsAndLostCastling) {
    play({"e2e4", "d7d5", "e4e5", "f7f5"});
    fullMoveNumber = 3;
    EXPECT_EQ(fen(), "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    play({"g1f3", "e8f7", "h1g1"});
    fullMoveNumber = 5; // counted on after White's fourth move: the FEN shows Black's move 4
    EXPECT_EQ(fen(), "rnbq1bnr/ppp1pkpp/8/3pPp2/8/5N2/PPPP1PPP/RNBQKBR1 b Q - 3 4");
}

TEST_F(Diagram, TableMarksTheMoveAndNamesTheSideToMove) {
    Move m = 0;
    ASSERT_TRUE(findCoordinateMove("e2e4", &m));
    makeMove(m);
    fullMoveNumber = 2;
    std::snprintf(pvText, sizeof pvText, " 1.e4 e5 2.Nf3 ");
    std::string html = logged(m);
    EXPECT_EQ(html.find("<table border=0 cellspacing=0 cellpadding=0><tr><td bgcolor= \"#e6e0c6\">"
                        "<img src=\"diagram/1.png\" width=34 height=35></td>"),
              0u);
    // a8 is the first square: a white cell with the black rook.
    EXPECT_NE(html.find("height=280></td><td bgcolor=\"white\" width=34 height=35>"
                        "<img src=\"diagram/br.png\"></td>"),
              std::string::npos);
    EXPECT_NE(html.find("<img src=\"diagram/5b.png\" width=34 height=280>"), std::string::npos);
    EXPECT_NE(html.find("<img src=\"diagram/wpe.png\">"), std::string::npos); // e4
    EXPECT_NE(html.find("<img src=\"diagram/ese.png\">"), std::string::npos); // e2
    EXPECT_EQ(html.find("<img src=\"diagram/wpe.png\">"), html.rfind("<img src=\"diagram/wpe.png\">"));
    // a1 (the first white rook written) is blue, h1 (the second) white.
    size_t a1 = html.find("<td bgcolor=\"#01d2ff\" width=34 height=35><img src=\"diagram/wr.png\">");
    size_t h1 = html.find("<td bgcolor=\"white\" width=34 height=35><img src=\"diagram/wr.png\">");
    EXPECT_NE(a1, std::string::npos);
    EXPECT_NE(h1, std::string::npos);
    EXPECT_LT(a1, h1);
    EXPECT_NE(html.find("<img src=\"diagram/8.png\" width=34 height=35></td></tr><tr><td "
                        "align=\"center\" colspan=10 bgcolor=\"white\" height=20>"
                        "<small><b>Position after 1.e4</b></small></td></tr></table> \n"
                        "<span class=\"fen\">Fen: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b "
                        "KQkq - 0 1</span>\n\n"),
              std::string::npos);
    int cells = 0;
    for (size_t at = html.find("width=34 height=35><img"); at != std::string::npos;
         at = html.find("width=34 height=35><img", at + 1))
        cells++;
    EXPECT_EQ(cells, 64);
    // Without an open log nothing is written and nothing breaks.
    FILE* savedFile = logFile;
    logFile = nullptr;
    logEnabled = 1;
    LogDiagram(m);
    logEnabled = 0;
    logFile = savedFile;
    EXPECT_EQ(logFile, savedFile);
}

TEST_F(Diagram, RecountMaterialMatchesTheBoardAfterTakeBacks) {
    play({"e2e4", "d7d5", "e4d5", "d8d5"});
    int material = board.material, men = board.menCount;
    int white = board.whitePieceCount, black = board.blackPieceCount;
    board.material = board.menCount = board.whitePieceCount = board.blackPieceCount = -99;
    RecountMaterial();
    EXPECT_EQ(board.material, material);
    EXPECT_EQ(board.menCount, 30);
    EXPECT_EQ(board.menCount, men);
    EXPECT_EQ(board.whitePieceCount, white);
    EXPECT_EQ(board.blackPieceCount, black);
    EXPECT_EQ(white, 8);
}

TEST_F(Diagram, PlayablePositionsNeedOneKingEachAndNoCaptureOfTheKing) {
    EXPECT_EQ(positionIsPlayable(), 1);
    char noBlackKing[] = "8/8/8/8/8/8/8/4K3 w - - 0 1";
    setupFromFen(noBlackKing);
    EXPECT_EQ(positionIsPlayable(), 0);
    char twoKings[] = "4k3/8/8/8/8/8/8/3KK3 w - - 0 1";
    setupFromFen(twoKings);
    EXPECT_EQ(positionIsPlayable(), 0);
    char kingInTake[] = "4k3/8/8/8/8/8/8/4RK2 w - - 0 1"; // Black in check, White to move
    setupFromFen(kingInTake);
    EXPECT_EQ(positionIsPlayable(), 0);
    char fine[] = "4k3/8/8/8/8/8/8/4RK2 b - - 0 1";
    setupFromFen(fine);
    EXPECT_EQ(positionIsPlayable(), 1);
}

} // namespace
