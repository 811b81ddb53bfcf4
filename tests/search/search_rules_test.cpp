// Rules inside the search: repetition in the line, the fifty-move rule, mate and stalemate
// scores, the table bounds of a long line, the clock rule with its one extension, and the time
// budget.
#include <gtest/gtest.h>

#include "board/makemove.h"
#include "board/movegen.h"
#include "search/think.h"
#include "support/search_setup.h"

using namespace searchtest;

namespace {

// A middlegame-free position: White is a queen up, nobody is in check.
constexpr const char* QueenUp = "4k3/8/8/8/8/8/3Q4/4K3 w - - 0 20";

int searchRoot(int depth, int inCheck = 0) {
    nodes = 1; // off the 1024-node poll
    abortSearch = 0;
    iidActive = 0;
    return Search(-30000, 30000, depth, 0, inCheck, 0);
}

} // namespace

TEST(SearchRules, RepetitionInTheLine) {
    freshTables();
    setPosition(QueenUp); // gameIndex 38
    board.historyIndex = 1;
    ASSERT_EQ(gameIndex, 38);
    board.fiftyCount = 3;
    gameKeys[34] = board.hashKey;
    EXPECT_EQ(IsRepeatedInLine(), 0); // fewer than 4 reversible half-moves
    board.fiftyCount = 4;
    // One rule for every distance d: the entry d back is looked at only when d <= fiftyCount - 1.
    // With exactly 4 that excludes the entry 4 back, as 6 excludes the entry 6 back.
    EXPECT_EQ(IsRepeatedInLine(), 0);
    board.fiftyCount = 5;
    EXPECT_EQ(IsRepeatedInLine(), 1);
    gameKeys[34] = 0;
    gameKeys[32] = board.hashKey; // 6 half-moves back
    board.fiftyCount = 6;
    EXPECT_EQ(IsRepeatedInLine(), 0);
    board.fiftyCount = 7;
    EXPECT_EQ(IsRepeatedInLine(), 1);
    gameKeys[33] = board.hashKey; // odd distances are never compared
    gameKeys[32] = 0;
    EXPECT_EQ(IsRepeatedInLine(), 0);
    // A repeated position scores as a draw in the search, though White is a queen up.
    gameKeys[34] = board.hashKey;
    board.fiftyCount = 5;
    EXPECT_EQ(searchRoot(240), 0);
    board.fiftyCount = 0;
    EXPECT_GT(searchRoot(240), 500);
}

TEST(SearchRules, RepetitionNeverLooksBeforeTheGame) {
    // A clock taken from a FEN may be older than the recorded game: nothing before entry 0.
    setPosition("4k3/8/8/8/8/8/3Q4/4K3 w - - 90 1");
    board.historyIndex = 1;
    EXPECT_EQ(gameIndex, 0);
    EXPECT_EQ(IsRepeatedInLine(), 0);
}

TEST(SearchRules, FiftyMoveRuleAtAnyDepth) {
    freshTables();
    setPosition(QueenUp);
    board.historyIndex = 1;
    board.fiftyCount = 100;
    EXPECT_EQ(searchRoot(60), 0);
    EXPECT_EQ(searchRoot(600), 0);
    board.fiftyCount = 90;
    EXPECT_GT(searchRoot(60), 100);
}

TEST(SearchRules, MateAndStalemateScores) {
    freshTables();
    setPosition("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
    board.historyIndex = 3;
    EXPECT_EQ(searchRoot(120, 1), -29997);
    // Stalemate scores 0 and is stored as an upper bound of 0.
    setPosition("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    board.historyIndex = 1;
    EXPECT_EQ(searchRoot(120), 0);
    const TransEntry& entry = TransTable[transIndex()].deep;
    EXPECT_EQ(entry.keyLow, static_cast<uint32_t>(board.hashKey));
    EXPECT_EQ(entry.moveAndBound & 7, BoundUpper);
    EXPECT_EQ(entry.score, 0);
}

TEST(SearchRules, LongLinesStayInsideTheTables) {
    freshTables();
    // A queen that can check for ever, started just short of the last search ply: the line
    // ends in static evaluations instead of running past the killer and PV arrays.
    setPosition("6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 20");
    board.historyIndex = MaxSearchPly - 2;
    const int score = searchRoot(900);
    EXPECT_GT(score, -30000);
    EXPECT_LT(score, 30000);
    EXPECT_EQ(board.historyIndex, MaxSearchPly - 2);
    // At the last ply the answer is the static evaluation.
    board.historyIndex = MaxSearchPly;
    EXPECT_EQ(searchRoot(600), evaluate(-30000, 30000));
    // Quiescence stops at its own bound.
    board.historyIndex = MaxQuiescePly;
    EXPECT_EQ(Quiesce(-30000, 30000), evaluate(-30000, 30000));
}

TEST(SearchRules, LateGameRecordStaysInsideTheKeyHistory) {
    // A game 598 half-moves long: the game record holds entries up to 599 only.
    freshTables();
    defaultSettings();
    setPosition("6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 30");
    gameIndex = 598;
    gameKeys[gameIndex] = board.hashKey;
    board.historyIndex = 2;
    EXPECT_EQ(searchRoot(600), evaluate(-30000, 30000));
    infiniteAnalysis = 1;
    moveTimeBudget = 999999;
    savedDepthLimit = 4;
    postThinking = 0;
    EXPECT_NE(Think(), 0);
}

TEST(SearchRules, MorePiecesThanTheEarlyStopTableCounts) {
    // Sixteen knights: the early-stop table is indexed up to 14 men besides kings and pawns.
    freshTables();
    defaultSettings();
    setPosition("k7/8/nnnnnnnn/8/8/NNNNNNNN/8/K7 w - - 0 1");
    postThinking = 0;
    savedDepthLimit = 3;
    testing::internal::CaptureStdout();
    const Move best = Think();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(isLegalHere(best));
    EXPECT_EQ(reportedDepth, 3);
}

TEST(SearchRules, FutilityClassesEndAt240) {
    initEngine();
    EXPECT_EQ(futilityClassOf(0), 1);
    EXPECT_EQ(futilityClassOf(60), 1);
    EXPECT_EQ(futilityClassOf(61), 2);
    EXPECT_EQ(futilityClassOf(180), 3);
    EXPECT_EQ(futilityClassOf(240), 4);
    EXPECT_EQ(futilityClassOf(241), 0);
    EXPECT_EQ(futilityClassOf(3000), 0);
    EXPECT_EQ(futilityClassOf(-5), 0);
}

TEST(TimeRule, StopsWhenNothingCallsForMoreTime) {
    defaultSettings();
    rootInTrouble = 0;
    rootResearching = 0;
    extendedOnce = 0;
    // The last move before the control, after iteration 5.
    movesPerControl = 40;
    movesToGo = 1;
    iteration = 5;
    rootInTrouble = 1;
    EXPECT_EQ(TimeIsUp(), 1);
    // Score holding up and no trouble.
    movesPerControl = 0;
    rootInTrouble = 0;
    rootScore = 10;
    lastScore = 20;
    EXPECT_EQ(TimeIsUp(), 1);
    EXPECT_EQ(extendedOnce, 0);
    // A fixed time per move is never extended.
    rootInTrouble = 1;
    fixedMoveTime = 1;
    EXPECT_EQ(TimeIsUp(), 1);
    EXPECT_EQ(extendedOnce, 0);
}

TEST(TimeRule, ExtendsAtMostOnce) {
    defaultSettings();
    extendedOnce = 0;
    rootInTrouble = 1;
    rootResearching = 0;
    timeLeft = 100000;
    increment = 1000;
    moveTimeBudget = 4000;
    testing::internal::CaptureStdout();
    EXPECT_EQ(TimeIsUp(), 0);
    EXPECT_EQ(moveTimeBudget, 8000);
    EXPECT_EQ(TimeIsUp(), 1);
    EXPECT_EQ(moveTimeBudget, 8000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nTime Extension: from 400 to 800\n\n");
    // Without an increment the budget stays, so the next check stops.
    extendedOnce = 0;
    increment = 0;
    debugOutput = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(TimeIsUp(), 0);
    EXPECT_EQ(moveTimeBudget, 8000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\ninfo string Time Extension: from 800 to 800\n\n");
    EXPECT_EQ(TimeIsUp(), 1);
    // A minute or less on the clock: no extension.
    extendedOnce = 0;
    timeLeft = 60000;
    EXPECT_EQ(TimeIsUp(), 1);
    EXPECT_EQ(extendedOnce, 1);
}

TEST(TimeRule, ControlExtensionInSixtyFourBits) {
    defaultSettings();
    rootInTrouble = 1;
    // 40 moves in 120 minutes, all 40 to go: (40 - 1) * 120 * 540000 exceeds 32 bits.
    movesPerControl = 40;
    movesToGo = 40;
    baseMinutes = 120;
    timeLeft = 7200000;
    moveTimeBudget = 180000;
    extendedOnce = 0;
    rootScore = lastScore = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(TimeIsUp(), 0);
    // reserve 6318000, share (7200000 - 6318000 - 180000) / 7 = 100285.
    EXPECT_EQ(moveTimeBudget, 280285);
    // A falling score with time to spare doubles the share.
    extendedOnce = 0;
    moveTimeBudget = 180000;
    rootScore = -30;
    EXPECT_EQ(TimeIsUp(), 0);
    EXPECT_EQ(moveTimeBudget, 380570);
    // A reserve larger than the clock gives a negative budget: stop.
    extendedOnce = 0;
    moveTimeBudget = 180000;
    timeLeft = 1000000;
    EXPECT_EQ(TimeIsUp(), 1);
    testing::internal::GetCapturedStdout();
}

TEST(AllocateTime, ControlsAndSuddenDeath) {
    defaultSettings();
    movesPerControl = 40;
    movesToGo = 20;
    timeLeft = 100000;
    EXPECT_EQ(AllocateTime(), 5000);
    timeBonus = 1;
    EXPECT_EQ(AllocateTime(), 7500);
    timeBonus = 0;
    firstMoveFlag = 1;
    EXPECT_EQ(AllocateTime(), 6000);
    EXPECT_EQ(firstMoveFlag, 0);
    // The last move of a control keeps 2.5 seconds back.
    movesToGo = 1;
    EXPECT_EQ(AllocateTime(), 97500);
    // Moves to go of 0 or below count as 1 instead of dividing by them.
    movesToGo = 0;
    EXPECT_EQ(AllocateTime(), 97500);
    movesToGo = -3;
    EXPECT_EQ(AllocateTime(), 97500);
    EXPECT_EQ(lowTime, 0);
    // Sudden death.
    movesPerControl = 0;
    timeLeft = 30000;
    EXPECT_EQ(AllocateTime(), 3000);
    EXPECT_EQ(lowTime, 1);
    timeLeft = 100000;
    EXPECT_EQ(AllocateTime(), 4500);
    EXPECT_EQ(lowTime, 1);
    timeLeft = 300000;
    EXPECT_EQ(AllocateTime(), 13500);
    EXPECT_EQ(lowTime, 0);
    // The last second is never planned for: the budget shrinks to what lies above it, then to 0.
    timeLeft = 2000;
    EXPECT_EQ(AllocateTime(), 90);
    timeLeft = 1020;
    EXPECT_EQ(AllocateTime(), 20);
    timeLeft = 1000;
    EXPECT_EQ(AllocateTime(), 0);
    timeLeft = 40;
    EXPECT_EQ(AllocateTime(), 0);
    timeLeft = -500;
    EXPECT_EQ(AllocateTime(), 0);
}

// Futility pruning counts the pieces left after each move: a capture that leaves four pieces
// (kings included) is searched, while the quiet moves of the same node, which leave five, are
// pruned. Checks are never pruned.
TEST(SearchRules, FutilityCountsThePiecesAfterTheMove) {
    freshTables();
    // White: king and rook; Black: king, knight, bishop. Five pieces; Rxa7 leaves four.
    setPosition("1b4k1/n7/8/8/8/8/8/R5K1 w - - 0 30");
    board.historyIndex = 1;
    int expected = 0, captures = 0;
    Move list[MaxMoves];
    const int count = static_cast<int>(generateMoves(list, 0) - list);
    for (int i = 0; i < count; i++) {
        const Move m = list[i];
        makeMove(m);
        bool leavesFive = board.whitePieceCount + board.blackPieceCount > 4;
        bool check = sideToMoveInCheck();
        unmakeMove(m);
        if (!leavesFive) captures++;
        if (leavesFive && !check) expected++;
    }
    ASSERT_GT(captures, 0);
    ASSERT_GT(expected, 0);
    futilityPrunes = 0;
    nodes = 1;
    abortSearch = 0;
    iidActive = 0;
    // Far below alpha on a null window, one ply from the horizon: class-1 futility.
    Search(1000, 1001, 60, 1, 0, 0);
    EXPECT_EQ(futilityPrunes, static_cast<uint32_t>(expected));
}
