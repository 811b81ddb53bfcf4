// The UCI protocol as an interface meets it: the reply to "uci", options, positions and the
// bookkeeping of go, through pipes. Searches here are cut short by the isready that follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/uci_session.h"

namespace {

const char* const DefaultReply =
    "\nid name Morvane 3.03b\n"
    "id author Ferrinel Oakmund\n\n"
    "option name Hash type spin default 64 min 1 max 512\n"
    "option name Pawn Hash type spin default 8 min 1 max 512\n"
    "option name NalimovCache type spin default 0 min 0 max 256\n"
    "option name NalimovPath type string default Z:\\TBs\n"
    "option name MultiPV type spin min 1 max 255 default 1\n"
    "option name Noise type spin default 4 min 2 max 6\n"
    "option name Book Mode type combo default Tournament var Tournament var Normal\n"
    "option name Ponder type check default false\n"
    "option name Keep HashTables type check default true\n"
    "option name OwnBook type check default true\n"
    "option name Log File type check default false\n"
    "option name Clear Hash type button\n"
    "uciok\n\n";

// The text of a go cut short by stop: what the handler printed, the search, the bestmove.
std::string shortGo(EngineProcess& engine, const std::string& go) {
    engine.send(go);
    engine.send("stop");
    return outputBeforeReady(engine);
}

// The planning line of the search a go started ("" when there was none).
bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

std::string planningLine(const std::string& text) {
    size_t at = text.find("Planning to think for ");
    if (at == std::string::npos) return "";
    return text.substr(at, text.find('\n', at) - at);
}

TEST(Uci, ReplyWithoutConfiguration) {
    EngineProcess engine;
    // The defaults come from the settings: "Tournament" is the whole Book Mode default.
    EXPECT_EQ(startUci(engine), DefaultReply);
    // Nothing else follows: no prompt and no board in UCI mode.
    engine.send("isready");
    EXPECT_EQ(engine.readUntil(UciReadyOk), UciReadyOk);
}

TEST(Uci, ReplyShowsTheConfiguredSettings) {
    EngineProcess engine("[Preferences]\n"
                         "Hash Size=100\n"
                         "PHash Size=3\n"
                         "Keep Hash Tables=0\n"
                         "TB Cache=4\n"
                         "TB Path=/srv/tables\n"
                         "Book Mode=Normal\n"
                         "Noise=9\n"
                         "Log File=1\n");
    std::string reply = startUci(engine);
    EXPECT_EQ(reply, "\nid name Morvane 3.03b\n"
                     "id author Ferrinel Oakmund\n\n"
                     "option name Hash type spin default 64 min 1 max 512\n"
                     "option name Pawn Hash type spin default 2 min 1 max 512\n"
                     "option name NalimovCache type spin default 4 min 0 max 256\n"
                     "option name NalimovPath type string default /srv/tables\n"
                     "option name MultiPV type spin min 1 max 255 default 1\n"
                     "option name Noise type spin default 6 min 2 max 6\n"
                     "option name Book Mode type combo default Normal var Tournament var Normal\n"
                     "option name Ponder type check default false\n"
                     "option name Keep HashTables type check default false\n"
                     "option name OwnBook type check default true\n"
                     "option name Log File type check default true\n"
                     "option name Clear Hash type button\n"
                     "uciok\n\n");
}

// isready answers alone; lines that are no command here, a stop with nothing running, a stray
// ponderhit and a second "uci" print nothing.
TEST(Uci, IsreadyAndSilentLines) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("isready");
    EXPECT_EQ(engine.readUntil(UciReadyOk), UciReadyOk);
    for (const char* line : {"stop", "ponderhit", "uci", "xboard", "new", "perft 2", "hello",
                             "debug maybe", "debug", "setoption name Unknown value 3", "setoption",
                             "setoption name", "position", "position nowhere", "quit now"}) {
        engine.send(line);
        EXPECT_EQ(outputBeforeReady(engine), "") << line;
    }
}

// The depths of the principal-variation lines in text.
std::vector<long> pvDepths(const std::string& text) {
    std::vector<long> depths;
    for (const std::string& line : linesOf(text))
        if (line.rfind("info multipv ", 0) == 0) depths.push_back(parseUciInfo(line).depth);
    return depths;
}

// Noise is the first iteration whose lines are printed, clamped to 2..6.
TEST(Uci, NoiseSetsTheFirstPrintedIteration) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves e2e4");
    for (auto [value, first] : {std::pair<const char*, long>{"6", 6}, {"0", 2}, {"x", 2}, {"9", 6},
                                {"3", 3}, {"", 3}}) {
        engine.send(std::string("setoption name Noise value ") + value);
        engine.send("go depth 7");
        std::vector<long> depths = pvDepths(untilBestmove(engine, 30000));
        ASSERT_FALSE(depths.empty()) << value;
        EXPECT_EQ(*std::min_element(depths.begin(), depths.end()), first) << value;
        engine.send("position startpos moves e2e4");
    }
}

// Log File opens a log when logging is off and closes it when on; NalimovCache and NalimovPath
// set the tablebase settings and report them again.
TEST(Uci, LogFileAndTablebaseOptions) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Log File value true");
    outputBeforeReady(engine);
    EXPECT_TRUE(engine.fileExists("Logs/Log001.htm"));
    engine.send("setoption name Log File value false");
    outputBeforeReady(engine);
    EXPECT_FALSE(engine.fileExists("Logs/Log001.htm")) << "a short closed log is deleted";
    engine.send("setoption name Log File value false");
    engine.send("setoption name Log File value true");
    outputBeforeReady(engine);
    EXPECT_TRUE(engine.fileExists("Logs/Log001.htm"));
    EXPECT_FALSE(engine.fileExists("Logs/Log002.htm"));

    engine.send("setoption name NalimovCache value 8");
    EXPECT_NE(outputBeforeReady(engine).find("EGTb cache memory = 8 Mb\n"), std::string::npos);
    engine.send("setoption name NalimovCache value many");
    EXPECT_EQ(outputBeforeReady(engine), "");
    engine.send("setoption name NalimovPath value /nowhere/tables");
    EXPECT_NE(outputBeforeReady(engine).find("(0 pieces endgame tablebases found)"), std::string::npos);
}

// OwnBook false keeps the book out, from the initial position on; true lets it back in.
TEST(Uci, OwnBookSwitchesTheBook) {
    EngineProcess engine;
    if (!engine.start()) FAIL() << "the engine did not start";
    ASSERT_FALSE(engine.readUntil(EngineFirstPrompt, 20000).empty());
    const std::string games = std::string(MORVANE_DATA_DIR) + "/pgn/Capablanca.pgn";
    engine.send("book " + games + " blancas.obk 8 2");
    engine.send("book " + games + " negras.obk 8 2");
    engine.send("uci");
    ASSERT_FALSE(engine.readUntil("uciok\n\n", 60000).empty());
    const std::string bookLine = "\ninfo depth 0 seldepth 0 time 0 score cp 1 nodes 0 nps 0 pv ";
    engine.send("position startpos");
    engine.send("go wtime 10000 btime 10000");
    EXPECT_NE(untilBestmove(engine, 20000).find(bookLine), std::string::npos);
    for (const char* position : {"position startpos", "position startpos moves d2d4 g8f6"}) {
        engine.send("setoption name OwnBook value false");
        engine.send(position);
        engine.send("go wtime 10000 btime 10000");
        std::string text = untilBestmove(engine, 20000);
        EXPECT_EQ(text.find("info depth 0 "), std::string::npos) << position << "\n" << text;
        engine.send("setoption name OwnBook value true");
        engine.send(position);
        engine.send("go wtime 10000 btime 10000");
        EXPECT_NE(untilBestmove(engine, 20000).find("info depth 0 seldepth 0 time 0 score cp "),
                  std::string::npos)
            << position;
    }
}

TEST(Uci, HashOptionsSelectTheirRows) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("setoption name Hash value 100");
    EXPECT_EQ(outputBeforeReady(engine), "Hash table memory = 64 Mb\n");
    engine.send("setoption name Hash value 2000000");
    EXPECT_EQ(outputBeforeReady(engine), "Hash table memory = 512 Mb\n");
    engine.send("setoption name Hash value 1");
    EXPECT_EQ(outputBeforeReady(engine), "Hash table memory = 1 Mb\n");
    // A value that is missing or not a number changes nothing.
    for (const char* line : {"setoption name Hash value", "setoption name Hash value lots",
                             "setoption name Hash value 12x", "setoption name Pawn Hash value"}) {
        engine.send(line);
        EXPECT_EQ(outputBeforeReady(engine), "") << line;
    }
    // The UCI option takes the megabytes as given, unlike the configuration file.
    engine.send("setoption name Pawn Hash value 3");
    EXPECT_EQ(outputBeforeReady(engine), "Pawn Hash table memory = 3 Mb\n");
}

// Time bookkeeping of go: the clock of the side to move is the engine's, after any move list.
TEST(Uci, GoTakesTheClockOfTheSideToMove) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves e2e4");
    // Black to move: btime is the engine's clock (10 % of 30000 ms, printed in centiseconds).
    EXPECT_EQ(planningLine(shortGo(engine, "go wtime 60000 btime 30000")), "Planning to think for 300");
    engine.send("position startpos moves e2e4 e7e5");
    EXPECT_EQ(planningLine(shortGo(engine, "go wtime 30000 btime 60000")), "Planning to think for 300");
    // The time is the clock given, whatever the order of the words.
    engine.send("position startpos moves e2e4");
    EXPECT_EQ(planningLine(shortGo(engine, "go btime 30000 wtime 60000 binc 0 winc 0")),
              "Planning to think for 300");
}

// A missing or non-numeric value changes nothing and the words after it still count.
TEST(Uci, GoValuesThatAreMissingOrNotNumbers) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos moves e2e4");
    EXPECT_EQ(planningLine(shortGo(engine, "go wtime 1000 btime 50000")), "Planning to think for 500");
    for (const char* go : {"go wtime 1000 btime", "go btime 5O000 wtime 1000", "go btime -",
                           "go btime wtime 1000", "go movestogo", "go depth", "go movetime x"}) {
        std::string line = planningLine(shortGo(engine, go));
        // The engine's clock is still about 50000 ms, less the few used by the cut searches.
        ASSERT_EQ(line.substr(0, 22), "Planning to think for ") << go;
        int planned = std::atoi(line.c_str() + 22);
        EXPECT_GE(planned, 480) << go;
        EXPECT_LE(planned, 500) << go;
    }
    // Clocks beyond about 27 hours are taken as 27 hours (4.5 % of 100000000 ms).
    EXPECT_EQ(planningLine(shortGo(engine, "go wtime 1 btime 99999999999999999999999")),
              "Planning to think for 450000");
    // An unsupported parameter and its value are skipped word by word.
    std::string text = shortGo(engine, "go nodes 5000 searchmoves e7e5 btime 30000");
    EXPECT_EQ(planningLine(text), "Planning to think for 300");
}

// movestogo: the first of a game prints the control and the minutes; the rules then follow
// what the previous go said.
TEST(Uci, MovesToGoLinesAndNewGameDetection) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("position startpos");
    std::string text = shortGo(engine, "go movestogo 40 wtime 300000 btime 300000");
    EXPECT_TRUE(startsWith(text, "\nmoves to time control: 40\nminutes assignment: 5\n")) << text;

    // Continuations: two moves more (10 characters), then a line 10 longer again.
    engine.send("position startpos moves e2e4 e7e5");
    text = shortGo(engine, "go movestogo 39 wtime 290000 btime 300000");
    EXPECT_EQ(text.find("moves to time control"), std::string::npos) << text;
    engine.send("position startpos moves e2e4 e7e5 g1f3 b8c6");
    text = shortGo(engine, "go movestogo 1 wtime 280000 btime 290000");
    EXPECT_EQ(text.find("moves to time control"), std::string::npos) << text;
    // After a go with one move to go, the next movestogo starts a control of its own.
    engine.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6");
    text = shortGo(engine, "go movestogo 40 wtime 280000 btime 290000");
    EXPECT_TRUE(startsWith(text, "\nmoves to time control: 40\n")) << text;
    EXPECT_EQ(text.find("minutes assignment"), std::string::npos);

    // A shorter line is a new game: the control counts the engine's moves (none for Black).
    engine.send("position startpos moves d2d4");
    text = shortGo(engine, "go movestogo 40 wtime 120000 btime 120000");
    EXPECT_TRUE(startsWith(text, "\nmoves to time control: 40\nminutes assignment: 2\n")) << text;
    // More than two moves longer is a new game too: Black has played two moves.
    engine.send("position startpos moves d2d4 d7d5 c2c4 e7e6 g1f3");
    text = shortGo(engine, "go movestogo 40 wtime 600000 btime 600000");
    EXPECT_TRUE(startsWith(text, "\nmoves to time control: 42\nminutes assignment: 10\n")) << text;
    // A control under a minute counts as one: the time kept for later moves is never nothing.
    engine.send("position startpos");
    text = shortGo(engine, "go movestogo 40 wtime 20000 btime 20000");
    EXPECT_TRUE(startsWith(text, "\nmoves to time control: 40\nminutes assignment: 1\n")) << text;
}

// A detected new game rotates the log until ucinewgame is seen; then ucinewgame rotates it.
// Each log gets a long ignored line so that closing keeps it (short logs are deleted).
TEST(Uci, NewGameRotatesTheLog) {
    EngineProcess engine("[Preferences]\nLog File=1\n");
    ASSERT_FALSE(startUci(engine).empty());
    const std::string padding = "padding " + std::string(1100, 'x');
    engine.send("position startpos moves e2e4");
    engine.send("position startpos moves e2e4 e7e5 g1f3");
    outputBeforeReady(engine);
    EXPECT_FALSE(engine.fileExists("Logs/Log002.htm"));
    engine.send("position startpos moves d2d4"); // shorter: a new game
    outputBeforeReady(engine);
    EXPECT_TRUE(engine.fileExists("Logs/Log002.htm"));
    engine.send(padding);
    engine.send("ucinewgame"); // the first one only arms the rotation
    engine.send("position startpos moves c2c4 e7e5 b1c3 g8f6 g1f3 b8c6 g2g3");
    outputBeforeReady(engine);
    EXPECT_FALSE(engine.fileExists("Logs/Log003.htm"));
    engine.send("ucinewgame");
    outputBeforeReady(engine);
    EXPECT_TRUE(engine.fileExists("Logs/Log003.htm"));
    engine.send(padding);
    engine.send("quit");
    ASSERT_EQ(engine.waitExit(), 0);

    std::string first = engine.readFile("Logs/Log001.htm");
    std::string second = engine.readFile("Logs/Log002.htm");
    std::string third = engine.readFile("Logs/Log003.htm");
    // The line that began a game is moved into the new log.
    EXPECT_NE(first.find("position startpos moves e2e4 e7e5 g1f3"), std::string::npos);
    EXPECT_EQ(first.find("position startpos moves d2d4"), std::string::npos);
    EXPECT_NE(second.find("position startpos moves d2d4"), std::string::npos);
    EXPECT_NE(second.find("position startpos moves c2c4"), std::string::npos);
    EXPECT_EQ(countOf(second, "ucinewgame"), 1) << second;
    EXPECT_NE(third.find("<span class=\"in\">ucinewgame</span>"), std::string::npos) << third;
    EXPECT_EQ(third.find("c2c4"), std::string::npos);
}

// A move list stops at its first word that is not a legal move here.
TEST(Uci, MoveListStopsAtAnIllegalWord) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    // After e2e4 e7e5 White is to move: wtime is the engine's clock. Had g1f3 been applied
    // past the bad word, Black would move and think on btime.
    for (const char* list : {"e2e4 e7e5 e7e9 g1f3", "e2e4 e7e5 e2e4 g1f3", "e2e4 e7e5 E2E4 g1f3",
                             "e2e4 e7e5 e1g1 g1f3", "e2e4 e7e5 a7a8q g1f3", "e2e4 e7e5 e7e5e7e5 g1f3"}) {
        engine.send(std::string("position startpos moves ") + list);
        EXPECT_EQ(planningLine(shortGo(engine, "go wtime 30000 btime 60000")),
                  "Planning to think for 300")
            << list;
    }
    // The same for a FEN with moves.
    engine.send("position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1 moves "
                "e7e5 zz g1f3");
    EXPECT_EQ(planningLine(shortGo(engine, "go wtime 30000 btime 60000")), "Planning to think for 300");
}

// One bestmove for every go: "0000" when there is no move to play.
TEST(Uci, NoLegalMoveAnswersBestmove0000) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    for (const char* fen : {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",     // mated
                            "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",     // stalemate
                            "7k/8/8/8/8/8/8/R6K w - - 100 80",    // fifty-move rule
                            "8/8/8/8/8/8/8/8 w - - 0 1",          // no king at all
                            "4k3/8/8/8/8/8/8/4K2K w - - 0 1",     // two White kings
                            "4k3/8/8/8/8/8/8/8 b - - 0 1",        // no White king
                            "4k3/8/8/8/8/8/8/8 w - - 0 1 moves e8e7 e1e2",
                            "4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1",    // the side not to move is in check
                            "", "xyz", "pppppppppppppppppppppppppppppppppp/9/99/0 w KQkq zz -4 -7"}) {
        engine.send(std::string("position fen ") + fen);
        engine.send("go wtime 10000 btime 10000");
        std::string text = untilBestmove(engine, 20000);
        EXPECT_EQ(bestmoveOf(text), "0000") << fen << "\n" << text;
        EXPECT_EQ(outputBeforeReady(engine), "\n") << fen; // the line ends "\n\n"
    }
    // A ponder request on a board without kings still gets its bestmove from stop and
    // from ponderhit.
    engine.send("position fen 8/8/8/8/8/8/8/8 w - - 0 1");
    engine.send("go ponder wtime 10000 btime 10000");
    engine.send("stop");
    EXPECT_EQ(bestmoveOf(untilBestmove(engine, 20000)), "0000");
    engine.send("go ponder wtime 10000 btime 10000");
    engine.send("ponderhit");
    EXPECT_EQ(bestmoveOf(untilBestmove(engine, 20000)), "0000");
    EXPECT_EQ(countOf(outputBeforeReady(engine), "bestmove"), 0);
    // A far move number in a FEN leaves the game record room to play on.
    engine.send("position fen 4k3/8/8/8/8/8/4P3/4K3 w - - 0 400 moves e2e4 e8e7");
    engine.send("go depth 3");
    EXPECT_NE(bestmoveOf(untilBestmove(engine, 30000)), "0000");
    // A list longer than the undo stack: applied move by move, then drawn by the fifty-move rule.
    std::string shuffle = "position startpos moves";
    for (int i = 0; i < 70; i++) shuffle += " g1f3 g8f6 f3g1 f6g8";
    engine.send(shuffle);
    engine.send("go depth 3");
    EXPECT_EQ(bestmoveOf(untilBestmove(engine, 30000)), "0000");
    // The engine still plays afterwards.
    engine.send("position startpos moves e2e4");
    engine.send("go depth 3");
    std::string move = bestmoveOf(untilBestmove(engine, 30000));
    EXPECT_EQ(move.size(), 4u);
}

} // namespace
