// Think on real positions: game-over codes, single replies, mates, fixed-depth determinism and
// input that arrives while it searches.
#include <gtest/gtest.h>

#include <string>

#include "board/makemove.h"
#include "board/notation.h"
#include "search/think.h"
#include "support/search_setup.h"

using namespace searchtest;

namespace {

// Think with the given output captured.
Move thinkCapturing(std::string* output) {
    testing::internal::CaptureStdout();
    const Move m = Think();
    *output = testing::internal::GetCapturedStdout();
    return m;
}

// The last non-empty line of a text.
std::string lastLine(const std::string& text) {
    size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(Think, MateInOneIsConfirmedThroughIterationFive) {
    freshTables();
    defaultSettings();
    setPosition("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    std::string out;
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(A1, A8));
    EXPECT_EQ(rootScore, 29998);
    EXPECT_EQ(reportedDepth, 5);
    EXPECT_EQ(gameResultCode, 3);
    EXPECT_NE(out.find("\n 4   29998 "), std::string::npos) << out;
    EXPECT_EQ(out.find("\n 6 "), std::string::npos) << out;
    EXPECT_EQ(lastLine(out).substr(0, 11), " 5   29998 ");
    EXPECT_NE(lastLine(out).find("  1.Ra8 "), std::string::npos) << out;
    EXPECT_EQ(ponderMove, 0);
    EXPECT_STREQ(ponderText, "no move");
    // The same for Black.
    freshTables();
    defaultSettings();
    setPosition("r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(A8, A1));
    EXPECT_EQ(gameResultCode, 2);
    EXPECT_NE(lastLine(out).find("  1...Ra1 "), std::string::npos) << out;
}

TEST(Think, GameOverCodes) {
    freshTables();
    defaultSettings();
    std::string out;
    setPosition("4k3/8/8/8/8/8/3Q4/4K3 w - - 100 60");
    EXPECT_EQ(thinkCapturing(&out), 0);
    EXPECT_EQ(gameResultCode, 4);
    EXPECT_EQ(rootMoveCount, 0);
    EXPECT_EQ(rootScore, 0);
    setPosition("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), 0);
    EXPECT_EQ(gameResultCode, 1);
    setPosition("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), 0);
    EXPECT_EQ(gameResultCode, 3);
    setPosition("8/8/8/8/8/6k1/6q1/7K w - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), 0);
    EXPECT_EQ(gameResultCode, 2);
    EXPECT_EQ(out, "");
}

TEST(Think, ThreefoldRepetition) {
    freshTables();
    defaultSettings();
    setPosition(StartFen);
    static const char* const moves[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int round = 0; round < 3; ++round) {
        for (const char* text : moves) {
            Move m = 0;
            ASSERT_TRUE(findCoordinateMove(text, &m));
            makeMove(m);
            ++gameIndex;
            gameKeys[gameIndex] = board.hashKey;
            board.historyIndex = 0;
        }
    }
    std::string out;
    EXPECT_EQ(thinkCapturing(&out), 0);
    EXPECT_EQ(gameResultCode, 5);
    EXPECT_EQ(rootScore, 0);
}

TEST(Think, SingleReplyLines) {
    freshTables();
    defaultSettings();
    std::string out;
    setPosition("7k/8/8/8/8/8/8/6RK b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(H8, H7));
    EXPECT_EQ(out, "\n1 0 0 0 1...Kh7\n\n");
    EXPECT_STREQ(pvText, " 1...Kh7");
    EXPECT_EQ(ponderMove, 0);
    uciMode = 1;
    lastScore = 35;
    setPosition("7k/8/8/8/8/8/8/6RK b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(H8, H7));
    EXPECT_EQ(out, "\ninfo currmovenumber 1 currmove h8h7 depth 6 seldepth 6 time 1 score cp 35 "
                   "nodes 6 nps 60000 hashfull 0 tbhits 0 pv h8h7\n");
    EXPECT_STREQ(pvText, " h8h7");
    EXPECT_EQ(reportedDepth, 6);
    lastScore = 29996;
    setPosition("7k/8/8/8/8/8/8/6RK b - - 0 1");
    thinkCapturing(&out);
    EXPECT_NE(out.find(" score mate 1 nodes 6 "), std::string::npos) << out;
    // With pondering enabled the single reply is searched to depth 5.
    uciMode = 0;
    ponderEnabled = 1;
    setPosition("7k/8/8/8/8/8/8/6RK b - - 0 1");
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(H8, H7));
    EXPECT_EQ(reportedDepth, 5);
}

// The node counts change whenever the search, the ordering, the evaluation or the move
// generation changes; such a change must say so and why.
TEST(Think, FixedDepthNodeCountsAreTheSearchSignature) {
    struct Case {
        const char* fen;
        int depth;
        int32_t nodes;
    };
    static const Case cases[] = {
        {StartFen, 7, 37136},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 6, 628737},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 9, 482976},
    };
    for (const Case& c : cases) {
        const Move first = fixedDepthSearch(c.fen, c.depth);
        const int32_t firstNodes = nodes;
        const Move second = fixedDepthSearch(c.fen, c.depth);
        EXPECT_EQ(first, second) << c.fen;
        EXPECT_EQ(firstNodes, nodes) << c.fen;
        EXPECT_EQ(reportedDepth, c.depth);
        EXPECT_EQ(nodes, c.nodes) << c.fen;
    }
}

TEST(ThinkInput, AnyLineEndsTheSearchWithoutPondering) {
    freshTables();
    defaultSettings();
    timeLeft = 6000000;
    setPosition(StartFen);
    std::string out;
    Move best;
    {
        DelayedInput input({{300, "foo bar\n"}});
        best = thinkCapturing(&out);
    }
    EXPECT_TRUE(isLegalHere(best));
    EXPECT_EQ(pendingLine, 0);
    EXPECT_GE(reportedDepth, 1);
    EXPECT_EQ(drainInput(), "foo bar|"); // left for the command loop
}

TEST(ThinkInput, OwnTimeWithPonderingOnlyFourCommandsInterrupt) {
    freshTables();
    defaultSettings();
    timeLeft = 6000000;
    ponderEnabled = 1;
    setPosition(StartFen);
    std::string out;
    Move best;
    {
        DelayedInput input({{150, "hello\n"}, {250, "resultant\n"}, {600, "stop\n"}});
        best = thinkCapturing(&out);
    }
    EXPECT_TRUE(isLegalHere(best));
    // "hello" was read and dropped; "result..." interrupts like "stop" does.
    EXPECT_EQ(pendingLine, 1);
    EXPECT_STREQ(commandLine, "resultant");
    EXPECT_GE(elapsed, 200);
    EXPECT_EQ(drainInput(), "stop|");
}

TEST(ThinkInput, DotPrintsTheStatusAndTheSearchGoesOn) {
    freshTables();
    defaultSettings();
    timeLeft = 6000000;
    setPosition(StartFen);
    std::string out;
    {
        DelayedInput input({{150, ".\n"}, {500, "x\n"}});
        thinkCapturing(&out);
    }
    EXPECT_NE(out.find("\nstat01: "), std::string::npos) << out;
    EXPECT_EQ(pendingLine, 0);
    EXPECT_GE(elapsed, 400);
    EXPECT_EQ(drainInput(), "x|");
}

TEST(ThinkInput, PonderingPlaysTheExpectedReplyAndTakesItBack) {
    freshTables();
    defaultSettings();
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    const uint64_t key = board.hashKey;
    const int index = gameIndex;
    ponderMove = makeMoveWord(E7, E5);
    std::strcpy(ponderText, "e5");
    pondering = 1;
    ponderEnabled = 1;
    xboardMode = 1;
    postThinking = 0;
    moveTimeBudget = 999999;
    std::string out;
    {
        DelayedInput input({{300, "e2e4\n"}});
        thinkCapturing(&out);
    }
    EXPECT_EQ(out.substr(0, 26), "Pondering on move 1...e5\n\n");
    EXPECT_EQ(board.hashKey, key);
    EXPECT_EQ(gameIndex, index);
    EXPECT_EQ(otherSideFlag, 1);
    EXPECT_EQ(board.sideToMove, Black);
    EXPECT_EQ(pendingLine, 0);
    EXPECT_EQ(drainInput(), "e2e4|");
    // A ponder move that is not legal here is never played.
    pondering = 1;
    ponderMove = makeMoveWord(E2, E4);
    std::strcpy(ponderText, "e4");
    EXPECT_EQ(Think(), 0);
    EXPECT_EQ(board.hashKey, key);
}

TEST(ThinkInput, UciPollReadsOneLineAndAnswersIsready) {
    // A search polls again while it unwinds: the line that stopped it stays the only one read,
    // so an adapter's stop, position and go sent at once all reach the loop.
    initEngine();
    defaultSettings();
    uciMode = 1;
    pondering = 1;
    feedInput("stop\nposition startpos\n");
    while (!inputWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(PollInput(), 1);
    EXPECT_EQ(pendingLine, 1);
    EXPECT_STREQ(commandLine, "stop");
    EXPECT_EQ(PollInput(), 1);
    EXPECT_STREQ(commandLine, "stop");
    EXPECT_EQ(drainInput(), "position startpos|");
    // isready is answered and the search goes on, pondering or not.
    for (int ponder : {1, 0}) {
        pendingLine = 0;
        pondering = ponder;
        feedInput("isready\n");
        while (!inputWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        testing::internal::CaptureStdout();
        EXPECT_EQ(PollInput(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nreadyok\n\n");
        EXPECT_EQ(pendingLine, 0);
    }
    uciMode = 0;
    pondering = 0;
}

TEST(ThinkInput, AnalysisEndsOnAnyLineEvenWithPonderingOn) {
    // The interface ends or changes an analysis with ordinary lines ("exit", a move).
    freshTables();
    defaultSettings();
    ponderEnabled = 1;
    infiniteAnalysis = 1;
    moveTimeBudget = 999999;
    setPosition(StartFen);
    std::string out;
    {
        DelayedInput input({{200, "exit\n"}});
        thinkCapturing(&out);
    }
    EXPECT_EQ(pendingLine, 0);
    EXPECT_EQ(drainInput(), "exit|");
}

TEST(Think, ShortClockStopsAtTheBudget) {
    freshTables();
    defaultSettings();
    timeLeft = 2000; // 4.5 %: 90 ms, low time
    setPosition(StartFen);
    std::string out;
    EXPECT_TRUE(isLegalHere(thinkCapturing(&out)));
    EXPECT_EQ(out.substr(0, 26), "\nPlanning to think for 9\n\n");
    EXPECT_EQ(out.find("Time Extension"), std::string::npos);
    EXPECT_LT(elapsed, 1500);
    EXPECT_LT(reportedDepth, 50);
    EXPECT_EQ(timeLeft, 2000 - elapsed);
}

TEST(Think, PonderHitReturnsThePonderedMove) {
    freshTables();
    defaultSettings();
    setPosition("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2");
    ponderEnabled = 1;
    xboardMode = 1;
    ponderStartKey = board.hashKey;
    ponderedResult = makeMoveWord(G1, F3);
    std::strcpy(ponderedText, "Nf3");
    std::strcpy(pvText, " 2.Nf3 Nc6 3.Bb5 ");
    rootScore = 20;
    iteration = 9;
    std::string out;
    EXPECT_EQ(thinkCapturing(&out), makeMoveWord(G1, F3));
    EXPECT_NE(out.find("Using pondered move: Nf3\n"), std::string::npos) << out;
    EXPECT_EQ(out.substr(0, 12), "\n 9      20 ");
    EXPECT_EQ(ponderMove, makeMoveWord(B8, C6));
    EXPECT_STREQ(ponderText, "Nc6");
    EXPECT_EQ(lastScore, 20);
}

TEST(Think, MultiLineAnalysisSearchesDistinctLines) {
    freshTables();
    defaultSettings();
    setPosition("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    uciMode = 1;
    infiniteAnalysis = 1;
    multiPV = 3;
    moveTimeBudget = 999999;
    savedDepthLimit = 6;
    std::string out;
    const Move best = thinkCapturing(&out);
    EXPECT_EQ(lineCount, 3);
    EXPECT_EQ(best, lineMove[1]);
    EXPECT_NE(lineMove[1], lineMove[2]);
    EXPECT_NE(lineMove[2], lineMove[3]);
    EXPECT_NE(lineMove[1], lineMove[3]);
    EXPECT_GE(lineScore[1], lineScore[3]);
    EXPECT_NE(out.find("info multipv 2 depth 6 "), std::string::npos) << out;
    EXPECT_NE(out.find("info multipv 3 depth 6 "), std::string::npos) << out;
    EXPECT_EQ(rootScore, lineScore[1]);
    multiPV = 1;
}
