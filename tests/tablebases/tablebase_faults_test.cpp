// Bad table directories and files: missing, overlong, unrelated, empty, truncated, damaged. The
// reader never crashes, never registers a file the library would read out of bounds, and never
// answers a value other than the right one or "no information". Also the library's own state
// across run-time changes of the path and the cache.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_directory.h"
#include "tablebases/gaviota_backend.h"
#include "tablebases/tablebase_support.h"

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A copy of Debian's set in directory name of the current (temporary) directory.
fs::path copyTables(const std::string& name) {
    fs::path target = fs::current_path() / name;
    fs::create_directories(target);
    for (const auto& entry : fs::directory_iterator(DebianTables))
        fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::overwrite_existing);
    return target;
}

// Every probe of one ending over a sample of positions, both sides, both colour orders: counts
// of right answers, of "no information", and of wrong values (which must never happen).
struct Tally {
    long right = 0, unknown = 0, wrong = 0;
};

Tally probeEnding(const RetrogradeSolver& solver, int manCode, int stride) {
    Tally tally;
    int k = 0;
    for (int wk = 0; wk < 64; wk++)
        for (int sq = 0; sq < 64; sq++)
            for (int bk = 0; bk < 64; bk++)
                for (int side = 0; side < 2; side++) {
                    int plies = solver.distance(side, wk, sq, bk);
                    if (plies == RetrogradeSolver::Illegal || k++ % stride != 0) continue;
                    bool flipped = k % 2 == 0;
                    if (!flipped)
                        placeMen({{WhiteKing, wk}, {manCode, sq}, {BlackKing, bk}}, side == 0 ? White : Black);
                    else
                        placeMen({{BlackKing, wk ^ 56}, {manCode + 1, sq ^ 56}, {WhiteKing, bk ^ 56}},
                                 side == 0 ? Black : White);
                    board.historyIndex = 0;
                    int got = ProbeTablebases();
                    int expected = plies == RetrogradeSolver::Draw ? 0
                                   : plies % 2 == 1            ? 30000 - plies
                                                               : plies - 30000;
                    if (got == 30000) tally.unknown++;
                    else if (got == expected) tally.right++;
                    else tally.wrong++;
                }
    return tally;
}

class TablebaseFaults : public ::testing::Test {
protected:
    void SetUp() override { tbCacheBytes = 0; }
    void TearDown() override { useTablePath(""); }
    TempDirectory directory;
};

} // namespace

// Directories that do not exist, empty entries, blanks, a relative entry, the separators mixed.
TEST_F(TablebaseFaults, PathListsAndMissingDirectories) {
    useTablePath("/no/such/directory");
    EXPECT_EQ(maxTbMen, 0);
    useTablePath(";;, ,\t;");
    EXPECT_EQ(maxTbMen, 0);
    copyTables("relative tables");
    useTablePath("/no/such/directory; relative tables ,");
    EXPECT_EQ(maxTbMen, 3);
    placeMen({{WhiteKing, C6}, {WhiteQueen, B1}, {BlackKing, A8}}, White);
    board.historyIndex = 1;
    EXPECT_EQ(ProbeTablebases(), 29998);
    // Taken relative to the directory the engine runs in, not to the one it started in.
    fs::create_directories("elsewhere");
    ASSERT_EQ(chdir("elsewhere"), 0);
    useTablePath("relative tables");
    EXPECT_EQ(maxTbMen, 0);
    ASSERT_EQ(chdir(".."), 0);
}

// An overlong list keeps its whole entries and leaves out the one it would cut.
TEST_F(TablebaseFaults, OverlongPathKeepsOnlyWholeEntries) {
    std::string good = DebianTables;
    std::string list = good + ";" + std::string(300, 'x');
    SetTbPath(list.c_str(), list.size());
    EXPECT_EQ(std::string(tbPath), good);
    // Cut inside an entry whose beginning names a real directory: that entry is dropped.
    std::string padded = "/nowhere" + std::string(240, '/') + ";" + good + "-and-more";
    SetTbPath(padded.c_str(), padded.size());
    EXPECT_EQ(std::string(tbPath), "/nowhere" + std::string(240, '/'));
    // A separator right after the last character that fits keeps everything before it.
    std::string exact = std::string(255, '/') + ";" + good;
    SetTbPath(exact.c_str(), exact.size());
    EXPECT_EQ(std::string(tbPath), std::string(255, '/'));
    std::string single(400, 'y');
    SetTbPath(single.c_str(), single.size());
    EXPECT_EQ(std::string(tbPath), "");
    directory.captureStdout();
    InitTablebases(2);
    directory.restoreStdout();
    EXPECT_EQ(maxTbMen, 0);
}

// Files that only look like tables: wrong names, a directory, random text, empty and truncated
// files, headers with broken offsets. None is registered; none crashes the library.
TEST_F(TablebaseFaults, UnrelatedEmptyTruncatedAndBrokenFilesAreNotRegistered) {
    const std::string queen = readBytes(fs::path(DebianTables) / "kqk.gtb.cp4");
    ASSERT_GT(queen.size(), 1000u);
    fs::create_directories("junk/krk.gtb.cp4");
    writeBytes("junk/README", "not a table\n");
    writeBytes("junk/kxk.gtb.cp4", queen);
    writeBytes("junk/k.gtb.cp4", queen);
    writeBytes("junk/kqkqkqk.gtb.cp4", queen);
    writeBytes("junk/kqk.gtb.cp3", queen);
    writeBytes("junk/kqk.gtb.cp4", std::string(5000, 'z'));
    writeBytes("junk/kpk.gtb.cp4", "");
    writeBytes("junk/knk.gtb.cp4", queen.substr(0, 30));
    writeBytes("junk/kbk.gtb.cp4", queen.substr(0, queen.size() - 1));
    useTablePath("junk");
    EXPECT_EQ(maxTbMen, 0);
    placeMen({{WhiteKing, C6}, {WhiteQueen, B1}, {BlackKing, A8}}, White);
    EXPECT_EQ(ProbeTablebases(), 30000);

    // The header and its offsets, bit by bit: each broken copy is refused, or else every probe
    // of the table is right or unknown.
    fs::create_directories("broken");
    for (size_t at : {0u, 8u, 16u, 32u, 33u, 34u, 35u, 36u, 40u, 41u, 43u, 44u, 47u, 52u, 56u})
        for (int bit : {0, 7}) {
            std::string broken = queen;
            broken[at] = static_cast<char>(broken[at] ^ (1 << bit));
            writeBytes("broken/kqk.gtb.cp4", broken);
            useTablePath("broken");
            Tally tally = probeEnding(solvedEndings().queen, WhiteQueen, 41);
            EXPECT_EQ(tally.wrong, 0) << "byte " << at << " bit " << bit;
        }
    for (size_t length : {44ul, 60ul, queen.size() / 2, queen.size() - 4}) {
        writeBytes("cut", queen.substr(0, length));
        EXPECT_FALSE(gaviotaFileIsSound("cut")) << length;
    }
    EXPECT_TRUE(gaviotaFileIsSound((fs::path(DebianTables) / "kpk.gtb.cp4").c_str()));
}

// Damage inside the compressed blocks: the library reports the block as unreadable, and the
// reader answers "no information" there, never a wrong distance. A sound copy later in the list
// stands in for the damaged one.
TEST_F(TablebaseFaults, DamagedBlocksAreNeverTrusted) {
    fs::path damaged = copyTables("damaged");
    const struct {
        const char* file;
        const RetrogradeSolver* solver;
        int code;
    } endings[] = {{"kqk.gtb.cp4", &solvedEndings().queen, WhiteQueen},
                   {"krk.gtb.cp4", &solvedEndings().rook, WhiteRook},
                   {"kpk.gtb.cp4", &solvedEndings().pawn, WhitePawn}};
    uint32_t seed = 12345;
    for (const auto& ending : endings) {
        std::string bytes = readBytes(damaged / ending.file);
        for (int flips = 0; flips < 12; flips++) {
            seed = seed * 1103515245 + 12345;
            size_t at = 200 + (seed >> 8) % (bytes.size() - 200);
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (seed >> 4) % 8));
        }
        writeBytes(damaged / ending.file, bytes);
    }
    useTablePath("damaged");
    EXPECT_EQ(maxTbMen, 3);
    long unknown = 0;
    for (const auto& ending : endings) {
        Tally tally = probeEnding(*ending.solver, ending.code, 7);
        EXPECT_EQ(tally.wrong, 0) << ending.file;
        unknown += tally.unknown;
    }
    EXPECT_GT(unknown, 0) << "the damage reached no block";

    copyTables("sound");
    fs::remove(damaged / "krk.gtb.cp4");
    writeBytes(damaged / "krk.gtb.cp4", "");
    useTablePath("damaged;sound");
    Tally rook = probeEnding(solvedEndings().rook, WhiteRook, 7);
    EXPECT_EQ(rook.unknown, 0);
    EXPECT_EQ(rook.wrong, 0);
}

// The library keeps state across a change of path and of cache: a table gone from the path is
// not answered from the cache, a table back on it is read again, and the cache can shrink to
// nothing and grow again without a wrong or lost value.
TEST_F(TablebaseFaults, PathAndCacheChangesAtRunTime) {
    fs::create_directories("empty");
    placeMen({{WhiteKing, E1}, {WhiteRook, A1}, {BlackKing, E8}}, White);
    board.historyIndex = 0;
    useTablePath("empty");
    EXPECT_EQ(ProbeTablebases(), 30000); // probed before any table: must not stick
    useTablePath(DebianTables);
    const int known = ProbeTablebases();
    EXPECT_LT(known, 30000);
    EXPECT_GT(known, 29800);
    useTablePath("empty");
    EXPECT_EQ(maxTbMen, 0);
    EXPECT_EQ(ProbeTablebases(), 30000);
    useTablePath(DebianTables);
    EXPECT_EQ(ProbeTablebases(), known);
    for (long megabytes : {2L, 0L, 16L, 0L}) {
        tbCacheBytes = megabytes * 1048576;
        fflush(stdout);
        directory.captureStdout();
        InitTablebases(1);
        directory.restoreStdout();
        EXPECT_EQ(ProbeTablebases(), known) << megabytes;
    }
    Tally tally = probeEnding(solvedEndings().rook, WhiteRook, 13);
    EXPECT_EQ(tally.right, tally.right + tally.unknown + tally.wrong);
}

// The reader keeps its links to the table files in /tmp/morvane_tb_<process id>_*, removed at
// exit; a forked child that exits (a death test here) must leave its parent's links in place.
TEST_F(TablebaseFaults, ForkedChildLeavesItsParentsLinks) {
    useTablePath(DebianTables);
    const std::string prefix = "morvane_tb_" + std::to_string(getpid()) + "_";
    auto links = [&] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/tmp"))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                for (const auto& link : fs::directory_iterator(entry.path())) count += link.is_symlink();
        return count;
    };
    ASSERT_EQ(links(), 5);
    EXPECT_EXIT(std::exit(0), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(links(), 5);
}
