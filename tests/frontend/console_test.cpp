// A person at the console: the engine in a real terminal (tmux), typed at and read back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/engine_process.h"

namespace {

// A tmux server of our own, with one session running the engine in a fresh directory.
class Terminal {
public:
    explicit Terminal(const std::string& directory)
        : socket("morvane_console_" + std::to_string(getpid())) {
        run("new-session -d -s play -x 100 -y 60 -c " + directory + " " + MORVANE_BINARY);
    }
    ~Terminal() { run("kill-server"); }

    // The visible screen; with colours, the escape sequences tmux reports for the cells.
    std::string screen(bool colours) {
        return run(std::string("capture-pane -p -J ") + (colours ? "-e " : "") + "-S -60 -t play");
    }
    void type(const std::string& keys) { run("send-keys -t play '" + keys + "' Enter"); }

    // Waits until the screen shows text; false after timeoutMs.
    bool waitFor(const std::string& text, int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (screen(false).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

private:
    std::string run(const std::string& arguments) {
        std::string command = "tmux -L " + socket + " " + arguments + " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return "";
        std::string text;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        pclose(pipe);
        return text;
    }
    std::string socket;
};

TEST(Console, PromptsDrawsTheColouredBoardAndAnswersAMove) {
    EngineProcess directory; // only its fresh directory is used
    Terminal terminal(directory.directory);
    ASSERT_TRUE(terminal.waitFor("white(1): ", 20000)) << terminal.screen(false);
    std::string text = terminal.screen(false);
    // White to move: rank 8 on top, files a to h.
    EXPECT_NE(text.find("8  r n b q k b n r"), std::string::npos) << text;
    EXPECT_NE(text.find("1  R N B Q K B N R"), std::string::npos) << text;
    EXPECT_NE(text.find("  a b c d e f g h"), std::string::npos) << text;
    // Light squares black on bright white, dark ones black on bright green.
    std::string colours = terminal.screen(true);
    EXPECT_NE(colours.find("107m"), std::string::npos) << colours;
    EXPECT_NE(colours.find("102m"), std::string::npos) << colours;

    terminal.type("st 1");
    terminal.type("e2e4");
    // Black to move after e2e4: the board turns, rank 1 on top read from h1 to a1.
    ASSERT_TRUE(terminal.waitFor("white(2): ", 30000)) << terminal.screen(false);
    text = terminal.screen(false);
    EXPECT_NE(text.find("1  R N B K Q B N R"), std::string::npos) << text;
    EXPECT_NE(text.find("  h g f e d c b a"), std::string::npos) << text;
    EXPECT_NE(text.find("Hint: "), std::string::npos) << text;
    terminal.type("quit");
}

} // namespace
