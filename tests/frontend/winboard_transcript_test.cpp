// The WinBoard/console protocol as an interface meets it: transcripts through pipes.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/engine_process.h"

namespace {

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

// The "move" line of the engine's answer and everything up to the "Hint:" line after it.
std::string engineAnswer(EngineProcess& engine, int timeoutMs = 60000) {
    std::string text = engine.readUntil("Hint: ", timeoutMs);
    if (text.empty()) return "";
    return text + engine.readUntil("\n\n");
}

TEST(WinBoard, ProtoverPingAndUnknownLines) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("protover 2");
    std::string line;
    ASSERT_TRUE(engine.readLine(line));
    EXPECT_EQ(line, "feature setboard=1 analyze=1 draw=1 reuse=1 ping=1");
    ASSERT_TRUE(engine.readLine(line));
    EXPECT_EQ(line, "feature myname=\"Morvane 3.03b\" done=1");
    // What an interface sends beside the commands is ignored without a reply.
    engine.send("accepted setboard");
    engine.send("random");
    engine.send("computer");
    engine.send("?");
    engine.send(".");
    EXPECT_EQ(outputBeforePong(engine, 7), "");
}

TEST(WinBoard, PerftAndMperftCountTheInitialPosition) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    for (const char* command : {"perft 4", "mperft 4"}) {
        engine.send(command);
        std::string text = engine.readUntil("knps: ", 60000);
        text += engine.readUntil("\n\n");
        EXPECT_EQ(text.substr(0, 106), "Nodes[1]:           20;\n"
                                       "Nodes[2]:          400;\n"
                                       "Nodes[3]:         8902;\n"
                                       "Nodes[4]:       197281;\n"
                                       "\nTime[4]: ")
            << command;
        EXPECT_TRUE(std::regex_search(text, std::regex(R"(Time\[4\]: \d+\.\d{3}s, knps: \d+\n\n$)")))
            << text;
    }
    engine.send("perft 0"); // no depth: no count and no time line
    EXPECT_EQ(outputBeforePong(engine, 1), "\n");
}

// Take-backs stop at the start of the record and at a set-up position.
TEST(WinBoard, UndoAndRemoveBounds) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("force");
    engine.send("undo"); // nothing to take back
    engine.send("perft 2");
    EXPECT_NE(outputBeforePong(engine, 1).find("Nodes[2]:          400;"), std::string::npos);
    engine.send("e2e4");
    engine.send("remove"); // one half-move only: nothing happens
    engine.send("perft 1");
    EXPECT_NE(outputBeforePong(engine, 2).find("Nodes[1]:           20;"), std::string::npos);
    engine.send("e7e5");
    engine.send("remove"); // both half-moves go
    engine.send("perft 3");
    EXPECT_NE(outputBeforePong(engine, 3).find("Nodes[3]:         8902;"), std::string::npos);
    engine.send("e2e4");
    engine.send("undo");
    engine.send("e2e4"); // legal again after the take-back
    EXPECT_EQ(outputBeforePong(engine, 4), "");
    // A set-up position is the start of the record: nothing before it to take back.
    engine.send("setboard 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 30");
    engine.send("undo");
    engine.send("remove");
    engine.send("perft 3");
    EXPECT_NE(outputBeforePong(engine, 5).find("Nodes[3]:         2812;"), std::string::npos);
}

TEST(WinBoard, SetboardAndEditModeSetPositions) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("setboard r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    engine.send("perft 3");
    EXPECT_NE(outputBeforePong(engine, 1).find("Nodes[3]:        97862;"), std::string::npos);
    // Edit mode: White Ke1 Ra1 Rh1 Pe2, Black Ke8 Ra8; White's long castling taken away; an
    // empty square cleared and malformed lines ignored.
    engine.send("edit");
    for (const char* line : {"#", "Ke1", "Ra1", "Rh1", "Pe2", "Xh7", "zz9", "Pz9", "c", "Ke8",
                             "Ra8", "castle -w000", "."})
        engine.send(line);
    engine.send("perft 1");
    // King d1 d2 f1 f2 and O-O; rook a1: a2-a8, b1-d1; rook h1: h2-h8, f1, g1; pawn: e3, e4.
    EXPECT_NE(outputBeforePong(engine, 2).find("Nodes[1]:           26;"), std::string::npos);
    engine.send("setboard");  // no position: nothing set, force mode on
    engine.send("perft 1");
    EXPECT_NE(outputBeforePong(engine, 3).find("Nodes[1]:           26;"), std::string::npos);
}

TEST(WinBoard, IllegalMovesChangeNothing) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("force");
    engine.send("e2e5");
    engine.send("e7e5");
    engine.send("e2e4 extra words");
    EXPECT_EQ(outputBeforePong(engine, 1),
              "Illegal move: e2e5\nIllegal move: e7e5\n");
    engine.send("e2e4"); // already played above: now illegal for Black
    EXPECT_EQ(outputBeforePong(engine, 2), "Illegal move: e2e4\n");
    // A line longer than the buffer is cut, never overrun.
    engine.send("e2e4" + std::string(10000, 'x'));
    std::string text = outputBeforePong(engine, 3);
    EXPECT_EQ(text.substr(0, 18), "Illegal move: e2e4");
    EXPECT_LT(text.size(), 4200u);
    engine.send("ping 44" + std::string(9000, ' ') + "junk");
    std::string line;
    ASSERT_TRUE(engine.readLine(line));
    EXPECT_EQ(line, "pong 44");
}

// The game record holds 599 half-moves; a move beyond it is refused and nothing breaks.
TEST(WinBoard, GameRecordLimitRefusesFurtherMoves) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("force");
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 600; i++) engine.send(cycle[i % 4]);
    EXPECT_EQ(outputBeforePong(engine, 1), "Illegal move: f6g8\n");
    engine.send("go"); // no room for the engine's move either: it stays silent
    EXPECT_EQ(outputBeforePong(engine, 2), "");
    engine.send("force");
    for (int i = 0; i < 3; i++) engine.send("undo");
    engine.send("perft 2");
    EXPECT_EQ(outputBeforePong(engine, 3).substr(0, 48),
              "Nodes[1]:           20;\nNodes[2]:          400;\n");
}

TEST(WinBoard, DrawOffersAcceptedOrIgnored) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("draw"); // last score 0 is below the contempt value 1: accepted at once
    EXPECT_EQ(outputBeforePong(engine, 1), "1/2-1/2 {Draw by agreement}\n");
    engine.send("new");
    engine.send("contempt -50");
    engine.send("offer draw");
    engine.send("draw");
    EXPECT_EQ(outputBeforePong(engine, 2), "");
    engine.send("drawv 0 0"); // any move number, no moves needed: accepted
    engine.send("offer");
    EXPECT_EQ(outputBeforePong(engine, 3), "1/2-1/2 {Draw by agreement}\n");
}

TEST(WinBoard, ForceThenGoCountsTheMoveNumber) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    // Moves entered in force mode before a new game do not count in the next one.
    engine.send("force");
    engine.send("d2d4");
    engine.send("new");
    engine.send("force");
    engine.send("e2e4");
    engine.send("e7e5");
    engine.send("sd 4");
    engine.send("go");
    std::string text = engineAnswer(engine);
    // The final thinking line carries the principal variation from move 2 for White.
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n *4 +-?\d+ +\d+ +\d+   2\.)"))) << text;
    std::smatch move;
    ASSERT_TRUE(std::regex_search(text, move, std::regex(R"(\nmove ([a-h][1-8][a-h][1-8][qrbn]?)\n)")))
        << text;
    EXPECT_NE(text.find("\nDepth: 4; score: "), std::string::npos) << text;
    EXPECT_NE(text.find("\nTime left : "), std::string::npos);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(Hint: \S+\n\n$)"))) << text;
    // The engine's move stands on the board: playing it again is illegal.
    engine.send(move[1].str());
    EXPECT_EQ(outputBeforePong(engine, 1), "Illegal move: " + move[1].str() + "\n");
}

// The engine's first move of a new sudden-death game with its clock at the given centiseconds.
std::string suddenDeathAnswer(EngineProcess& engine, int centiseconds) {
    engine.send("new");
    engine.send("level 0 2:30 1");
    engine.send("time " + std::to_string(centiseconds));
    engine.send("otim 3000");
    engine.send("go");
    return engineAnswer(engine);
}

TEST(WinBoard, ClockCommandsReachTheNextSearch) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    // level 40 5 0 with a depth limit: 40 moves to go, one used by the engine's move.
    engine.send("new");
    engine.send("level 40 5 0");
    engine.send("sd 3");
    engine.send("go");
    std::string text = engineAnswer(engine);
    EXPECT_NE(text.find("\nPlanning to think for 999999\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Depth: 3;"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMoves left: 39\n"), std::string::npos) << text;
    // Sudden death, 30 s on the clock (time in centiseconds): a tenth of it, 300 cs.
    text = suddenDeathAnswer(engine, 3000);
    EXPECT_NE(text.find("\nPlanning to think for 300\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Moves left"), std::string::npos);
    // With less than a second left the engine plans nothing and answers at once with a move.
    text = suddenDeathAnswer(engine, 80);
    EXPECT_NE(text.find("\nPlanning to think for 0\n"), std::string::npos) << text;
    std::smatch quick;
    ASSERT_TRUE(std::regex_search(text, quick, std::regex(R"(; time: (\d+\.\d\d);)"))) << text;
    EXPECT_LT(std::stod(quick[1].str()), 0.5) << text;
    // A fixed time per move: the plan is that second, and about a second is spent.
    engine.send("new");
    engine.send("st 1");
    engine.send("go");
    text = engineAnswer(engine);
    EXPECT_NE(text.find("\nPlanning to think for 100\n"), std::string::npos) << text;
    std::smatch spent;
    ASSERT_TRUE(std::regex_search(text, spent, std::regex(R"(; time: (\d+\.\d\d);)")));
    double seconds = std::stod(spent[1].str());
    EXPECT_GE(seconds, 0.2); // the search may stop early when its move is settled
    EXPECT_LT(seconds, 10.0);
}

TEST(WinBoard, ConsoleAnnouncesTheMoveAndTheHint) {
    EngineProcess engine;
    ASSERT_FALSE(startToPrompt(engine).empty());
    engine.send("d"); // no diagrams: only prompts and answers
    engine.send("sd 3");
    engine.send("e2e4");
    std::string text = engineAnswer(engine);
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n\n[a-h][1-8][a-h][1-8]\nHint: \S+( \S+)?\n\n$)")))
        << text;
    EXPECT_EQ(text.find("move "), std::string::npos);
    EXPECT_EQ(engine.readUntil("white(2): "), "white(2): ");
}

// At the console the search ends with the same closing line as under xboard (depth, score,
// time, nodes and the principal variation) right before the summary, with or without post; only
// the "stat01" line before it belongs to xboard alone.
TEST(WinBoard, ConsolePrintsTheEndOfSearchLine) {
    EngineProcess engine;
    ASSERT_FALSE(startToPrompt(engine).empty());
    engine.send("d");
    for (const char* post : {"post", "nopost"}) {
        engine.send("new");
        engine.send(post);
        engine.send("sd 5");
        engine.send("e2e4");
        std::string text = engineAnswer(engine);
        EXPECT_TRUE(std::regex_search(text, std::regex(R"(\n 5 +-?\d+ +\d+ +\d+   1\.\.\.\S+.*\n\nDepth: 5; )")))
            << post << "\n" << text;
        EXPECT_EQ(text.find("stat01"), std::string::npos);
        engine.readUntil("white(2): ");
    }
}

TEST(WinBoard, PonderNeedsALegalMove) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("ponder e2e5");
    engine.send("ponder " + std::string(300, 'e'));
    EXPECT_EQ(outputBeforePong(engine, 1), "");
    engine.send("ponder e2e4");
    std::string text = outputBeforePong(engine, 2);
    EXPECT_EQ(text.substr(0, 1), "\n");
    EXPECT_NE(text.find("Pondering on move 1.e4"), std::string::npos) << text;
}

TEST(WinBoard, LongArgumentsAreCutToTheirBuffers) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("tbpath " + std::string(3000, 'p'));
    std::string text = outputBeforePong(engine, 1);
    EXPECT_NE(text.find("(0 pieces endgame tablebases found)"), std::string::npos) << text;
    engine.send("book " + std::string(2000, 's') + ".pgn " + std::string(2000, 't') + ".obk");
    text = engine.readUntil("Press enter when ready...\n");
    EXPECT_EQ(text.substr(0, 38), "\nThe sintaxis of the book command is:\n");
    engine.send(""); // the Enter the usage text asks for
    EXPECT_EQ(outputBeforePong(engine, 2), "");
}

TEST(WinBoard, EvalAndTestposPrintTheStaticScore) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("eval");
    engine.send("testpos");
    std::string text = outputBeforePong(engine, 1);
    std::smatch scores;
    ASSERT_TRUE(std::regex_match(text, scores, std::regex(R"(Score: (-?\d+)\n\nEvaluation score=(-?\d+)\n)")))
        << text;
    EXPECT_EQ(scores[1].str(), scores[2].str());
}

TEST(WinBoard, BenchRunsThreeTriesAndRestoresANewGame) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("force");
    engine.send("e2e4");
    engine.send("nopost");
    engine.send("bench");
    std::string text = engine.readUntil("\nAverage Speed: ", 120000);
    text += engine.readUntil("\n\n");
    for (int attempt = 1; attempt <= 3; attempt++) {
        std::string pattern = "Speed \\(try #" + std::to_string(attempt) +
                              R"(\): \d+ nps \[1\..*\]\nMove Ordering Efficiency Rate \(try #)" +
                              std::to_string(attempt) + R"(\): \d+\.\d\d%\n\n)";
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << text;
    }
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\nAverage Speed: \d+ nps\n\n$)")));
    // The initial position again, thinking output on, no depth limit left from the bench.
    engine.send("perft 2");
    EXPECT_EQ(outputBeforePong(engine, 1).substr(0, 48),
              "Nodes[1]:           20;\nNodes[2]:          400;\n");
}

// Book learning: a result hands the game to the book once per result line, never after an
// accepted draw.
TEST(WinBoard, ResultLearnsIntoTheBook) {
    EngineProcess engine("[Preferences]\nBook Mode=Normal\n");
    ASSERT_TRUE(startXboard(engine));
    engine.send(std::string("book ") + MORVANE_DATA_DIR + "/pgn/Capablanca.pgn blancas.obk 20 2");
    EXPECT_EQ(outputBeforePong(engine, 1, 120000).find("sintaxis"), std::string::npos);
    ASSERT_TRUE(engine.fileExists("blancas.obk"));
    engine.send("new");
    engine.send("go");
    std::string text = engineAnswer(engine);
    EXPECT_NE(text.find(" (book)"), std::string::npos) << text;
    std::string before = engine.readFile("blancas.obk");
    engine.send("result 1-0 {White wins}");
    outputBeforePong(engine, 2);
    std::string afterFirst = engine.readFile("blancas.obk");
    EXPECT_NE(afterFirst, before);
    engine.send("result 1-0 {again}");
    outputBeforePong(engine, 3);
    EXPECT_NE(engine.readFile("blancas.obk"), afterFirst);
    // A draw accepted in a new game records the outcome; the result after it passes nothing.
    engine.send("new");
    engine.send("go");
    engineAnswer(engine);
    engine.send("draw");
    EXPECT_EQ(outputBeforePong(engine, 4), "1/2-1/2 {Draw by agreement}\n");
    std::string afterDraw = engine.readFile("blancas.obk");
    engine.send("result 1/2-1/2");
    outputBeforePong(engine, 5);
    EXPECT_EQ(engine.readFile("blancas.obk"), afterDraw);
    EXPECT_EQ(countOf(engine.transcript, "Illegal"), 0);
}

} // namespace

// A position the engine will not play (no king, two kings, the side not to move in check, more
// men than the move lists allow) gets "tellusererror Illegal position" when it is set up and
// whenever it would be searched, perft-counted or evaluated; every move is refused until new,
// edit or setboard gives a position it plays.
TEST(WinBoard, IllegalPositionsAreRefusedAloud) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    const std::string refusal = "tellusererror Illegal position\n";
    for (const char* fen : {"8/8/8/8/8/8/8/K7 w - - 0 1", "k7/8/8/8/8/8/8/KK6 w - - 0 1",
                            "k6R/8/8/8/8/8/8/K7 w - - 0 1",
                            "QQQQQQQk/Q5QQ/Q6Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1"}) {
        engine.send(std::string("setboard ") + fen);
        EXPECT_EQ(outputBeforePong(engine, 1), refusal) << fen;
        for (const char* command : {"go", "eval", "testpos", "perft 1", "mperft 1", "analyze"}) {
            engine.send(command);
            EXPECT_EQ(outputBeforePong(engine, 2), refusal) << fen << " " << command;
        }
        engine.send("a1a2");
        EXPECT_EQ(outputBeforePong(engine, 3), "Illegal move: a1a2\n") << fen;
        engine.send("go");
        engine.send("a1b1");
        EXPECT_EQ(outputBeforePong(engine, 4), refusal + "Illegal move: a1b1\n") << fen;
    }
    // Edit mode is checked when it ends.
    engine.send("edit");
    for (const char* line : {"#", "Ke1", "Kd1", "c", "Ke8", "."}) engine.send(line);
    EXPECT_EQ(outputBeforePong(engine, 5), refusal);
    // new gives a position to play again.
    engine.send("new");
    engine.send("st 0.2");
    engine.send("go");
    EXPECT_NE(engineAnswer(engine).find("move "), std::string::npos);
    engine.send("setboard k7/8/8/8/8/8/8/K6R w - - 0 1");
    engine.send("eval");
    EXPECT_EQ(outputBeforePong(engine, 6).rfind("Score: ", 0), 0u);
}

// Set-up keeps every man of a position whose moves fit the lists, however no game could reach
// it: a second queen for the f1 bishop beside eight pawns is played as written.
TEST(WinBoard, SetupKeepsMenNoGameCouldHave) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKQNR w KQkq - 0 1");
    engine.send("perft 2");
    // Twenty moves each as in the initial position: every pawn still blocks its piece.
    std::string text = outputBeforePong(engine, 1);
    EXPECT_NE(text.find("Nodes[1]:           20;\nNodes[2]:          400;\n"), std::string::npos) << text;
    // A third knight (seventeen men): the a-pawn is blocked, the knight on a3 reaches b5 and c4.
    engine.send("setboard 4k3/8/8/8/8/N7/PPPPPPPP/RNBQKBNR w - - 0 1");
    engine.send("perft 1");
    EXPECT_NE(outputBeforePong(engine, 2).find("Nodes[1]:           19;"), std::string::npos);
}

// The new game bench leaves is new in every respect: take-backs work again from its start,
// whatever set-up came before.
TEST(WinBoard, BenchLeavesTakeBacksToTheNewGame) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("setboard rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 10");
    engine.send("nopost");
    engine.send("bench");
    ASSERT_FALSE(engine.readUntil("\nAverage Speed: ", 120000).empty());
    engine.readUntil("\n\n");
    engine.send("force");
    engine.send("e2e4");
    engine.send("undo");
    engine.send("e2e4");
    engine.send("e7e5");
    engine.send("remove");
    engine.send("e2e4");
    EXPECT_EQ(outputBeforePong(engine, 1), "");
}

// An engine move that draws by the fifty-move rule ends the line of play: the log's caption
// after it is empty. An ordinary move keeps its caption.
TEST(WinBoard, DrawByRuleLeavesTheCaptionEmpty) {
    EngineProcess engine("[Preferences]\nLog File=1\n");
    ASSERT_TRUE(startXboard(engine));
    engine.send("setboard 7k/8/8/8/8/8/8/R6K w - - 99 80");
    engine.send("sd 5");
    engine.send("go");
    std::string drawn = engineAnswer(engine);
    EXPECT_NE(drawn.find("move "), std::string::npos) << drawn;
    engine.send("new");
    engine.send("sd 5");
    engine.send("go");
    EXPECT_NE(engineAnswer(engine).find("move "), std::string::npos);
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(), 0);
    std::string logs;
    for (const char* name : {"Logs/Log001.htm", "Logs/Log002.htm", "Logs/Log003.htm"})
        logs += engine.readFile(name);
    EXPECT_EQ(countOf(logs, "<b>Position after </b>"), 1) << logs;
    EXPECT_EQ(countOf(logs, "<b>Position after 1."), 1) << logs;
}
