// The HTML game log and "process.out", run in a fresh temporary directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>

#include "board/board.h"
#include "frontend/command_line.h"
#include "frontend/output.h"
#include "support/stdin_pipe.h"
#include "support/temp_directory.h"

namespace {

const char* const Header =
    "<html>\n<head><base href = \"/engine/\">\n<title>Logs/Log001.htm</title>\n<style>\n"
    "body {background: white}\npre {font-family:\"Monospaced\"}\n"
    ".fen {font-family:\"Courier New\"}\n.in {font-family:\"Courier New\"; color: red}\n"
    "</style>\n</head>\n<body>\n<pre><b>\n";
const char* const Trailer = "</b></pre>\n</body>\n</html>\n";

class Log : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(directory.path.empty());
        mkdir("Logs", 0777);
        directory.captureStdout();
        logEnabled = 1;
        logFile = nullptr;
        nextLogNumber = 1;
        outputClosed = false;
        snprintf(baseDirectory, sizeof baseDirectory, "/engine/");
    }
    void TearDown() override {
        if (logFile) fclose(logFile);
        logFile = nullptr;
        logEnabled = 0;
        nextLogNumber = 1;
        directory.restoreStdout();
    }
    // Enough output that the log survives the short-log deletion.
    static void fillLog() {
        for (int i = 0; i < 40; i++) Print("%2d. thinking line of some length\n", i);
    }
    // One run of the engine: numbering from "process.out", a log, quit.
    static void run(bool longGame) {
        nextLogNumber = 1;
        ReadProcessOut();
        OpenLog();
        if (longGame) fillLog();
        CloseLog("");
        WriteProcessOut();
    }
    TempDirectory directory;
};

} // namespace

TEST_F(Log, HoldsHeaderMirroredOutputAndRedInputLines) {
    OpenLog();
    EXPECT_STREQ(logFileName, "Logs/Log001.htm");
    EXPECT_EQ(nextLogNumber, 2);
    Print("score %d <less> & \"more\"\n", 12);
    {
        StdinPipe input;
        input.send("usermove e2e4 <&>\n");
        char line[64];
        ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    }
    LogPrint("log only\n");
    fillLog();
    CloseLog("");
    std::string log = TempDirectory::read("Logs/Log001.htm");
    ASSERT_EQ(log.rfind(Header, 0), 0u) << log.substr(0, 400);
    std::string body = log.substr(std::string(Header).size());
    EXPECT_EQ(body.rfind("score 12 <less> & \"more\"\n"
                         "<span class=\"in\">usermove e2e4 <&></span>\n"
                         "log only\n 0. thinking", 0), 0u) << body.substr(0, 200);
    EXPECT_EQ(log.substr(log.size() - std::string(Trailer).size()), Trailer);
    directory.restoreStdout();
    std::string printed = TempDirectory::read("stdout.txt");
    EXPECT_EQ(printed.rfind("score 12 <less> & \"more\"\n 0. thinking", 0), 0u)
        << "input and log-only text never reach standard output";
}

TEST_F(Log, RunsLessThanADayApartNumberTheirLogsOnward) {
    run(true);
    EXPECT_TRUE(TempDirectory::exists("Logs/Log001.htm"));
    int number = 0;
    long stamp = 0;
    ASSERT_EQ(sscanf(TempDirectory::read("process.out").c_str(), "%d %ld", &number, &stamp), 2);
    EXPECT_EQ(number, 1);
    EXPECT_LE(labs(stamp - static_cast<long>(time(nullptr))), 5);
    run(true);
    EXPECT_TRUE(TempDirectory::exists("Logs/Log002.htm"));
    EXPECT_EQ(TempDirectory::read("process.out").rfind("2 ", 0), 0u);
}

TEST_F(Log, StaleOrDamagedProcessOutRestartsAtOne) {
    const char* contents[] = {"", "garbage\n", "-5 0\n", "7"};
    for (const char* text : contents) {
        FILE* file = fopen("process.out", "w");
        fputs(text, file);
        fclose(file);
        nextLogNumber = 1;
        ReadProcessOut();
        EXPECT_EQ(nextLogNumber, 1) << "process.out: " << text;
    }
    FILE* file = fopen("process.out", "w");
    fprintf(file, "9 %ld\r\n", static_cast<long>(time(nullptr)) - 86400);
    fclose(file);
    ReadProcessOut();
    EXPECT_EQ(nextLogNumber, 1) << "a day old";
    file = fopen("process.out", "w");
    fprintf(file, "9 %ld\r\n", static_cast<long>(time(nullptr)) - 86399);
    fclose(file);
    ReadProcessOut();
    EXPECT_EQ(nextLogNumber, 10);
}

TEST_F(Log, ShortLogIsDeletedAndItsNumberReused) {
    run(true);
    run(false);
    EXPECT_FALSE(TempDirectory::exists("Logs/Log002.htm"));
    EXPECT_EQ(TempDirectory::read("process.out").rfind("1 ", 0), 0u);
    run(true);
    EXPECT_TRUE(TempDirectory::exists("Logs/Log002.htm"));
    EXPECT_FALSE(TempDirectory::exists("Logs/Log003.htm"));
}

TEST_F(Log, LogThatCannotBeOpenedTurnsLoggingOff) {
    rmdir("Logs");
    nextLogNumber = 4;
    OpenLog();
    EXPECT_EQ(logFile, nullptr);
    EXPECT_EQ(logEnabled, 0);
    EXPECT_EQ(nextLogNumber, 4);
    Print("still printed\n");
    LogInputLine("line");
    CloseLog("");
    EXPECT_EQ(nextLogNumber, 4);
    directory.restoreStdout();
    EXPECT_EQ(TempDirectory::read("stdout.txt"), "still printed\n");
}

TEST_F(Log, UciRotationMovesTheInputLineIntoTheNewLog) {
    OpenLog();
    fillLog();
    LogInputLine("position startpos moves d2d4");
    RotateLogMovingInputLine("position startpos moves d2d4", "");
    fillLog();
    LogInputLine("ucinewgame");
    RotateLogMovingInputLine("ucinewgame", "              ");
    CloseLog("");
    std::string first = TempDirectory::read("Logs/Log001.htm");
    EXPECT_EQ(first.find("d2d4"), std::string::npos);
    size_t trailer = first.find(Trailer);
    ASSERT_NE(trailer, std::string::npos);
    EXPECT_EQ(first.find_first_not_of(' ', trailer + std::string(Trailer).size()), std::string::npos)
        << "only blanks may follow the trailer";
    std::string second = TempDirectory::read("Logs/Log002.htm");
    std::string secondBody = second.substr(second.find("<pre><b>\n") + 9);
    EXPECT_EQ(secondBody.rfind("<span class=\"in\">position startpos moves d2d4</span>\n 0. thinking", 0), 0u);
    EXPECT_EQ(second.find("ucinewgame"), std::string::npos);
    EXPECT_EQ(second.substr(second.size() - std::string(Trailer).size() - 14),
              std::string(Trailer) + "              ");
    // The third log holds only its header and the moved line: short, so deleted.
    EXPECT_FALSE(TempDirectory::exists("Logs/Log003.htm"));
    EXPECT_EQ(nextLogNumber, 3);
}

TEST_F(Log, RotationBlanksNothingWhenOutputFollowedTheLine) {
    OpenLog();
    fillLog();
    LogInputLine("ucinewgame");
    Print("readyok\n");
    RotateLogMovingInputLine("ucinewgame", "");
    std::string first = TempDirectory::read("Logs/Log001.htm");
    EXPECT_NE(first.find("<span class=\"in\">ucinewgame</span>\nreadyok\n</b></pre>"), std::string::npos);
}

TEST_F(Log, LongTextIsNeitherCutNorLost) {
    OpenLog();
    std::string text(20000, 'x');
    Print("%s|\n", text.c_str());
    CloseLog("");
    EXPECT_NE(TempDirectory::read("Logs/Log001.htm").find(text + "|\n"), std::string::npos);
    directory.restoreStdout();
    EXPECT_EQ(TempDirectory::read("stdout.txt"), text + "|\n");
}

TEST_F(Log, PrintSurvivesAClosedOutput) {
    directory.restoreStdout();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    auto previous = signal(SIGPIPE, SIG_IGN);
    int saved = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    close(ends[1]);
    OpenLog();
    Print("to nobody\n");
    bool closed = outputClosed;
    Print("still logged\n");
    dup2(saved, STDOUT_FILENO);
    close(saved);
    signal(SIGPIPE, previous);
    EXPECT_TRUE(closed);
    fillLog();
    CloseLog("");
    EXPECT_NE(TempDirectory::read("Logs/Log001.htm").find("to nobody\nstill logged\n"), std::string::npos);
}

TEST_F(Log, ResultLinesSitInTheFenSpan) {
    OpenLog();
    const int codes[] = {2, 3, 4, 5, 6, 6, 1, 7, 0};
    for (int i = 0; i < 9; i++) {
        board.sideToMove = i == 5 ? Black : White;
        PrintResult(codes[i]);
    }
    const char* lines =
        "0-1 {Black mates}\n\n1-0 {White mates}\n\n1/2-1/2 {Fifty move rule}\n\n"
        "1/2-1/2 {Draw by repetition}\n\n1-0 {Black resigns}\n\n0-1 {White resigns}\n\n"
        "1/2-1/2 {Draw}\n\n1/2-1/2 {Draw}\n\n1/2-1/2 {Draw}\n\n";
    fillLog();
    CloseLog("");
    directory.restoreStdout();
    EXPECT_EQ(TempDirectory::read("stdout.txt").rfind(lines, 0), 0u);
    std::string log = TempDirectory::read("Logs/Log001.htm");
    EXPECT_NE(log.find("<pre><b>\n<span class=\"fen\">\n0-1 {Black mates}\n\n</span>\n"
                       "<span class=\"fen\">\n1-0 {White mates}\n\n</span>\n"), std::string::npos);
    EXPECT_NE(log.find("<span class=\"fen\">\n0-1 {White resigns}\n\n</span>\n"), std::string::npos);
}

namespace {

// A log whose every write raises SIGTERM, as an interface that ends the engine at the worst
// moment: the signal must wait until the log operation is over (its handler closes the log).
int termSignals = 0;
int termSignalsDuringWrite = 0;
bool writing = false;

void countTermSignal(int) {
    termSignals++;
    if (writing) termSignalsDuringWrite++;
}

ssize_t writeRaisingTerm(void*, const char*, size_t size) {
    writing = true;
    kill(getpid(), SIGTERM);
    writing = false;
    return static_cast<ssize_t>(size);
}

TEST_F(Log, TerminationWaitsUntilTheLogOperationIsOver) {
    struct sigaction action {}, previous {};
    action.sa_handler = countTermSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, &previous);
    termSignals = termSignalsDuringWrite = 0;
    logFile = fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, writeRaisingTerm, nullptr, nullptr});
    ASSERT_NE(logFile, nullptr);
    setvbuf(logFile, nullptr, _IONBF, 0);
    Print("thinking line\n");
    LogPrint("<table>%d</table>\n", 1);
    LogInputLine("usermove e2e4");
    CloseLog("");
    sigaction(SIGTERM, &previous, nullptr);
    EXPECT_GE(termSignals, 4);
    EXPECT_EQ(termSignalsDuringWrite, 0);
    EXPECT_EQ(logFile, nullptr);
}

} // namespace
