// UCI searches through pipes: go depth, infinite, movetime, ponder with ponderhit and stop,
// debug statistics, multi-line analysis and the Clear Hash button.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "support/uci_session.h"

namespace {

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool isCoordinateMove(const std::string& move) {
    UciInfo info = parseUciInfo("info pv " + move);
    return info.valid && info.pv.size() == 1;
}

// The engine's move is announced by an "info currmovenumber 1" line naming the same move,
// a blank line and the bestmove line.
void expectAnnouncement(const std::string& text) {
    std::string move = bestmoveOf(text);
    ASSERT_TRUE(isCoordinateMove(move)) << text;
    std::string announcement = "info currmovenumber 1 currmove " + move + " depth ";
    size_t at = text.rfind(announcement);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_NE(text.find("\n\nbestmove " + move, at), std::string::npos) << text;
}

TEST(UciSearch, GoDepthEndsByItselfOrByStop) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves e2e4 e7e5");
    engine.send("go depth 3");
    std::string text = untilBestmove(engine, 30000);
    expectAnnouncement(text);
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);

    engine.send("go depth 40");
    EXPECT_EQ(engine.readUntil("bestmove", 1000), "") << "a deep search ended by itself";
    engine.send("stop");
    expectAnnouncement(untilBestmove(engine, 10000));
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
}

TEST(UciSearch, GoInfiniteRunsUntilStop) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos");
    engine.send("go infinite");
    EXPECT_EQ(engine.readUntil("bestmove", 1500), "");
    // isready is answered and the analysis goes on.
    engine.send("isready");
    std::string ready = engine.readUntil(UciReadyOk, 2000);
    ASSERT_FALSE(ready.empty()) << "no readyok during the analysis";
    EXPECT_EQ(ready.find("bestmove"), std::string::npos) << ready;
    EXPECT_EQ(engine.readUntil("bestmove", 500), "");
    engine.send("stop");
    expectAnnouncement(untilBestmove(engine, 10000));
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
    // Bare kings reach the last depth at once; the bestmove still waits for stop.
    engine.send("position fen 8/8/4k3/8/8/3K4/8/8 w - - 0 1");
    engine.send("go infinite");
    EXPECT_EQ(engine.readUntil("bestmove", 1500), "");
    engine.send("isready");
    ready = engine.readUntil(UciReadyOk, 2000);
    ASSERT_FALSE(ready.empty()) << "no readyok after the analysis ended";
    EXPECT_EQ(ready.find("bestmove"), std::string::npos) << ready;
    engine.send("stop");
    std::string move = bestmoveOf(untilBestmove(engine, 10000));
    EXPECT_EQ(legalPrefix("8/8/4k3/8/8/3K4/8/8 w - - 0 1", "", {move}), 1u) << move;
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
    // A position with one legal move is still analysed until stop.
    engine.send("position fen r1bqk3/pppp1ppp/2n2n2/8/Q7/3B4/5PPP/4r1K1 w q - 0 1"); // only Bf1
    engine.send("go infinite");
    EXPECT_EQ(engine.readUntil("bestmove", 1000), "");
    engine.send("stop");
    EXPECT_EQ(bestmoveOf(untilBestmove(engine, 10000)), "d3f1");
}

TEST(UciSearch, GoMovetimeThinksForTheFixedTime) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves d2d4 d7d5 c2c4");
    long long start = nowMs();
    engine.send("go movetime 2000");
    std::string text = untilBestmove(engine, 8000);
    long long used = nowMs() - start;
    EXPECT_NE(text.find("\nPlanning to think for 200\n"), std::string::npos) << text;
    expectAnnouncement(text);
    EXPECT_LE(used, 3500) << "a 2000 ms move took " << used << " ms";
    // A later go without movetime is timed by the clock again.
    engine.send("go wtime 30000 btime 30000");
    engine.send("isready");
    text = engine.readUntil(UciReadyOk, 10000);
    EXPECT_NE(text.find("\nPlanning to think for 300\n"), std::string::npos) << text;
}

// With pondering enabled a search on the engine's own time drops most input, but an interface
// that asks isready must still get its answer before the move.
TEST(UciSearch, IsreadyIsAnsweredDuringASearchWithPonderOn) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Ponder value true");
    engine.send("position startpos moves e2e4");
    engine.send("go movetime 3000");
    pause(500);
    engine.send("isready");
    std::string text = engine.readUntil(UciReadyOk, 2000);
    ASSERT_FALSE(text.empty()) << "no readyok during the search";
    EXPECT_EQ(text.find("bestmove"), std::string::npos) << text;
    expectAnnouncement(untilBestmove(engine, 8000));
}

// The expected reply (b8c6) already stands in the move list the interface sends with go ponder.
const char* const PonderPosition = "position startpos moves e2e4 e7e5 g1f3 b8c6";

// Starts the engine pondering: a blank line answers go ponder, and no bestmove follows.
void startPondering(EngineProcess& engine) {
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Ponder value true");
    engine.send(PonderPosition);
    engine.send("go ponder wtime 20000 btime 20000");
    EXPECT_EQ(engine.readUntil("\n", 2000), "\n");
    EXPECT_EQ(engine.readUntil("bestmove", 1500), "") << "bestmove while pondering";
}

TEST(UciSearch, PonderThenPonderhit) {
    EngineProcess engine;
    startPondering(engine);
    engine.send("ponderhit");
    std::string text = untilBestmove(engine, 10000);
    expectAnnouncement(text);
    // With pondering on, the move carries the reply the engine expects, when it has one.
    std::vector<std::string> moves{bestmoveOf(text)};
    size_t ponder = text.find(" ponder ", text.rfind("bestmove"));
    if (ponder != std::string::npos) moves.push_back(text.substr(ponder + 8, text.find('\n', ponder) - ponder - 8));
    EXPECT_EQ(legalPrefix("", std::string(PonderPosition).substr(24), moves), moves.size()) << text;
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
}

TEST(UciSearch, PonderThenStop) {
    EngineProcess engine;
    startPondering(engine);
    engine.send("stop");
    std::string text = untilBestmove(engine, 10000);
    // The ponder search's own move, legal in the position it searched.
    std::string move = bestmoveOf(text);
    EXPECT_EQ(legalPrefix("", std::string(PonderPosition).substr(24), {move}), 1u) << text;
    EXPECT_NE(text.find("\nbestmove " + move + "\n"), std::string::npos) << text;
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
    // The next go plays normally.
    engine.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6");
    engine.send("go depth 3");
    expectAnnouncement(untilBestmove(engine, 30000));
}

TEST(UciSearch, PonderMissWithTheNextLinesSentAtOnce) {
    // An adapter that sees another reply stops the ponder search and sends the new position and
    // go straight after: the stop gets its bestmove, and the go its own.
    EngineProcess engine;
    startPondering(engine);
    pause(300);
    engine.send("stop\nposition startpos moves e2e4 e7e5 g1f3 g8f6\ngo wtime 2000 btime 2000");
    std::string first = untilBestmove(engine, 10000);
    EXPECT_EQ(legalPrefix("", std::string(PonderPosition).substr(24), {bestmoveOf(first)}), 1u) << first;
    std::string second = untilBestmove(engine, 10000);
    ASSERT_FALSE(second.empty()) << "the go after the stop got no bestmove";
    expectAnnouncement(second);
    EXPECT_EQ(legalPrefix("", "e2e4 e7e5 g1f3 g8f6", {bestmoveOf(second)}), 1u) << second;
}

TEST(UciSearch, DebugPrefixesStatisticsAsInfoString) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves e2e4");
    engine.send("debug on");
    engine.send("go wtime 30000 btime 30000");
    std::string text = untilBestmove(engine, 10000);
    EXPECT_NE(text.find("\ninfo string Planning to think for 3000\n\n"), std::string::npos) << text;
    EXPECT_NE(text.find("info string\ninfo string Move Ordering Efficiency: "), std::string::npos) << text;
    EXPECT_NE(text.find("\ninfo string Futility Cutoff: "), std::string::npos) << text;
    for (const std::string& line : linesOf(text)) {
        if (line.find("Efficiency") != std::string::npos || line.find("Futility") != std::string::npos) {
            EXPECT_EQ(line.rfind("info string ", 0), 0u) << line;
        }
    }
    engine.send("debug off");
    engine.send("position startpos moves e2e4 e7e5");
    engine.send("go wtime 30000 btime 30000");
    text = untilBestmove(engine, 10000);
    EXPECT_EQ(text.find("info string"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPlanning to think for 300\n\n"), std::string::npos) << text;
}

// With MultiPV 3, each update of a line in analysis reprints the stored lines after it.
TEST(UciSearch, MultiPvReprintsTheFollowingLines) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name MultiPV value 3");
    engine.send("position startpos moves e2e4 e7e5");
    engine.send("go infinite");
    pause(3000);
    engine.send("stop");
    std::string text = untilBestmove(engine, 10000);
    std::vector<std::string> lines = linesOf(text);
    int reprints = 0;
    for (size_t i = 0; i < lines.size(); i++) {
        UciInfo info = parseUciInfo(lines[i]);
        if (lines[i].rfind("info multipv ", 0) != 0) continue;
        EXPECT_TRUE(info.valid) << lines[i] << ": " << info.error;
        EXPECT_GE(info.multipv, 1);
        EXPECT_LE(info.multipv, 3);
        if (info.multipv == 1 && info.depth > 4 && i + 2 < lines.size() &&
            lines[i + 1].rfind("info multipv 2 ", 0) == 0 && lines[i + 2].rfind("info multipv 3 ", 0) == 0)
            reprints++;
    }
    EXPECT_GT(reprints, 0) << text;
    // The three lines begin with three different moves.
    std::string firstMoves[4];
    for (const std::string& line : lines) {
        UciInfo info = parseUciInfo(line);
        if (info.valid && line.rfind("info multipv ", 0) == 0 && !info.pv.empty() && info.multipv <= 3)
            firstMoves[info.multipv] = info.pv[0];
    }
    EXPECT_NE(firstMoves[1], firstMoves[2]);
    EXPECT_NE(firstMoves[2], firstMoves[3]);
    EXPECT_NE(firstMoves[1], firstMoves[3]);

    // More lines than the 255 the analysis keeps: as many as there are moves (20 here).
    engine.send("setoption name MultiPV value 1000");
    engine.send("position startpos");
    engine.send("go infinite");
    pause(2000);
    engine.send("stop");
    long most = 0;
    for (const std::string& line : linesOf(untilBestmove(engine, 10000))) {
        if (line.rfind("info ", 0) != 0) continue;
        UciInfo info = parseUciInfo(line);
        EXPECT_TRUE(info.valid) << line;
        if (line.rfind("info multipv ", 0) == 0) most = std::max(most, info.multipv);
    }
    EXPECT_EQ(most, 20);
}

// The hashfull of the first "info currmovenumber" line of each ponder search in text.
std::vector<int> firstHashfullPerSearch(const std::string& text) {
    std::vector<int> values;
    int lastDepth = 1000;
    for (const std::string& line : linesOf(text)) {
        if (line.rfind("info currmovenumber ", 0) != 0) continue;
        size_t depthAt = line.find(" depth "), fullAt = line.find(" hashfull ");
        if (depthAt == std::string::npos || fullAt == std::string::npos) continue;
        int depth = std::atoi(line.c_str() + depthAt + 7);
        if (depth < lastDepth) values.push_back(std::atoi(line.c_str() + fullAt + 10));
        lastDepth = depth;
    }
    return values;
}

// Keep HashTables false arms "Clear Hash" at every go; the button then clears once. Under UCI a
// ponder search starts again after each command that interrupts it, so the tables' fill can be
// read from the first hashfull of each new ponder search.
TEST(UciSearch, ClearHashClearsOnceAfterGo) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Hash value 1");
    engine.send("setoption name Keep HashTables value false");
    engine.send("position startpos moves e2e4 e7e5");
    engine.send("go ponder wtime 600000 btime 600000");
    pause(2500);                                     // search 1 fills the tables
    engine.send("setoption name Clear Hash");        // clears; search 2 starts empty
    pause(2500);
    engine.send("setoption name Clear Hash");        // nothing to do; search 3 starts full
    pause(2500);
    engine.send("stop");
    std::string text = untilBestmove(engine, 10000);
    std::vector<int> fill = firstHashfullPerSearch(text);
    ASSERT_EQ(fill.size(), 3u) << text;
    EXPECT_LT(fill[1], fill[2]) << text;
    EXPECT_EQ(fill[2], 1000) << text;
}

} // namespace
