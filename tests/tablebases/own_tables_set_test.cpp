// The generated set of three- and four-men tables (make tablebases), read as the engine reads
// it: every table registered, the published longest mates, every three-men value and a sample
// of every four-men table consistent with a one-move look, en passant exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "own_tables_support.h"
#include "tablebases/own_tables.h"
#include "tablebases/tb_file.h"

namespace {

// The ordinary entry of the position an en-passant entry holds (the same men, no capture right).
uint64_t ordinaryIndex(const TbMaterial& m, uint64_t index) {
    int squares[TbMaxMen], ep;
    tbDecode(m, index, squares, &ep);
    return tbIndexOfCanonical(m, squares, 0);
}

class OwnTableSet : public ::testing::Test {
protected:
    void SetUp() override {
        ownTableBackend.reset();
        ownTableBackend.setCache(cache.data(), static_cast<long>(cache.size() * sizeof(int16_t)));
        most = ownTableBackend.addDirectory(generatedSetDirectory().c_str());
        ASSERT_EQ(most, 4) << "no four-men set in " << generatedSetDirectory()
                           << " (make tablebases generates it)";
    }
    void TearDown() override {
        ownTableBackend.reset();
        ownTableBackend.setCache(nullptr, 0);
    }
    // A table as stored in the set, both sides.
    TbGenTable load(const TbMaterial& m) {
        TbGenTable table;
        table.material = m;
        for (int side = 0; side < 2; side++) {
            table.values[side].assign(m.size, 0);
            char name[64];
            tbFileName(m, side, name, sizeof name);
            std::string file = generatedSetDirectory() + "/" + name;
            EXPECT_TRUE(tbLoadFile(file.c_str(), m, side, table.values[side].data())) << file;
        }
        return table;
    }
    // Every value of a computed table as the set stores it.
    void expectStored(const TbGenTable& computed) {
        TbGenTable stored = load(computed.material);
        for (int side = 0; side < 2; side++) {
            uint64_t differ = 0;
            for (uint64_t index = 0; index < computed.material.size; index++)
                differ += computed.values[side][index] != stored.values[side][index];
            EXPECT_EQ(differ, 0u) << computed.material.name << " side " << side;
        }
    }
    static int longestMate(const TbGenTable& table, int side) {
        int best = 32767;
        for (int16_t v : table.values[side])
            if (v > 0 && v != TbNoValue) best = std::min<int>(best, v);
        return best == 32767 ? 0 : 32767 - best;
    }

    std::vector<int16_t> cache = std::vector<int16_t>(TbEntriesPerBlock * 1024);
    int most = 0;
};

TEST_F(OwnTableSet, EveryTableOfThreeAndFourMenIsRegistered) {
    TbMaterial materials[64];
    int n = tbGenMaterials(4, 0, materials, 64);
    EXPECT_EQ(ownTablesRegistered(), 2 * n);
    for (int i = 0; i < n; i++) {
        int counts[10] = {};
        for (int s = 2; s < materials[i].men; s++)
            counts[(materials[i].colours[s] ? 5 : 0) + materials[i].types[s] - 1]++;
        EXPECT_TRUE(ownTableBackend.hasTable(counts, 0)) << materials[i].name;
        EXPECT_TRUE(ownTableBackend.hasTable(counts, 1)) << materials[i].name;
    }
}

TEST_F(OwnTableSet, LongestMatesAreThePublishedOnes) {
    struct Expected {
        const char* name;
        int longest;
    } expected[] = {{"kqk", 10}, {"krk", 16}, {"kbbk", 19}, {"kbnk", 33}, {"kqkr", 35}};
    for (const Expected& e : expected) {
        TbGenTable table = load(materialNamed(e.name));
        EXPECT_EQ(longestMate(table, 0), e.longest) << e.name;
    }
    // A longest bishop-and-knight mate as a probe sees it, in either colour orientation.
    TbMaterial m = materialNamed("kbnk");
    TbGenTable table = load(m);
    uint64_t index = 0;
    while (table.values[0][index] != 32767 - 33) index++;
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, index, squares, &ep);
    TbPieceList white, black;
    listsOfSlots(m, squares, &white, &black);
    EXPECT_EQ(ownTableBackend.probe(&white, &black, 0, TbNoEnPassant), 32767 - 33);
    for (int i = 0; i < white.count; i++) white.squares[i] ^= 56;
    for (int i = 0; i < black.count; i++) black.squares[i] ^= 56;
    EXPECT_EQ(ownTableBackend.probe(&black, &white, 1, TbNoEnPassant), 32767 - 33);
}

TEST_F(OwnTableSet, EveryThreeMenValueFollowsFromItsSuccessors) {
    TbMaterial materials[16];
    int n = tbGenMaterials(3, 0, materials, 16);
    for (int i = 0; i < n; i++) {
        TbGenTable table = load(materials[i]);
        for (int side = 0; side < 2; side++) {
            uint64_t checked = 0;
            EXPECT_EQ(tbVerify(table, side, 0, materials[i].size - 1, 1, ownTableBackend.probe,
                               &checked), 0u)
                << materials[i].name << " side " << side;
            EXPECT_GT(checked, 1000u);
        }
    }
}

TEST_F(OwnTableSet, ASampleOfEveryFourMenTableFollowsFromItsSuccessors) {
    TbMaterial materials[64];
    int n = tbGenMaterials(4, 0, materials, 64);
    for (int i = 0; i < n; i++) {
        if (materials[i].men != 4) continue;
        TbGenTable table = load(materials[i]);
        for (int side = 0; side < 2; side++) {
            uint64_t checked = 0;
            // A prime step visits every kind of position of the index.
            EXPECT_EQ(tbVerify(table, side, static_cast<uint64_t>(i), materials[i].size - 1, 1009,
                               ownTableBackend.probe, &checked), 0u)
                << materials[i].name << " side " << side;
            EXPECT_GT(checked, 500u) << materials[i].name;
        }
    }
    EXPECT_EQ(ownTablesDamaged(), 0);
}

TEST_F(OwnTableSet, EnPassantPositionsAreAnsweredExactly) {
    TbMaterial m = materialNamed("kpkp");
    ASSERT_EQ(m.epRegions, 2);
    TbGenTable table = load(m);
    long differ = 0;
    uint64_t example = 0;
    int exampleSide = 0;
    for (int side = 0; side < 2; side++) {
        uint64_t checked = 0;
        // Every position where a capture en passant is possible.
        EXPECT_EQ(tbVerify(table, side, m.baseSize, m.size - 1, 1, ownTableBackend.probe, &checked), 0u);
        EXPECT_GT(checked, 1000u);
        for (uint64_t index = m.baseSize; index < m.size; index++)
            if (table.values[side][index] != TbNoValue &&
                table.values[side][index] != table.values[side][ordinaryIndex(m, index)]) {
                differ++;
                example = index;
                exampleSide = side;
            }
    }
    // The right to capture en passant changes the value of some positions; the reader answers
    // such a position with the en-passant square, and without it, as the table holds them.
    ASSERT_GT(differ, 0);
    int squares[TbMaxMen];
    int ep;
    tbDecode(m, example, squares, &ep);
    int passed;
    ASSERT_TRUE(tbEnPassantPossible(m, squares, exampleSide, ep, &passed));
    TbPieceList white, black;
    listsOfSlots(m, squares, &white, &black);
    EXPECT_EQ(ownTableBackend.probe(&white, &black, exampleSide, passed),
              table.values[exampleSide][example]);
    EXPECT_EQ(ownTableBackend.probe(&white, &black, exampleSide, TbNoEnPassant),
              table.values[exampleSide][ordinaryIndex(m, example)]);
    // An en-passant square no pawn could use is ignored.
    EXPECT_EQ(ownTableBackend.probe(&white, &black, exampleSide, passed ^ 1),
              table.values[exampleSide][ordinaryIndex(m, example)]);
}

// The pawn ending with en passant on both sides computed again in this process (under the
// sanitizers too) from the tables it leads into, read from the set: the same values as stored.
TEST_F(OwnTableSet, PawnAgainstPawnComputedAgainEqualsTheStoredTable) {
    tbGenReset();
    for (const char* name : {"kpk", "knkp", "kbkp", "krkp", "kqkp"}) {
        TbGenTable table = load(materialNamed(name));
        tbGenAdd(std::move(table));
    }
    TbMaterial m = materialNamed("kpkp");
    const TbGenTable* computed = tbGenerate(m, nullptr);
    ASSERT_NE(computed, nullptr);
    expectStored(*computed);
    tbGenReset();
}

// The same with nothing kept in memory: every capture and promotion read through the reader,
// as the five-men generation reads the tables it has already written.
TEST_F(OwnTableSet, PawnAgainstPawnComputedFromTheFilesEqualsTheStoredTable) {
    tbGenReset();
    tbGenUseFiles(true);
    TbMaterial m = materialNamed("kpkp");
    const TbGenTable* computed = tbGenerate(m, nullptr);
    tbGenUseFiles(false);
    ASSERT_NE(computed, nullptr);
    expectStored(*computed);
    tbGenReset();
    // Without the files a missing table still stops the generation.
    EXPECT_EQ(tbGenerate(m, nullptr), nullptr);
}

} // namespace
