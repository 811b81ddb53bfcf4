// Start-up and shut-down of the engine program, driven through pipes in fresh directories.
#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

namespace {

const char* const ExpectedBanner =
    "\n"
    "    ####    ####    ####    ####    ####    ####\n"
    "    ####    ####    ####    ####    ####    ####\n"
    "################################################\n"
    "################################################\n"
    "################################################\n"
    "    # ##    ##   ######   #######   ##    ##    ####    ##    ##  ########  #\n"
    "   # ###  ###  ##    ##  ##    ##  ##    ##   ##  ##   ###   ##  ##        #\n"
    "   # ########  ##    ##  ##    ##  ##    ##  ##    ##  ####  ##  ##        #\n"
    "   # ## ## ##  ##    ##  ##    ##  ##    ##  ##    ##  ## ## ##  ##        #\n"
    "  # ##    ##  ##    ##  #######   ##    ##  ########  ## ## ##  ######    #\n"
    "  # ##    ##  ##    ##  ## ##      ##  ##   ##    ##  ##  ####  ##        #\n"
    "  # ##    ##  ##    ##  ##  ##     ##  ##   ##    ##  ##   ###  ##        #\n"
    " # ##    ##  ##    ##  ##   ##     ####    ##    ##  ##    ##  ##        #\n"
    " # ##    ##  ##    ##  ##    ##    ####    ##    ##  ##    ##  ##        #\n"
    " # ##    ##   ######   ##    ##     ##     ##    ##  ##    ##  ########  #\n"
    "\nby Ferrinel Oakmund, Velmorand\n"
    "Version 3.03b (Feb-14-08)\n\n";

// On a pipe the console diagram leaves only its newlines: 2 + 8 + 1 + 3, after one "\n".
const char* const PipeDiagram = "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n";

TEST(StartUp, WithoutConfigurationEveryKeyTakesItsDefault) {
    EngineProcess engine;
    std::string text = startToPrompt(engine);
    std::string expected = std::string(ExpectedBanner) +
                           "Morvane.cfg couldn't be found!\n"
                           "Hash table memory = 64 Mb\n"
                           "Pawn hash table memory = 8 Mb\n"
                           "EGTb cache memory = 0 Mb (0 pieces endgame tablebases found)\n"
                           "0 kb of ram used for Tb indices and decompression tables.\n" +
                           PipeDiagram + "white(1): ";
    EXPECT_EQ(text, expected);
    // The banner's picture: five lines of 48 characters, then ten of 74 to 77.
    std::string banner = ExpectedBanner;
    size_t at = 1;
    for (int line = 0; line < 15; line++) {
        size_t end = banner.find('\n', at);
        size_t length = end - at;
        if (line < 5) {
            EXPECT_EQ(length, 48u) << line;
        } else {
            EXPECT_TRUE(length >= 74 && length <= 77) << line << " " << length;
        }
        at = end + 1;
    }
    EXPECT_TRUE(engine.fileExists("Logs"));
    EXPECT_FALSE(engine.fileExists("process.out"));
}

TEST(StartUp, ConfigurationSizesTheTablesAndReportsItself) {
    EngineProcess engine("[preferences]\nhash size = 100\nPHash Size=3\nNoise=9\n");
    std::string text = startToPrompt(engine);
    EXPECT_NE(text.find("Found Morvane.cfg!\nHash table memory = 64 Mb\n"
                        "Pawn hash table memory = 2 Mb\n"),
              std::string::npos)
        << text;
}

// End of input, "quit" and a closed output all end the engine the same way: the log finished,
// "process.out" written, exit status 0.
TEST(StartUp, EndOfInputEndsLikeQuit) {
    for (int way = 0; way < 3; way++) {
        EngineProcess engine("[Preferences]\nLog File=1\n");
        ASSERT_FALSE(startToPrompt(engine).empty());
        engine.send("new");
        if (way == 0) engine.send("quit");
        if (way == 1) engine.sendRaw("ping 5"); // a last line without its newline
        engine.closeInput();
        EXPECT_EQ(engine.waitExit(), 0) << way;
        std::string log = engine.readFile("Logs/Log001.htm");
        EXPECT_NE(log.find("<span class=\"in\">new</span>\n"), std::string::npos) << way;
        const std::string trailer = "</b></pre>\n</body>\n</html>\n";
        ASSERT_GT(log.size(), trailer.size()) << way;
        EXPECT_EQ(log.substr(log.size() - trailer.size()), trailer) << way;
        EXPECT_EQ(engine.readFile("process.out").substr(0, 2), "1 ") << way;
        if (way == 1) {
            EXPECT_NE(engine.readQuiet().find("pong 5"), std::string::npos);
        }
    }
}

TEST(StartUp, ClosedOutputEndsLikeQuit) {
    EngineProcess engine("[Preferences]\nLog File=1\n");
    ASSERT_FALSE(startToPrompt(engine).empty());
    engine.closeOutput();
    for (int i = 0; i < 50; i++) engine.send("ping " + std::to_string(i));
    EXPECT_EQ(engine.waitExit(), 0);
    EXPECT_EQ(engine.readFile("process.out").substr(0, 2), "1 ");
    EXPECT_NE(engine.readFile("Logs/Log001.htm").find("</html>"), std::string::npos);
}

// xboard ends its engines with SIGTERM right after "quit": the log is finished all the same.
TEST(StartUp, TerminationSignalFinishesTheLog) {
    EngineProcess engine("[Preferences]\nLog File=1\n");
    ASSERT_FALSE(startToPrompt(engine).empty());
    engine.send("xboard");
    EXPECT_EQ(outputBeforePong(engine, 1), "\n");
    engine.readQuiet(200); // the pong reaches the log just after standard output
    engine.sendSignal(SIGTERM);
    EXPECT_EQ(engine.waitExit(), 0);
    EXPECT_EQ(engine.readFile("process.out").substr(0, 2), "1 ");
    std::string log = engine.readFile("Logs/Log001.htm");
    EXPECT_NE(log.find("<span class=\"in\">ping 1</span>\npong 1\n</b></pre>\n</body>\n</html>\n"),
              std::string::npos)
        << log;
}

TEST(StartUp, QuitFollowedByTextIsNotQuit) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    engine.send("quit now");
    EXPECT_EQ(outputBeforePong(engine, 3), "");
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(), 0);
}

TEST(StartUp, LogCommandOpensALogWhenNoneIsOpen) {
    EngineProcess engine;
    ASSERT_TRUE(startXboard(engine));
    EXPECT_FALSE(engine.fileExists("Logs/Log001.htm"));
    engine.send("log 1");
    EXPECT_EQ(outputBeforePong(engine, 4), "");
    EXPECT_TRUE(engine.fileExists("Logs/Log001.htm"));
    engine.send("log -1"); // the absolute value: still on, no second log
    for (int i = 0; i < 40; i++) EXPECT_EQ(outputBeforePong(engine, 100 + i), "");
    EXPECT_FALSE(engine.fileExists("Logs/Log002.htm"));
    engine.send("quit");
    EXPECT_EQ(engine.waitExit(), 0);
    EXPECT_EQ(engine.readFile("process.out").substr(0, 2), "1 ");
}

} // namespace
