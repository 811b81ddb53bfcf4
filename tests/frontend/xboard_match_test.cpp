// The engine under a real interface: headless xboard matches against fairymax, and the HTML game
// logs those games leave behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_process.h"

#include <sys/wait.h>

namespace {

// Two games that open 1.e4: the book they make has that one move for White.
const char* const OpeningGames =
    "[Event \"a\"]\n[Result \"*\"]\n\n1. e4 e5 *\n\n"
    "[Event \"b\"]\n[Result \"*\"]\n\n1. e4 c5 *\n";

const char* const FenAfterE4 = "Fen: rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

// Every element opened is closed in order (void elements excepted), inside one html element.
std::string htmlProblem(const std::string& html) {
    static const std::vector<std::string> voidElements = {"img", "base", "br", "meta", "link",
                                                          "hr"};
    std::vector<std::string> open;
    size_t at = 0;
    bool sawHtml = false;
    while ((at = html.find('<', at)) != std::string::npos) {
        size_t end = html.find('>', at);
        if (end == std::string::npos) return "unclosed tag at " + std::to_string(at);
        std::string tag = html.substr(at + 1, end - at - 1);
        at = end + 1;
        bool closing = !tag.empty() && tag[0] == '/';
        std::string name = tag.substr(closing ? 1 : 0);
        name = name.substr(0, name.find_first_of(" \t\n"));
        if (name.empty() || name[0] == '!') continue;
        if (closing) {
            if (open.empty() || open.back() != name)
                return "</" + name + "> closes " + (open.empty() ? "nothing" : open.back());
            open.pop_back();
        } else if (std::find(voidElements.begin(), voidElements.end(), name) ==
                   voidElements.end()) {
            if (open.empty() && name != "html") return "<" + name + "> outside html";
            if (name == "html") sawHtml = true;
            open.push_back(name);
        }
    }
    if (!sawHtml) return "no html element";
    if (!open.empty()) return "<" + open.back() + "> never closed";
    return "";
}

// Runs the match script in the directory; its report goes to the test output.
int runMatch(const std::string& directory, int games, const std::string& options) {
    std::string command = std::string(MORVANE_SOURCE_DIR) + "/scripts/xboard_match.sh " +
                          MORVANE_BINARY + " " + directory + " " + std::to_string(games) + " " +
                          options + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) std::printf("%s", line);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An engine directory with logging on and a book that opens 1.e4 for White.
void prepareDirectory(EngineProcess& engine) {
    engine.writeFile("Morvane.cfg", "[Preferences]\nLog File=1\nBook Mode=Normal\n");
    engine.writeFile("e4.pgn", OpeningGames);
    ASSERT_TRUE(startXboard(engine));
    engine.send("book e4.pgn blancas.obk 2 2");
    outputBeforePong(engine, 1, 60000);
    engine.send("quit");
    ASSERT_EQ(engine.waitExit(), 0);
    ASSERT_TRUE(engine.fileExists("blancas.obk"));
    std::filesystem::remove_all(engine.directory + "/Logs");
    std::filesystem::remove(engine.directory + "/process.out");
}

// Each game's log is well-formed HTML with one diagram and FEN per engine move.
void checkLogs(const EngineProcess& engine, int games) {
    int logs = 0;
    bool openedWithE4 = false;
    for (const auto& entry : std::filesystem::directory_iterator(engine.directory + "/Logs")) {
        std::string name = "Logs/" + entry.path().filename().string();
        std::string html = engine.readFile(name);
        int moves = countOf(html, "\nmove ");
        if (moves == 0) continue; // a log opened after the last game, before quit
        logs++;
        EXPECT_EQ(htmlProblem(html), "") << name;
        EXPECT_EQ(countOf(html, "<span class=\"fen\">Fen: "), moves) << name;
        EXPECT_EQ(countOf(html, "<table border=0 cellspacing=0 cellpadding=0>"), moves) << name;
        if (html.find(FenAfterE4) != std::string::npos) openedWithE4 = true;
    }
    EXPECT_EQ(logs, games);
    EXPECT_TRUE(openedWithE4);
}

TEST(XboardMatch, DepthLimitedGamesEndByTheRules) {
    EngineProcess engine;
    ASSERT_NO_FATAL_FAILURE(prepareDirectory(engine));
    EXPECT_EQ(runMatch(engine.directory, 4, "-depth 4 -mps 40 -tc 0:20"), 0);
    checkLogs(engine, 4);
}

TEST(XboardMatch, GamesAtATimeControlEndByTheRules) {
    EngineProcess engine;
    ASSERT_NO_FATAL_FAILURE(prepareDirectory(engine));
    EXPECT_EQ(runMatch(engine.directory, 2, "-mps 40 -tc 0:20"), 0);
    checkLogs(engine, 2);
}

TEST(XboardMatch, HtmlCheckerFindsBrokenNesting) {
    EXPECT_EQ(htmlProblem("<html><body><pre><b>x</b></pre></body></html>"), "");
    EXPECT_NE(htmlProblem("<html><body><pre><b>x</pre></b></body></html>"), "");
    EXPECT_NE(htmlProblem("<html><body>"), "");
    EXPECT_NE(htmlProblem("<b>x</b>"), "");
}

} // namespace
