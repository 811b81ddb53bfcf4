// The engine under faults from outside: pipes that close, folders it cannot write, damaged state,
// configuration and book files, absurd table sizes, a full game record, an impossible position.
// Each run must keep answering, end with status 0, print no sanitizer report, and leave its
// files either whole or untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/book_test_support.h"
#include "support/engine_run.h"
#include "support/temp_directory.h"

namespace {

std::string fileText(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0;
}

bool exitedCleanly(int status) {
    return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// No sanitizer or crash report on the engine's standard error.
void expectQuietStderr() {
    const std::string errors = fileText("stderr.txt");
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
}

// "process.out" is absent or exactly two numbers, never a half-written file.
void expectProcessOutWhole(const std::string& name = "process.out") {
    if (!exists(name)) return;
    const std::string text = fileText(name);
    int number = 0, used = 0;
    long seconds = 0;
    const int fields = std::sscanf(text.c_str(), "%d %ld%n", &number, &seconds, &used);
    EXPECT_EQ(fields, 2) << "'" << text << "'";
    // Nothing but a line end may follow the two numbers.
    EXPECT_TRUE(text.substr(fields == 2 ? used : 0).find_first_not_of("\n") == std::string::npos)
        << "'" << text << "'";
}

// Asks the engine to quit: it must end with status 0 and no report.
void quitCleanly(EngineRun& engine) {
    engine.send("quit\n");
    EXPECT_TRUE(exitedCleanly(engine.waitExit())) << engine.transcript;
    expectQuietStderr();
}

// Plays one quick move in the xboard protocol, checks the engine still answers, quits.
void playOneMoveAndQuit(EngineRun& engine, const std::string& before = "") {
    ASSERT_TRUE(engine.started());
    engine.send("xboard\nprotover 2\nnew\n" + before + "sd 2\ngo\n");
    EXPECT_TRUE(engine.waitFor("move ")) << engine.transcript;
    engine.send("ping 17\n");
    EXPECT_TRUE(engine.waitFor("pong 17")) << engine.transcript;
    quitCleanly(engine);
}

// Whether a private mount namespace with read-only binds can be made here.
bool canMountReadOnly() {
    return std::system("unshare -m sh -c 'mount --bind -o ro . .' 2>/dev/null") == 0;
}

// Whether a private mount namespace can hold a small memory file system here.
bool canMountSmallDisk() {
    return std::system("unshare -m sh -c 'mount -t tmpfs -o size=64k tmpfs .' 2>/dev/null") == 0;
}

// Starts the engine on a 256 KB disk of its own holding copies of this folder's configuration,
// "process.out" and books, filled up but for spareKb; when the engine ends, what the disk holds
// is copied to "after/" (the disk itself goes with the namespace).
std::string smallDiskPrefix(int spareKb) {
    return "rm -rf after && mkdir -p disk && mount -t tmpfs -o size=256k tmpfs disk && "
           "cp Morvane.cfg process.out blancas.obk negras.obk disk/ && cd disk && "
           "{ dd if=/dev/zero of=filler bs=1k 2>/dev/null; truncate -s -" +
           std::to_string(spareKb) +
           "k filler; } && sh -c '\"$1\"; status=$?; rm -f filler; cp -a . ../after; exit $status'";
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(MORVANE_BINARY, X_OK) != 0) GTEST_SKIP() << "no engine at " MORVANE_BINARY;
    }
    TempDirectory folder;
};

} // namespace

TEST_F(Faults, StandardInputClosedMidSearch) {
    writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
    EngineRun engine;
    engine.send("xboard\nnew\nlevel 0 5 0\npost\ngo\n");
    // A five-minute game: its first move is still being searched a second later.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    engine.closeInput();
    EXPECT_TRUE(exitedCleanly(engine.waitExit())) << engine.transcript;
    expectQuietStderr();
    expectProcessOutWhole();
    EXPECT_TRUE(exists("process.out"));
}

TEST_F(Faults, InterfaceClosesItsEndOfTheOutputPipe) {
    EngineRun engine;
    engine.send("xboard\nnew\nlevel 0 5 0\npost\ngo\n");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    engine.closeOutput();
    // The next writes fail: the engine must end as at end of input, not die of the signal.
    engine.send("ping 1\n");
    const int status = engine.waitExit(30000);
    EXPECT_TRUE(exitedCleanly(status)) << "wait status " << status;
    expectQuietStderr();
}

TEST_F(Faults, LogsFolderCannotBeCreated) {
    writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
    writeFile("Logs", "a file where the folder should be\n");
    EngineRun engine;
    playOneMoveAndQuit(engine);
    EXPECT_EQ(fileText("Logs"), "a file where the folder should be\n");
    expectProcessOutWhole();
}

TEST_F(Faults, LogsFolderReadOnly) {
    if (!canMountReadOnly()) GTEST_SKIP() << "no private mount namespace here: cannot make Logs read-only for root";
    writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
    mkdir("Logs", 0777);
    EngineRun engine("mount --bind -o ro Logs Logs &&");
    playOneMoveAndQuit(engine);
    expectProcessOutWhole();
}

TEST_F(Faults, CurrentFolderReadOnly) {
    if (!canMountReadOnly()) GTEST_SKIP() << "no private mount namespace here: cannot make the folder read-only for root";
    writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
    writeFile("process.out", "3 100\n");
    EngineRun engine("mount --bind -o ro . . && cd \"$PWD\" &&");
    playOneMoveAndQuit(engine);
    EXPECT_EQ(fileText("process.out"), "3 100\n");
    EXPECT_FALSE(exists("Logs"));
}

TEST_F(Faults, DamagedEmptyOrBinaryStateAndConfigurationFiles) {
    const std::string contents[] = {
        "",
        std::string("\0\xff\x13\x80garbage\0\n\n", 14),
        "99999999999999999999 -99999999999999999999\n",
        "7",
        std::string(5000, 'x'),
        "[Preferences]\nHash Size=100000\nPHash Size=-5\nTB Cache=-5\nLog File=1\nNoise=-200\n"
        "Draw=x y\nResign Value=\nBook Mode=" + std::string(300, 'N') + "\nTB Path=" +
            std::string(1000, 'p') + "\n",
    };
    for (const std::string& damaged : contents) {
        SCOPED_TRACE(damaged.substr(0, 40));
        writeFile("process.out", damaged);
        writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
        {
            EngineRun engine;
            playOneMoveAndQuit(engine);
        }
        expectProcessOutWhole();
        writeFile("Morvane.cfg", damaged);
        {
            EngineRun engine;
            playOneMoveAndQuit(engine);
        }
        expectProcessOutWhole();
    }
}

TEST_F(Faults, ConfiguredTablebaseCacheIsHeldToTheCommandsRange) {
    // The configuration asks for about 100 GB: the engine takes the largest cache the tbcache
    // command allows, as it says in its start-up report, and plays.
    writeFile("Morvane.cfg", "[Preferences]\nTB Cache=100000\nLog File=1\n");
    EngineRun engine;
    EXPECT_TRUE(engine.waitFor("EGTb cache memory = 256 Mb")) << engine.transcript;
    playOneMoveAndQuit(engine);
    EXPECT_EQ(engine.transcript.find("Could not"), std::string::npos) << engine.transcript;
    expectQuietStderr();
    expectProcessOutWhole();
}

TEST_F(Faults, EmptyTruncatedOrForeignBookFiles) {
    // A real book of each colour, then damaged copies; the engine plays from the initial
    // position (White's book) and as Black (Black's book), and learns from a result.
    const std::string pgn = std::string(MORVANE_DATA_DIR) + "/pgn/London1851.pgn";
    ASSERT_GT(buildBookQuietly(pgn, "blancas.obk").uniques, 0);
    ASSERT_GT(buildBookQuietly(pgn, "negras.obk").uniques, 0);
    const std::string whole[2] = {fileText("blancas.obk"), fileText("negras.obk")};
    const size_t records[2] = {readWholeBook("blancas.obk").size(),
                               readWholeBook("negras.obk").size()};

    // The sound books survive a game with learning and still hold every record.
    {
        EngineRun engine;
        playOneMoveAndQuit(engine, "");
    }
    {
        EngineRun engine;
        playOneMoveAndQuit(engine, "e2e4\nresult 1-0 {White wins}\nnew\ne2e4\n");
    }
    EXPECT_EQ(readWholeBook("blancas.obk").size(), records[0]);
    EXPECT_EQ(readWholeBook("negras.obk").size(), records[1]);

    const std::string damaged[] = {
        "",
        whole[0].substr(0, whole[0].size() / 2),
        whole[0].substr(0, 100),
        "[Event \"not a book\"]\n1. e4 e5 1-0\n",
        std::string(whole[0].size(), '\xff'),
    };
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        writeFile("blancas.obk", bytes);
        writeFile("negras.obk", bytes);
        EngineRun engine;
        playOneMoveAndQuit(engine, "e2e4\nresult 0-1 {Black wins}\nnew\n");
        // A file that is not a sound book is never written to.
        EXPECT_EQ(fileText("blancas.obk"), bytes);
        EXPECT_EQ(fileText("negras.obk"), bytes);
    }
}

TEST_F(Faults, AbsurdTableSizes) {
    EngineRun engine;
    playOneMoveAndQuit(engine, "hash 100000\nhash -5\ntbcache 100000\ntbcache -5\nhash 0\n");
}

TEST_F(Faults, GameRecordBound) {
    // Knights out and back, far past the record's 600 entries, in force mode.
    std::string moves = "force\n";
    for (int i = 0; i < 200; i++) moves += "g1f3\ng8f6\nf3g1\nf6g8\n";
    EngineRun engine;
    playOneMoveAndQuit(engine, moves + "undo\nremove\nundo\n");
    EngineRun late;
    playOneMoveAndQuit(late, "setboard r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 9999\n");
}

TEST_F(Faults, SideNotToMoveInCheck) {
    // White to move while Black's king stands in check from the rook.
    EngineRun engine;
    ASSERT_TRUE(engine.started());
    engine.send("xboard\nnew\nsetboard 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\nsd 3\ngo\nping 5\n");
    EXPECT_TRUE(engine.waitFor("pong 5")) << engine.transcript;
    engine.send("uci\nposition fen 4k3/8/8/8/8/8/4R3/4K3 w - - 0 1\ngo depth 3\nisready\n");
    EXPECT_TRUE(engine.waitFor("readyok")) << engine.transcript;
    quitCleanly(engine);
}

TEST_F(Faults, FullDisk) {
    if (!canMountSmallDisk()) GTEST_SKIP() << "no private mount namespace here: cannot make a small disk";
    const std::string pgn = std::string(MORVANE_DATA_DIR) + "/pgn/";
    ASSERT_GT(buildBookQuietly(pgn + "London1851.pgn", "blancas.obk").uniques, 0);
    ASSERT_GT(buildBookQuietly(pgn + "London1851.pgn", "negras.obk").uniques, 0);
    const std::string blackBook = fileText("negras.obk");
    const size_t whiteRecords = readWholeBook("blancas.obk").size();
    writeFile("Morvane.cfg", "[Preferences]\nLog File=1\n");
    writeFile("process.out", "3 " + std::to_string(time(nullptr)) + "\n");

    // The engine plays from the book, learns from a result and plays again, then rebuilds Black's
    // book from a larger collection, which cannot fit. With the least room the new book cannot
    // even be created (the engine ends, status 1, as for any book it cannot open); with more,
    // its records cannot all be written: the engine says so and goes on.
    int writeFailures = 0;
    for (int spareKb : {8, 20, 28}) {
        SCOPED_TRACE("spare KB " + std::to_string(spareKb));
        EngineRun engine(smallDiskPrefix(spareKb));
        ASSERT_TRUE(engine.started());
        engine.send("xboard\nprotover 2\nnew\nsd 2\ngo\n");
        EXPECT_TRUE(engine.waitFor("move ")) << engine.transcript;
        engine.send("result 1-0 {adjudicated}\nnew\nsd 2\ngo\nping 3\n");
        EXPECT_TRUE(engine.waitFor("pong 3")) << engine.transcript;
        engine.send("book " + pgn + "Capablanca.pgn negras.obk\nping 4\nquit\n");
        const int status = engine.waitExit(60000);
        ASSERT_TRUE(status >= 0 && WIFEXITED(status)) << engine.transcript;
        if (WEXITSTATUS(status) == 0) {
            EXPECT_TRUE(engine.waitFor("Error writing book: the previous book is kept.\n")) << engine.transcript;
            EXPECT_TRUE(engine.waitFor("pong 4")) << engine.transcript;
            EXPECT_EQ(engine.transcript.find("Done"), std::string::npos) << engine.transcript;
            writeFailures++;
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 1);
            EXPECT_TRUE(engine.waitFor("Error opening book.\n")) << engine.transcript;
        }
        expectQuietStderr();
        // Nothing lost, nothing half-written: the books as they were (learning changes only
        // scores), "process.out" whole, every log finished, no temporary file left.
        EXPECT_TRUE(fileText("after/negras.obk") == blackBook) << "Black's book changed";
        EXPECT_EQ(readWholeBook("after/blancas.obk").size(), whiteRecords);
        expectProcessOutWhole("after/process.out");
        EXPECT_FALSE(exists("after/process.out.new"));
        EXPECT_FALSE(exists("after/negras.obk.new"));
        for (int number = 1; number < 10; number++) {
            char name[32];
            std::snprintf(name, sizeof name, "after/Logs/Log%03d.htm", number);
            if (!exists(name)) continue;
            const std::string log = fileText(name);
            EXPECT_GE(log.size(), 1024u) << name;
            EXPECT_NE(log.find("</html>", log.size() > 16 ? log.size() - 16 : 0), std::string::npos) << name;
        }
    }
    EXPECT_GT(writeFailures, 0) << "no run reached the writing of the book";
}
