// The engine's side of tablebase access, checked against a fake reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "support/temp_directory.h"
#include "tablebases/tablebase_reader.h"
#include "tablebases/tablebases.h"

namespace {

// What the fake reader saw and what it answers.
struct FakeState {
    int tableId = 7;
    int available = 1;
    int value = 0;
    long bytesUsed = 0;
    int cacheAccepted = 1;
    int identifyCalls = 0;
    int counts[10] = {};
    int side = -1;
    int epArgument = -1;
    int exchanged = -1;
    int probedId = 0;
    TbPieceList first{};
    TbPieceList second{};
} fake;

const TablebaseReader fakeReader = {
    [](const char*) { return 5; },
    [](void*, long) { return fake.cacheAccepted; },
    []() { return fake.bytesUsed; },
    [](const int counts[10]) {
        fake.identifyCalls++;
        memcpy(fake.counts, counts, sizeof fake.counts);
        return fake.tableId;
    },
    [](int, int side) {
        fake.side = side;
        return fake.available;
    },
    [](int, int, int epArgument, int exchanged) -> TbIndexFunction {
        fake.epArgument = epArgument;
        fake.exchanged = exchanged;
        return [](const TbPieceList* first, const TbPieceList* second) -> uint64_t {
            fake.first = *first;
            fake.second = *second;
            return 4242;
        };
    },
    [](int id, int, uint64_t index) {
        fake.probedId = id;
        return index == 4242 ? fake.value : 0;
    },
};

class Tablebases : public ::testing::Test {
protected:
    void SetUp() override {
        fake = FakeState();
        tablebaseReader = &fakeReader;
        memset(board.squares, 0, sizeof board.squares);
        board.sideToMove = White;
        board.epSquare = 0;
        board.historyIndex = 1;
        tbHits = 0;
    }
    void TearDown() override {
        tablebaseReader = &fileTablebaseReader;
        directory.restoreStdout();
    }
    static void place(int code, int square) {
        board.squares[square] = code;
        if (code == WhiteKing) board.whiteKingSq = square;
        if (code == BlackKing) board.blackKingSq = square;
    }
    static std::vector<int> entries(const TbPieceList& list) {
        std::vector<int> out;
        for (int i = 0; i < list.count; i++) {
            out.push_back(list.types[i]);
            out.push_back(list.squares[i]);
        }
        return out;
    }
    std::string printed() {
        directory.restoreStdout();
        return TempDirectory::read("stdout.txt");
    }
    TempDirectory directory;
};

} // namespace

TEST_F(Tablebases, KingAndQueenAgainstKing) {
    place(WhiteKing, E1);
    place(WhiteQueen, D1);
    place(BlackKing, E8);
    fake.value = 32766;
    EXPECT_EQ(ProbeTablebases(), 29998);
    const int expected[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(fake.counts, expected, sizeof expected), 0);
    EXPECT_EQ(fake.side, 0);
    EXPECT_EQ(fake.exchanged, 0);
    EXPECT_EQ(fake.epArgument, 128);
    EXPECT_EQ(fake.probedId, 7);
    EXPECT_EQ(entries(fake.first), (std::vector<int>{TbKing, E1, TbQueen, D1}));
    EXPECT_EQ(entries(fake.second), (std::vector<int>{TbKing, E8}));
    EXPECT_EQ(tbHits, 1u);
}

TEST_F(Tablebases, ColoursExchangedPutBlackFirst) {
    place(WhiteKing, A1);
    place(BlackKing, H8);
    place(BlackQueen, B7);
    place(BlackPawn, C7);
    place(WhiteBishop, H1);
    fake.tableId = -3;
    board.sideToMove = White;
    board.epSquare = E3;
    fake.value = -1;
    board.historyIndex = 4;
    EXPECT_EQ(ProbeTablebases(), -2 + 4 + 35532);
    const int expected[10] = {0, 0, 1, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(memcmp(fake.counts, expected, sizeof expected), 0);
    EXPECT_EQ(fake.side, 1) << "White to move is the table's second side";
    EXPECT_EQ(fake.exchanged, 1);
    EXPECT_EQ(fake.epArgument, E3);
    EXPECT_EQ(fake.probedId, 3);
    EXPECT_EQ(entries(fake.first), (std::vector<int>{TbKing, H8, TbQueen, B7, TbPawn, C7}));
    EXPECT_EQ(entries(fake.second), (std::vector<int>{TbKing, A1, TbBishop, H1}));
}

TEST_F(Tablebases, ScoresFollowTheMateScale) {
    place(WhiteKing, E1);
    place(WhiteRook, A1);
    place(BlackKing, E8);
    struct Case {
        int value, ply, score;
    } cases[] = {{32766, 1, 29998}, {32765, 1, 29996}, {32766, 3, 29996},
                 {-32766, 2, -29998}, {-32765, 1, -29997}, {0, 9, 0}};
    for (const Case& c : cases) {
        fake.value = c.value;
        board.historyIndex = c.ply;
        EXPECT_EQ(ProbeTablebases(), c.score) << c.value << " at ply " << c.ply;
    }
    EXPECT_EQ(tbHits, 6u);
    board.sideToMove = Black;
    ProbeTablebases();
    EXPECT_EQ(fake.side, 1);
}

TEST_F(Tablebases, NoInformationCases) {
    place(WhiteKing, E1);
    place(WhiteRook, A1);
    place(BlackKing, E8);
    fake.value = TbNoValue;
    EXPECT_EQ(ProbeTablebases(), 30000);
    fake.value = 5;
    fake.available = 0;
    EXPECT_EQ(ProbeTablebases(), 30000);
    fake.available = 1;
    fake.tableId = 0;
    EXPECT_EQ(ProbeTablebases(), 30000);
    EXPECT_EQ(tbHits, 0u);
    // King, rook and two pawns on one side: never probed, and no list overrun whatever the count.
    fake.tableId = 7;
    place(WhitePawn, A2);
    place(WhitePawn, B2);
    for (int square = A3; square <= H6; square++) place(WhitePawn, square);
    fake.identifyCalls = 0;
    EXPECT_EQ(ProbeTablebases(), 30000);
    EXPECT_EQ(fake.identifyCalls, 0);
}

TEST_F(Tablebases, InitialisationReportsAndChecksTheCache) {
    tablebaseReader = &fileTablebaseReader;
    tbCacheBytes = 0;
    directory.captureStdout();
    InitTablebases(0);
    EXPECT_EQ(maxTbMen, 0);
    tbCacheBytes = 2 * 1048576;
    InitTablebases(1);
    EXPECT_NE(tbCache, nullptr);
    InitTablebases(2);
    tbCacheBytes = -5; // a negative size means no cache
    InitTablebases(0);
    EXPECT_EQ(tbCacheBytes, 0);
    EXPECT_EQ(tbCache, nullptr);
    tablebaseReader = &fakeReader;
    fake.bytesUsed = 1025;
    InitTablebases(2);
    EXPECT_EQ(maxTbMen, 5);
    EXPECT_EQ(printed(),
              "EGTb cache memory = 0 Mb (0 pieces endgame tablebases found)\n"
              "0 kb of ram used for Tb indices and decompression tables.\n"
              "EGTb cache memory = 2 Mb\n"
              " (0 pieces endgame tablebases found)\n"
              "0 kb of ram used for Tb indices and decompression tables.\n"
              "EGTb cache memory = 0 Mb (0 pieces endgame tablebases found)\n"
              "0 kb of ram used for Tb indices and decompression tables.\n"
              " (5 pieces endgame tablebases found)\n"
              "2 kb of ram used for Tb indices and decompression tables.\n");
}

TEST_F(Tablebases, RefusedCacheEndsTheProcess) {
    fake.cacheAccepted = 0;
    tbCacheBytes = 1048576;
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), InitTablebases(0)), ::testing::ExitedWithCode(1),
                "Could not enable EGTb buffer.");
    // A refused cache of size 0 is no failure: the process goes on.
    tbCacheBytes = 0;
    InitTablebases(2);
    EXPECT_EQ(maxTbMen, 5);
}
