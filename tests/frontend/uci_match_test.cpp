// A real interface: a headless xboard plays a match with the engine run as a UCI engine through
// the polyglot adapter, against phalanx. Every game must end by a rule of chess; an illegal
// move (polyglot resigns for an engine that sends one), a forfeit or a dead engine fails.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Runs a shell command; its exit status and everything it printed.
int run(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, got);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(UciMatch, FourGamesThroughPolyglotEndByTheRules) {
    std::string missing;
    for (const char* tool : {"polyglot", "phalanx"})
        if (run(std::string("PATH=$PATH:/usr/games command -v ") + tool, &missing) != 0)
            FAIL() << tool << " is not installed (make deps installs it)";
    char pattern[] = "/tmp/morvane_uci_match_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string work = pattern;
    // A depth limit keeps the engine's moves quick; the clock still runs for both sides (phalanx
    // ignores the depth, and a loaded machine must not make it lose on time), and xboard ends
    // drawn games by the fifty-move rule and threefold repetition itself.
    std::string output;
    int status = run(std::string("sh ") + MORVANE_SOURCE_DIR + "/scripts/xboard_match.sh " +
                         MORVANE_BINARY + " " + work +
                         " 4 -fUCI -scp phalanx -depth 5 -mps 40 -tc 0:30 -ruleMoves 50"
                         " -repeatsToDraw 3 -testClaims true",
                     &output);
    EXPECT_EQ(status, 0) << output << "(games and the xboard trace are kept in " << work << ")";
    std::error_code ignored;
    if (status == 0) std::filesystem::remove_all(work, ignored);
}

} // namespace
