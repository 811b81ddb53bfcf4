// The reader over Debian's 3-men tables, checked position by position against the test's own
// retrograde solver: every legal position of king and queen, king and rook, king and pawn
// against king, both sides to move, with the strong side White and again Black.
#include <gtest/gtest.h>

#include <string>

#include "tablebases/gaviota_backend.h"
#include "tablebases/tablebase_reader.h"
#include "tablebases/tablebase_support.h"

namespace {

// The score the search gives a position p plies from the root that is mated, or mates, after
// d more plies: the mate happens at ply p + d.
int expectedScore(int plies, int ply) {
    if (plies == RetrogradeSolver::Draw) return 0;
    return plies % 2 == 1 ? 30000 - (ply + plies) : (ply + plies) - 30000;
}

struct Mismatch {
    int count = 0;
    std::string first;
    void note(const std::string& what) {
        if (count++ == 0) first = what;
    }
};

// Compares ProbeTablebases with the solver over one ending; flipped puts the man with Black
// (board turned over, so that a pawn runs down the board).
void compareEnding(const RetrogradeSolver& solver, int manCode, bool flipped, Mismatch& out, long& probed) {
    const int ply = 3;
    for (int wk = 0; wk < 64; wk++)
        for (int sq = 0; sq < 64; sq++)
            for (int bk = 0; bk < 64; bk++)
                for (int side = 0; side < 2; side++) {
                    int plies = solver.distance(side, wk, sq, bk);
                    if (plies == RetrogradeSolver::Illegal) continue;
                    if (!flipped) {
                        placeMen({{WhiteKing, wk}, {manCode, sq}, {BlackKing, bk}}, side == 0 ? White : Black);
                    } else {
                        placeMen({{BlackKing, wk ^ 56}, {manCode + 1, sq ^ 56}, {WhiteKing, bk ^ 56}},
                                 side == 0 ? Black : White);
                    }
                    board.historyIndex = ply;
                    int got = ProbeTablebases();
                    probed++;
                    if (got != expectedScore(plies, ply))
                        out.note(std::string(1, solver.man) + " K" + squareName(wk) + " " + squareName(sq) + " k" +
                                 squareName(bk) + (side == 0 ? " strong" : " bare") + " side to move" +
                                 (flipped ? " (Black strong)" : "") + ": probe " + std::to_string(got) +
                                 ", solver " + std::to_string(expectedScore(plies, ply)));
                }
}

class TableValues : public ::testing::Test {
protected:
    void SetUp() override {
        tbCacheBytes = 0;
        useTablePath(DebianTables);
    }
    void TearDown() override { useTablePath(""); }
};

} // namespace

TEST_F(TableValues, EveryPositionAgreesWithTheSolver) {
    ASSERT_EQ(maxTbMen, 3);
    const SolvedEndings& solved = solvedEndings();
    // The solver's own longest wins are the known ones: mate in 10 and in 16 moves.
    int longestQueen = 0, longestRook = 0;
    for (int k = 0; k < 64 * 64 * 64; k++) {
        longestQueen = std::max(longestQueen, solved.queen.distance(0, k / 4096, k / 64 % 64, k % 64));
        longestRook = std::max(longestRook, solved.rook.distance(0, k / 4096, k / 64 % 64, k % 64));
    }
    EXPECT_EQ(longestQueen, 19);
    EXPECT_EQ(longestRook, 31);

    const struct {
        const RetrogradeSolver* solver;
        int code;
    } endings[] = {{&solved.queen, WhiteQueen}, {&solved.rook, WhiteRook}, {&solved.pawn, WhitePawn}};
    for (const auto& ending : endings)
        for (bool flipped : {false, true}) {
            Mismatch mismatch;
            long probed = 0;
            compareEnding(*ending.solver, ending.code, flipped, mismatch, probed);
            EXPECT_GT(probed, 300000);
            EXPECT_EQ(mismatch.count, 0) << mismatch.first;
        }
}

// The scale the conversion expects, read off positions the solver knows: mate in 1 is 32766
// and scores 29998 at the root, already mated is -32766.
TEST_F(TableValues, ValueScaleAtTheRoot) {
    placeMen({{WhiteKing, C6}, {WhiteQueen, B1}, {BlackKing, A8}}, White); // Qb7 mates
    board.historyIndex = 1;
    EXPECT_EQ(ProbeTablebases(), 29998);
    placeMen({{WhiteKing, C6}, {WhiteQueen, B7}, {BlackKing, A8}}, Black); // mated
    board.historyIndex = 1;
    EXPECT_EQ(ProbeTablebases(), 1 - 30000);
    placeMen({{WhiteKing, A6}, {WhiteQueen, B6}, {BlackKing, A8}}, Black); // stalemate
    EXPECT_EQ(ProbeTablebases(), 0);

    const TablebaseReader& reader = *tablebaseReader;
    const int queen[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    const int blackQueen[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const int id = reader.identifyTable(queen);
    ASSERT_GT(id, 0);
    EXPECT_EQ(reader.identifyTable(blackQueen), -id);
    EXPECT_TRUE(reader.tableAvailable(id, 0));
    EXPECT_TRUE(reader.tableAvailable(id, 1));
    TbPieceList white{2, {TbKing, TbQueen}, {C6, B1}}, black{1, {TbKing}, {A8}};
    TbIndexFunction indexOf = reader.indexFunction(id, 0, TbNoEnPassant, 0);
    ASSERT_NE(indexOf, nullptr);
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&white, &black)), 32766);
    // Black's queen, board turned over: the same position seen from the other side.
    TbPieceList blackSide{2, {TbKing, TbQueen}, {C3, B8}}, whiteSide{1, {TbKing}, {A1}};
    indexOf = reader.indexFunction(id, 0, TbNoEnPassant, 1);
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&blackSide, &whiteSide)), 32766);
}

// Tables that do not exist, sides that do not exist, arguments out of range: no id, no index
// routine, no value, never a crash.
TEST_F(TableValues, UnknownTablesAndBadArgumentsGiveNoValue) {
    const TablebaseReader& reader = *tablebaseReader;
    const int queenAgainstQueen[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int threeQueens[10] = {0, 0, 0, 0, 3, 0, 0, 0, 0, 0};
    const int negative[10] = {0, 0, 0, 0, -1, 0, 0, 0, 0, 0};
    EXPECT_EQ(reader.identifyTable(queenAgainstQueen), 0);
    EXPECT_EQ(reader.identifyTable(threeQueens), 0);
    EXPECT_EQ(reader.identifyTable(negative), 0);
    const int queen[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    const int id = reader.identifyTable(queen);
    EXPECT_FALSE(reader.tableAvailable(id, 2));
    EXPECT_FALSE(reader.tableAvailable(0, 0));
    EXPECT_FALSE(reader.tableAvailable(1 << 20, 0));
    EXPECT_EQ(reader.indexFunction(id, 0, 64, 0), nullptr);
    EXPECT_EQ(reader.indexFunction(id, 0, -3, 0), nullptr);
    EXPECT_EQ(reader.indexFunction(0, 0, TbNoEnPassant, 0), nullptr);
    EXPECT_EQ(reader.probeValue(id, 0, ~0ULL), TbNoValue);
    EXPECT_EQ(reader.probeValue(id, 3, 0), TbNoValue);
    // A rook's position asked of the queen's table, and two men on one square.
    TbIndexFunction indexOf = reader.indexFunction(id, 0, TbNoEnPassant, 0);
    TbPieceList rook{2, {TbKing, TbRook}, {C6, B1}}, black{1, {TbKing}, {A8}};
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&rook, &black)), TbNoValue);
    TbPieceList stacked{2, {TbKing, TbQueen}, {C6, A8}};
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&stacked, &black)), TbNoValue);
    TbPieceList noKing{2, {TbQueen, TbKing}, {B1, C6}};
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&noKing, &black)), TbNoValue);
    // The en-passant square travels with the index to the backend, which has no use for it in
    // a pawnless ending: the value stays that of the position.
    indexOf = reader.indexFunction(id, 0, E6, 0);
    TbPieceList queenMen{2, {TbKing, TbQueen}, {C6, B1}};
    EXPECT_EQ(reader.probeValue(id, 0, indexOf(&queenMen, &black)), 32766);
}

// The engine names the square a double push passed over even when no pawn can take there; the
// probe still finds the position's value, for either colour's pawn.
TEST_F(TableValues, EnPassantSquareWithoutACapturerKeepsTheValue) {
    const RetrogradeSolver& pawn = solvedEndings().pawn;
    int checked = 0;
    for (int file = 0; file < 8; file++)
        for (int bk = 0; bk < 64; bk += 5) {
            const int wk = file < 4 ? H1 : A1, square = E4 - 4 + file;
            const int plies = pawn.distance(1, wk, square, bk);
            if (plies == RetrogradeSolver::Illegal) continue;
            placeMen({{WhiteKing, wk}, {WhitePawn, square}, {BlackKing, bk}}, Black);
            board.historyIndex = 0;
            const int plain = ProbeTablebases();
            board.epSquare = square - 8;
            EXPECT_EQ(ProbeTablebases(), plain) << squareName(square);
            placeMen({{BlackKing, wk ^ 56}, {BlackPawn, square ^ 56}, {WhiteKing, bk ^ 56}}, White);
            board.epSquare = (square ^ 56) + 8;
            EXPECT_EQ(ProbeTablebases(), plain) << squareName(square ^ 56);
            EXPECT_NE(plain, 30000);
            checked++;
        }
    EXPECT_GT(checked, 50);
}
