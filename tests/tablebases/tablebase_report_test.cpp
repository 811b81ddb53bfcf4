// What the engine reports about its tables, at start-up and when the path or the cache changes,
// how it copes with bad ones, and the links it keeps: driven through the real program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/engine_process.h"
#include "tablebases/tablebase_support.h"


TEST(TablebaseReport, StartUpAndPathChangesPrintTheReportLines) {
    EngineProcess engine(std::string("[Preferences]\nTB Path=") + DebianTables + "\nTB Cache=2\n");
    std::string start = startToPrompt(engine);
    EXPECT_TRUE(std::regex_search(start, std::regex("\nEGTb cache memory = 2 Mb \\(3 pieces endgame tablebases found\\)\n"
                                                    "[1-9]\\d* kb of ram used for Tb indices and decompression "
                                                    "tables.\n")))
        << start;
    std::filesystem::create_directories(engine.directory + "/empty");
    engine.send("xboard");
    engine.send("ping 0");
    ASSERT_FALSE(engine.readUntil("pong 0\n").empty());
    engine.send("tbpath empty");
    EXPECT_EQ(outputBeforePong(engine, 1),
              " (0 pieces endgame tablebases found)\n0 kb of ram used for Tb indices and decompression tables.\n");
    engine.send(std::string("tbpath empty;") + DebianTables);
    EXPECT_TRUE(std::regex_match(outputBeforePong(engine, 2),
                                 std::regex(" \\(3 pieces endgame tablebases found\\)\n[1-9]\\d* kb of ram used for Tb "
                                            "indices and decompression tables.\n")));
    engine.send("tbcache 4");
    EXPECT_EQ(outputBeforePong(engine, 3), "EGTb cache memory = 4 Mb\n");
    // The tables still answer after the cache changed: a mate in 1 found at once.
    engine.send("setboard 8/8/8/8/8/8/8/k1K4Q w - - 0 1");
    engine.send("sd 4");
    engine.send("go");
    std::string answer = engine.readUntil("Hint: ", 30000);
    EXPECT_NE(answer.find("move h1a8\n"), std::string::npos) << answer;
}

// Unusable tables on the path, and a path far too long: the engine starts, reports, and plays.
TEST(TablebaseReport, BadTablesAndOverlongPathStillPlay) {
    const std::string overlong = "tables;" + std::string(400, 'q');
    EngineProcess engine("[Preferences]\nTB Path=" + overlong + "\n");
    std::filesystem::create_directories(engine.directory + "/tables");
    engine.writeFile("tables/kqk.gtb.cp4", std::string(9443, '\x7f'));
    engine.writeFile("tables/krk.gtb.cp4", "");
    engine.writeFile("tables/kpk.gtb.cp4", std::string(92, '\0'));
    std::string start = startToPrompt(engine);
    EXPECT_NE(start.find("(0 pieces endgame tablebases found)"), std::string::npos) << start;
    engine.send("xboard");
    engine.send("tbpath " + std::string(3000, 'p') + ";" + DebianTables);
    EXPECT_NE(outputBeforePong(engine, 1).find("(0 pieces endgame tablebases found)"), std::string::npos);
    engine.send("setboard 8/8/8/4k3/8/8/8/R3K3 w - - 0 1");
    engine.send("sd 4");
    engine.send("go");
    std::string answer = engine.readUntil("Hint: ", 30000);
    EXPECT_TRUE(std::regex_search(answer, std::regex("\nmove [a-h][1-8][a-h][1-8]\n"))) << answer;
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(), 0);
}

// The engine keeps its links to the table files in /tmp under its process id; an engine that
// was killed leaves them behind, and the next engine removes them (and no live engine's).
TEST(TablebaseReport, LinksOfKilledEnginesAreRemoved) {
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    const std::string stale = "/tmp/morvane_tb_" + std::to_string(gone) + "_test01";
    const std::string live = "/tmp/morvane_tb_" + std::to_string(getpid()) + "_test02";
    for (const std::string& made : {stale, live}) {
        std::filesystem::create_directories(made);
        std::filesystem::create_symlink(std::string(DebianTables) + "/kqk.gtb.cp4", made + "/kqk.gtb.cp4");
    }
    EngineProcess engine(std::string("[Preferences]\nTB Path=") + DebianTables + "\n");
    EXPECT_NE(startToPrompt(engine).find("(3 pieces endgame tablebases found)"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live + "/kqk.gtb.cp4"));
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(), 0);
    std::error_code ignored;
    std::filesystem::remove_all(live, ignored);
    std::filesystem::remove_all(stale, ignored);
}
