// The thinking lines, letter for letter.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "board/makemove.h"
#include "board/notation.h"
#include "platform/platform.h"
#include "search/thinking_output.h"
#include "support/search_setup.h"

using namespace searchtest;

namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Root state of a search at the given iteration that has just started.
void searchState(int iterationNumber, int32_t nodeCount) {
    defaultSettings();
    iteration = iterationNumber;
    nodes = nodeCount;
    selDepth = static_cast<uint8_t>(iterationNumber + 3);
    lineIndex = 1;
    lineCount = 1;
    boundLabel = "";
    searchStart = tickCount();
}

// The output with each time field (centiseconds since the search started) replaced by "T",
// the field's padding kept in front of it.
std::string maskTimes(const std::string& out) {
    static const std::regex scoreLine("^( ?\\d+ +-?\\d+ +)\\d+", std::regex::multiline);
    static const std::regex stat01("stat01: \\d+ ");
    return std::regex_replace(std::regex_replace(out, scoreLine, "$1T"), stat01, "stat01: T ");
}

// Captured standard output with the times masked.
std::string maskedOutput() { return maskTimes(testing::internal::GetCapturedStdout()); }

// Plays a coordinate move of the current position.
Move play(const char* text) {
    Move m = 0;
    EXPECT_TRUE(findCoordinateMove(text, &m)) << text;
    makeMove(m);
    return m;
}

// Stores move as the best move of the current position in the transposition table.
void storeHashMove(const char* text) {
    Move m = 0;
    ASSERT_TRUE(findCoordinateMove(text, &m)) << text;
    StoreTrans(0, transIndex(), BoundExact, m, 60);
}

} // namespace

TEST(ThinkingOutput, MateNumbersAndScores) {
    char text[32];
    formatUciScore(29998, "lowerbound ", text, sizeof text);
    EXPECT_STREQ(text, "mate 1 ");
    formatUciScore(29996, "", text, sizeof text);
    EXPECT_STREQ(text, "mate 2 ");
    formatUciScore(-29997, "", text, sizeof text);
    EXPECT_STREQ(text, "mate -1 ");
    formatUciScore(-29800, "", text, sizeof text);
    EXPECT_STREQ(text, "mate -100 ");
    formatUciScore(123, "", text, sizeof text);
    EXPECT_STREQ(text, "cp 123 ");
    // A bound label follows a centipawn score only; a mate score never carries one.
    formatUciScore(123, "upperbound ", text, sizeof text);
    EXPECT_STREQ(text, "cp 123 upperbound ");
    formatUciScore(-29799, "", text, sizeof text);
    EXPECT_STREQ(text, "cp -29799 ");
}

TEST(ThinkingOutput, UciLinesWithBoundLabelsAndNps) {
    setPosition(StartFen);
    searchState(9, 48000);
    boundLabel = "lowerbound ";
    testing::internal::CaptureStdout();
    PrintUciMoveLine(123, "e2e4");
    PrintLastLine(123, "e2e4 e7e5 ", 0);
    PrintLastLine(29998, "e2e4 ", 0);
    const std::string out = testing::internal::GetCapturedStdout();
    std::smatch match;
    const std::regex line(
        "info multipv 1 depth 9 seldepth 12 time (\\d+) score cp 123 nodes 48000 nps (\\d+) pv "
        "e2e4\n"
        "info multipv 1 depth 9 seldepth 12 time (\\d+) score cp 123 lowerbound nodes 48000 nps "
        "(\\d+) pv e2e4 e7e5 \n"
        "info multipv 1 depth 9 seldepth 12 time (\\d+) score mate 1 nodes 48000 nps (\\d+) pv "
        "e2e4 \n");
    ASSERT_TRUE(std::regex_match(out, match, line)) << out;
    for (int k = 1; k <= 5; k += 2) {
        const long ms = std::stol(match[k].str());
        EXPECT_EQ(std::stol(match[k + 1].str()), 48000 / (ms + 1) * 1000);
    }
}

TEST(ThinkingOutput, WinBoardMarksAndLastLine) {
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 12");
    searchState(6, 1234);
    testing::internal::CaptureStdout();
    PrintRootMark(-45, "Nf6", 2);
    PrintRootMark(60, "d5", 1);
    PrintRootMark(7, "e5", 0);
    PrintLastLine(-45, " 12...Nf6", 1);
    EXPECT_EQ(maskedOutput(),
              " 6     -45     T     1234   12...Nf6?\n"
              " 6      60     T     1234   12...d5!!\n"
              " 6       7     T     1234   12...e5!\n"
              " 6     -45     T     1234   12...Nf6\n");
}

TEST(ThinkingOutput, PvLinesArePaddedFromTheHashTable) {
    freshTables();
    setPosition(StartFen);
    // Entries for the positions after 1.e4, 1...e5 and 2.Nf3; none after 2...Nc6.
    const Move e4 = play("e2e4");
    storeHashMove("e7e5");
    const Move e5 = play("e7e5");
    storeHashMove("g1f3");
    const Move nf3 = play("g1f3");
    storeHashMove("b8c6");
    unmakeMove(nf3);
    unmakeMove(e5);
    unmakeMove(e4);
    board.historyIndex = 1;
    const uint64_t key = board.hashKey;
    searchState(7, 0);
    std::memset(pvTable, 0, sizeof pvTable);
    pvTable[1][1] = e4;
    pvLength[1] = 2;
    testing::internal::CaptureStdout();
    PrintPvLine(25);
    EXPECT_EQ(maskedOutput(), " 7      25     T        0   1.e4 e5 2.Nf3 Nc6 \n");
    EXPECT_STREQ(pvText, " 1.e4 e5 2.Nf3 Nc6 ");
    EXPECT_EQ(pvTable[1][2], e5);
    EXPECT_EQ(pvTable[1][3], nf3);
    EXPECT_EQ(pvTable[1][5], 0);
    EXPECT_EQ(board.hashKey, key);
    EXPECT_EQ(board.historyIndex, 1);
    // The UCI line pads the same way, in coordinates.
    uciMode = 1;
    testing::internal::CaptureStdout();
    PrintUciPv(25);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.substr(0, 40), "info multipv 1 depth 7 seldepth 10 time ");
    EXPECT_NE(out.find(" score cp 25 nodes 0 nps 0 pv e2e4 e7e5 g1f3 b8c6 \n"),
              std::string::npos) << out;
    EXPECT_STREQ(pvText, "e2e4 e7e5 g1f3 b8c6 ");
    // A line as long as the iteration is printed as it stands.
    iteration = 1;
    testing::internal::CaptureStdout();
    PrintUciPv(25);
    EXPECT_NE(testing::internal::GetCapturedStdout().find(" pv e2e4 \n"), std::string::npos);
}

TEST(ThinkingOutput, BlackToMoveNumbering) {
    freshTables();
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 10");
    board.historyIndex = 1;
    searchState(2, 100);
    const Move c5 = play("c7c5");
    const Move nf3 = play("g1f3");
    const Move d6 = play("d7d6");
    unmakeMove(d6);
    unmakeMove(nf3);
    unmakeMove(c5);
    pvTable[1][1] = c5;
    pvTable[1][2] = nf3;
    pvTable[1][3] = d6;
    pvLength[1] = 4;
    testing::internal::CaptureStdout();
    PrintPvLine(-12);
    EXPECT_EQ(maskedOutput(), " 2     -12     T      100   10...c5 11.Nf3 d6 \n");
}

TEST(ThinkingOutput, CurrentMoveLinesAndHashfullCap) {
    freshTables();
    setPosition(StartFen);
    searchState(8, 2000);
    uciMode = 1;
    rootPassCount = 20;
    rootMovesLeft = 18;
    std::strcpy(currentMoveText, "g1f3");
    hashStores = 0xFFFFFFFFu;
    testing::internal::CaptureStdout();
    PrintCurrentMoveLine();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(out, std::regex("info currmovenumber 2 currmove g1f3 depth 8 "
                                                 "seldepth 11 time \\d+ nodes 2000 nps \\d+ "
                                                 "hashfull 1000 tbhits 0\n")))
        << out;
    hashStores = 0;
    // WinBoard: only with xboardMode and showCurrentMove, never in analysis.
    uciMode = 0;
    testing::internal::CaptureStdout();
    PrintCurrentMoveLine();
    xboardMode = 1;
    showCurrentMove = 1;
    std::strcpy(currentMoveText, "Nf3");
    PrintCurrentMoveLine();
    PrintStat01();
    infiniteAnalysis = 1;
    PrintCurrentMoveLine();
    EXPECT_EQ(maskedOutput(), "\nstat01: T 2000 8 18 20 Nf3\nstat01: T 2000 8 18 20 Nf3\n");
}

TEST(ThinkingOutput, Statistics) {
    defaultSettings();
    firstMoveCutoffs = 90;
    cutoffs = 99;
    futilityPrunes = 10;
    reductions = 20;
    nodes = 999;
    testing::internal::CaptureStdout();
    PrintStatistics();
    uciMode = 1;
    PrintStatistics();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Move Ordering Efficiency: 90.00%\n"
              "Futility Cutoff: 1.00%, reductions: 2.00%\n\n"
              "info string\n"
              "info string Move Ordering Efficiency: 90.00%\n"
              "info string Futility Cutoff: 1.00%, reductions: 2.00%\n\n");
}

TEST(ThinkingOutput, MultiLineAnalysisReprintsTheOtherLines) {
    freshTables();
    setPosition(StartFen);
    board.historyIndex = 1;
    searchState(8, 0);
    uciMode = 1;
    infiniteAnalysis = 1;
    multiPV = 3;
    lineCount = 3;
    std::strcpy(lineText[2], "info multipv 2 line two");
    std::strcpy(lineText[3], "info multipv 3 line three");
    Move e4 = 0;
    ASSERT_TRUE(findCoordinateMove("e2e4", &e4));
    pvTable[1][1] = e4;
    pvLength[1] = 2;
    iteration = 1;
    testing::internal::CaptureStdout();
    PrintUciPv(30);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("line two"), std::string::npos); // not before the noise depth
    EXPECT_NE(std::string(lineText[1]).find("pv e2e4 "), std::string::npos);
    iteration = 8;
    testing::internal::CaptureStdout();
    PrintUciPv(30);
    out = testing::internal::GetCapturedStdout();
    const size_t first = out.find("info multipv 1 depth 8 ");
    const size_t two = out.find("info multipv 2 line two\n");
    const size_t three = out.find("info multipv 3 line three\n");
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_LT(first, two) << out;
    EXPECT_LT(two, three) << out;
    multiPV = 1;
    lineCount = 1;
    infiniteAnalysis = 0;
}

TEST(PonderMoveFromText, SecondMoveOfTheLine) {
    freshTables();
    setPosition(StartFen);
    defaultSettings();
    const Move e4 = play("e2e4");
    Move e5 = 0;
    ASSERT_TRUE(findCoordinateMove("e7e5", &e5));
    EXPECT_EQ(PonderMoveFromText(" 1.e4 e5 2.Nf3 "), e5);
    EXPECT_STREQ(ponderText, "e5");
    EXPECT_EQ(PonderMoveFromText(" 1.e4 Qh4 "), 0); // not legal here
    EXPECT_EQ(PonderMoveFromText(" 1.e4 "), 0);
    uciMode = 1;
    EXPECT_EQ(PonderMoveFromText("e2e4 e7e5 g1f3 "), e5);
    EXPECT_STREQ(ponderText, "e7e5");
    uciMode = 0;
    unmakeMove(e4);
}
