// The book command as a whole: its messages, its summary line, its exits, and the state it
// leaves behind.
#include <gtest/gtest.h>

#include <regex>

#include "book/book.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/hash.h"
#include "support/book_fixture.h"
#include "support/book_test_support.h"

namespace {

class BookCommandTest : public BookDirectoryTest {
protected:
    void SetUp() override {
        BookDirectoryTest::SetUp();
        newGame();
        selectHashRow(1);
        selectPawnHashMegabytes(1);
        AllocateHashTables(0);
        AllocatePawnHash(0);
    }
    void TearDown() override {
        FreeHashTables();
        FreePawnHash();
        outputIsConsole = false;
        BookDirectoryTest::TearDown();
    }
};

TEST_F(BookCommandTest, MessagesAndPlainSummaryOnAPipeLeaveTheEngineReady) {
    FILE* log = fopen("log.htm", "w");
    ASSERT_NE(log, nullptr);
    logFile = log;
    logEnabled = 1;
    playMoves({"e4", "e5"});
    testing::internal::CaptureStdout();
    buildBook(dataFile("tatamast22.pgn").c_str(), "negras.obk", 0, 0);
    std::string out = testing::internal::GetCapturedStdout();
    logEnabled = 0;
    logFile = nullptr;
    fclose(log);
    std::string uniques = std::to_string(readWholeBook("negras.obk").size());
    uniques = std::string(7 - uniques.size(), '0') + uniques;
    std::regex expected("\nBuilding opening book \"negras\\.obk\":\n\n\n\n\nPlease wait \\.\\.\\.\n"
                        "\n\n   \\*\\*\\*\\*   Processed 0000091 games and stored " + uniques +
                        " uniques positions   \\*\\*\\*\\*   \n"
                        "\nElapsed Time: [0-9]+\\.[0-9][0-9]\nDone\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
    std::string logged = readFile("log.htm");
    EXPECT_NE(logged.find("Please wait ..."), std::string::npos);
    EXPECT_NE(logged.find("Done"), std::string::npos);
    EXPECT_EQ(logged.find("Processed"), std::string::npos); // the summary never reaches the log
    // The tables are back and the board stands at the initial position.
    EXPECT_NE(TransTable, nullptr);
    EXPECT_NE(PawnHashTable, nullptr);
    EXPECT_EQ(board.hashKey, InitialHashKey);
    EXPECT_EQ(board.sideToMove, White);
    EXPECT_EQ(gameKeys[0], InitialHashKey);
}

TEST_F(BookCommandTest, SummaryIsDrawnInColourAboveTheCursorOnATerminal) {
    outputIsConsole = true;
    testing::internal::CaptureStdout();
    buildBook(dataFile("molinari-bordais-1979.pgn").c_str(), "blancas.obk", 0, 1);
    std::string out = testing::internal::GetCapturedStdout();
    size_t summary = out.find("   ****   Processed 0000001 games and stored 0000005 uniques "
                              "positions   ****   ");
    ASSERT_NE(summary, std::string::npos) << out;
    size_t colour = out.rfind("\x1b[97;101m", summary);
    ASSERT_NE(colour, std::string::npos);
    EXPECT_NE(out.find("\x1b[1A", out.rfind("Please wait", colour)), std::string::npos);
    EXPECT_EQ(out.substr(summary - 9, 9), "\x1b[97;101m");
}

TEST_F(BookCommandTest, RebuildingReplacesTheOldBook) {
    testing::internal::CaptureStdout();
    buildBook(dataFile("tatamast22.pgn").c_str(), "blancas.obk", 0, 1);
    size_t first = readWholeBook("blancas.obk").size();
    buildBook(dataFile("molinari-bordais-1979.pgn").c_str(), "blancas.obk", 0, 1);
    testing::internal::GetCapturedStdout();
    EXPECT_GT(first, 5u);
    EXPECT_EQ(readWholeBook("blancas.obk").size(), 5u); // not merged with the first build
}

using BookCommandDeathTest = BookCommandTest;

TEST_F(BookCommandDeathTest, MissingPgnEndsTheProcessWithStatusOne) {
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            buildBook("missing.pgn", "blancas.obk", 0, 0);
        },
        testing::ExitedWithCode(1), "^PGN file not found!\n$");
}

TEST_F(BookCommandDeathTest, BookThatCannotBeCreatedEndsTheProcessWithStatusOne) {
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            buildBook(dataFile("molinari-bordais-1979.pgn").c_str(), "no/such/dir/negras.obk", 0,
                      0);
        },
        testing::ExitedWithCode(1), "^Error opening book.\n$");
}

} // namespace
