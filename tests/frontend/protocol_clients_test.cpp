// The engine as strict scripting clients meet it, in both protocols: every option line of the
// reply to "uci" must hold up to validation whatever the configuration says, and short games
// must be playable under every limit such a client sends (a time per move, a depth, a clock with
// increment, analysis for a while), each move legal and each limit kept.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "support/uci_session.h"

namespace {

// One "option" line as a strict client reads it: the keywords split the words into fields.
struct OptionLine {
    std::string name, type, defaultValue;
    bool hasDefault = false, hasMin = false, hasMax = false;
    std::string min, max;
    std::vector<std::string> vars;
};

OptionLine parseOption(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    OptionLine option;
    std::string field;
    auto add = [](std::string& to, const std::string& word) { to += (to.empty() ? "" : " ") + word; };
    for (size_t i = 1; i < words.size(); i++) {
        const std::string& w = words[i];
        if (w == "name" || w == "type" || w == "default" || w == "min" || w == "max" || w == "var") {
            field = w;
            if (w == "default") option.hasDefault = true;
            if (w == "min") option.hasMin = true;
            if (w == "max") option.hasMax = true;
            if (w == "var") option.vars.emplace_back();
            continue;
        }
        if (field == "name") add(option.name, w);
        else if (field == "type") add(option.type, w);
        else if (field == "default") add(option.defaultValue, w);
        else if (field == "min") add(option.min, w);
        else if (field == "max") add(option.max, w);
        else if (field == "var") add(option.vars.back(), w);
    }
    return option;
}

// What a strict client refuses in one option line ("" when it accepts it).
std::string optionFault(const OptionLine& o) {
    if (o.type == "spin") {
        if (!o.hasDefault || !o.hasMin || !o.hasMax) return "spin without default, min or max";
        if (!isInteger(o.defaultValue) || !isInteger(o.min) || !isInteger(o.max)) return "spin not numeric";
        long d = std::stol(o.defaultValue), lo = std::stol(o.min), hi = std::stol(o.max);
        if (lo > hi || d < lo || d > hi) return "spin default outside min..max";
    } else if (o.type == "check") {
        if (o.defaultValue != "true" && o.defaultValue != "false") return "check default not a boolean";
    } else if (o.type == "combo") {
        bool found = false;
        for (const std::string& v : o.vars) found = found || v == o.defaultValue;
        if (!found) return "combo default not among its vars";
    } else if (o.type != "button" && o.type != "string") {
        return "unknown type";
    }
    return "";
}

// The options of a reply to "uci", by name.
std::map<std::string, OptionLine> optionsOf(const std::string& reply) {
    std::map<std::string, OptionLine> options;
    for (const std::string& line : linesOf(reply))
        if (line.rfind("option ", 0) == 0) {
            OptionLine option = parseOption(line);
            options[option.name] = option;
        }
    return options;
}

TEST(StrictClient, EveryOptionHoldsForEveryConfiguration) {
    const char* const settings[] = {
        "",           "Noise=9",          "Noise=0",           "Noise=-300",
        "Hash Size=0", "Hash Size=100000", "PHash Size=0",      "PHash Size=100000",
        "TB Cache=1", "TB Cache=4096",    "TB Cache=-5",       "Book Mode=Normal",
        "Book Mode=", "Book Mode=tournament", "Book Mode=Nothing", "Keep Hash Tables=7",
    };
    for (const char* setting : settings) {
        EngineProcess engine(std::string("[Preferences]\n") + setting + "\n");
        std::string reply = startUci(engine);
        ASSERT_FALSE(reply.empty()) << setting;
        std::map<std::string, OptionLine> options = optionsOf(reply);
        EXPECT_EQ(options.size(), 12u) << setting;
        for (const auto& [name, option] : options)
            EXPECT_EQ(optionFault(option), "") << setting << ": " << name;
    }
}

// The validator itself refuses what it must: the reply the engine used to give is refused.
TEST(StrictClient, ValidatorRefusesFaultyLines) {
    EXPECT_NE(optionFault(parseOption("option name NalimovCache type spin default 0 min 2 max 16")), "");
    EXPECT_NE(optionFault(parseOption("option name Book Mode type combo default Nothing var "
                                      "Tournament var Normal")), "");
    EXPECT_NE(optionFault(parseOption("option name Ponder type check default maybe")), "");
    EXPECT_EQ(optionFault(parseOption("option name MultiPV type spin min 1 max 255 default 1")), "");
    EXPECT_EQ(parseOption("option name Keep HashTables type check default true").name, "Keep HashTables");
}

// The UCI option, the "TB Cache" key and the tbcache command hold the cache to one cap.
TEST(StrictClient, TablebaseCacheHasOneCap) {
    EngineProcess configured("[Preferences]\nTB Cache=4096\n");
    std::map<std::string, OptionLine> options = optionsOf(startUci(configured));
    EXPECT_EQ(options["NalimovCache"].defaultValue, options["NalimovCache"].max);
    EXPECT_EQ(options["NalimovCache"].min, "0");
    const std::string cap = options["NalimovCache"].max;

    EngineProcess uci;
    ASSERT_FALSE(startUci(uci).empty());
    uci.send("setoption name NalimovCache value 4096");
    EXPECT_NE(outputBeforeReady(uci).find("EGTb cache memory = " + cap + " Mb"), std::string::npos);
    uci.send("setoption name NalimovCache value 0");
    EXPECT_NE(outputBeforeReady(uci).find("EGTb cache memory = 0 Mb"), std::string::npos);

    EngineProcess xboard;
    ASSERT_TRUE(startXboard(xboard));
    xboard.send("tbcache 4096");
    EXPECT_NE(outputBeforePong(xboard, 1).find("EGTb cache memory = " + cap + " Mb"), std::string::npos);
}

long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

// The move of the first "move " line of text ("" when none).
std::string xboardMoveOf(const std::string& text) {
    size_t at = text.find("\nmove ");
    if (at == std::string::npos) at = text.rfind("move ", 0) == 0 ? 0 : std::string::npos;
    else at++;
    if (at == std::string::npos) return "";
    std::istringstream words(text.substr(at + 5));
    std::string move;
    words >> move;
    return move;
}

// Plays plies engine moves by "go" in xboard mode, each side in turn, with before (if not
// empty) sent ahead of each go. Returns the moves; every move must arrive within limitMs.
std::vector<std::string> playXboard(EngineProcess& engine, int plies, const std::string& before,
                                    long limitMs, std::string* transcript) {
    std::vector<std::string> moves;
    for (int ply = 0; ply < plies; ply++) {
        if (!before.empty()) engine.send(before);
        auto start = std::chrono::steady_clock::now();
        engine.send("go");
        std::string text = engine.readUntil("\nmove ", 30000);
        text += engine.readUntil("\n", 5000);
        EXPECT_LE(millisecondsSince(start), limitMs) << "ply " << ply;
        *transcript += text;
        std::string move = xboardMoveOf(text);
        if (move.empty()) break;
        moves.push_back(move);
    }
    return moves;
}

TEST(ClientLimits, XboardTimePerMoveInFractionsOfASecond) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("post");
    engine.send("st 0.3");
    std::string text;
    // 0.3 s to the millisecond: the budget is 30 centiseconds, and the move comes in time
    // (the bound leaves room for a loaded machine, far below the clock's fall-back).
    std::vector<std::string> moves = playXboard(engine, 6, "", 2500, &text);
    ASSERT_EQ(moves.size(), 6u);
    EXPECT_EQ(legalPrefix("", "", moves), 6u);
    EXPECT_EQ(countOf(text, "Planning to think for 30\n"), 6) << text;
}

// sd beside st keeps the time per move; sd alone needs (and gets) an unlimited budget; a
// pondering or analysing search does not leave its own budget to the next move.
TEST(ClientLimits, XboardDepthLimitKeepsTheTimePerMove) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("post");
    engine.send("st 0.25");
    engine.send("sd 30");
    std::string text;
    auto start = std::chrono::steady_clock::now();
    playXboard(engine, 1, "", 2500, &text);
    EXPECT_LE(millisecondsSince(start), 2500);
    EXPECT_NE(text.find("Planning to think for 25\n"), std::string::npos) << text;

    engine.send("analyze");
    engine.readQuiet(300);
    engine.send("exit");
    text.clear();
    playXboard(engine, 1, "", 2500, &text);
    EXPECT_NE(text.find("Planning to think for 25\n"), std::string::npos) << text;

    engine.send("level 40 5 0");
    engine.send("sd 3");
    text.clear();
    std::vector<std::string> moves = playXboard(engine, 1, "", 30000, &text);
    EXPECT_EQ(moves.size(), 1u);
    EXPECT_NE(text.find("Planning to think for 999999\n"), std::string::npos) << text;
    // The depth limit ends that search: no line deeper than 3 plies.
    for (const std::string& line : linesOf(text))
        if (line.size() > 3 && line[2] == ' ' && isInteger(line.substr(0, 2))) {
            EXPECT_LE(std::stoi(line.substr(0, 2)), 3) << line;
        }
}

// A clock with a fractional increment and base seconds, with time and otim before every move.
TEST(ClientLimits, XboardClockWithFractionalIncrement) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("post");
    engine.send("level 0 0:30.5 0.1");
    std::string text;
    // Base seconds to the millisecond: 30.5 s gives a budget of 305 centiseconds.
    playXboard(engine, 1, "", 8000, &text);
    EXPECT_NE(text.find("Planning to think for 305\n"), std::string::npos) << text;
    engine.send("new");
    engine.send("level 0 0:04 0.1");
    text.clear();
    std::vector<std::string> moves = playXboard(engine, 6, "time 300\notim 300", 2500, &text);
    ASSERT_EQ(moves.size(), 6u);
    EXPECT_EQ(legalPrefix("", "", moves), 6u);
}

// Analysis for a limited time: lines of thinking, then exit, and the engine plays on.
TEST(ClientLimits, XboardAnalysisForAWhile) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("new");
    engine.send("post");
    engine.send("force");
    engine.send("e2e4");
    engine.send("analyze");
    std::string analysis = engine.readQuiet(500);
    engine.send("exit");
    analysis += outputBeforePong(engine, 5);
    int lines = 0;
    for (const std::string& line : linesOf(analysis))
        if (line.size() > 3 && line[2] == ' ' && isInteger(line.substr(0, 2))) lines++;
    EXPECT_GT(lines, 0) << analysis;
    EXPECT_EQ(analysis.find("move "), std::string::npos) << analysis;
    engine.send("st 0.2");
    std::string text;
    std::vector<std::string> moves = playXboard(engine, 2, "", 2500, &text);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(legalPrefix("", "e2e4", moves), 2u);
}

// Plays plies half-moves by position + go in UCI, the bestmove of each appended to the line.
std::vector<std::string> playUci(EngineProcess& engine, int plies, const std::string& go,
                                 long limitMs, long stopAfterMs = -1) {
    std::vector<std::string> moves;
    std::string line = "position startpos moves";
    for (int ply = 0; ply < plies; ply++) {
        engine.send(moves.empty() ? "position startpos" : line);
        auto start = std::chrono::steady_clock::now();
        engine.send(go);
        if (stopAfterMs >= 0) {
            // An analysis keeps its bestmove until stop.
            EXPECT_EQ(engine.readUntil("bestmove ", static_cast<int>(stopAfterMs)), "") << ply;
            engine.send("stop");
        }
        std::string text = untilBestmove(engine, 30000);
        EXPECT_LE(millisecondsSince(start), limitMs) << go << " ply " << ply;
        for (const std::string& info : linesOf(text))
            if (info.rfind("info", 0) == 0) {
                EXPECT_TRUE(parseUciInfo(info).valid) << info;
            }
        std::string move = bestmoveOf(text);
        if (move.empty() || move == "0000") break;
        moves.push_back(move);
        line += " " + move;
    }
    return moves;
}

TEST(ClientLimits, UciGamesUnderEveryLimit) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    engine.send("ucinewgame");
    std::vector<std::string> moves = playUci(engine, 4, "go movetime 300", 2500);
    EXPECT_EQ(moves.size(), 4u);
    EXPECT_EQ(legalPrefix("", "", moves), moves.size());

    engine.send("ucinewgame");
    moves = playUci(engine, 4, "go depth 3", 20000);
    EXPECT_EQ(moves.size(), 4u);
    EXPECT_EQ(legalPrefix("", "", moves), moves.size());

    engine.send("ucinewgame");
    moves = playUci(engine, 4, "go wtime 3000 btime 3000 winc 100 binc 100", 2500);
    EXPECT_EQ(moves.size(), 4u);
    EXPECT_EQ(legalPrefix("", "", moves), moves.size());

    engine.send("ucinewgame");
    moves = playUci(engine, 2, "go infinite", 3000, 300);
    EXPECT_EQ(moves.size(), 2u);
    EXPECT_EQ(legalPrefix("", "", moves), moves.size());
    // One bestmove per go: none is left over.
    EXPECT_EQ(outputBeforeReady(engine).find("bestmove"), std::string::npos);
}

} // namespace

namespace {

// Under UCI a position the engine refuses gets the null move for every go, never silence.
TEST(StrictClient, UciRefusedPositionAnswersTheNullMove) {
    EngineProcess engine;
    ASSERT_FALSE(startUci(engine).empty());
    for (const char* fen : {"QQQQQQQk/Q5QQ/Q6Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1",
                            "k6R/8/8/8/8/8/8/K7 w - - 0 1"}) {
        engine.send(std::string("position fen ") + fen + " moves a1a2");
        engine.send("go movetime 100");
        EXPECT_EQ(bestmoveOf(untilBestmove(engine, 10000)), "0000") << fen;
    }
    engine.send("position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKQNR w KQkq - 0 1");
    engine.send("go depth 2");
    std::string move = bestmoveOf(untilBestmove(engine, 10000));
    EXPECT_EQ(legalPrefix("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKQNR w KQkq - 0 1", "", {move}), 1u);
}

} // namespace
