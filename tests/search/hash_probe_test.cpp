// Store and probe rules of the transposition and quiescence tables.
#include <gtest/gtest.h>

#include "board/board.h"
#include "search/hash.h"

namespace {

constexpr uint64_t KeyA = 0x0123456789ABCDE0ull;
// Same index as KeyA (same low half), another position.
constexpr uint64_t KeyB = 0x7777777789ABCDE0ull;
const Move MoveA = makeMoveWord(E2, E4);
const Move MoveB = makeMoveWord(G1, F3);

class HashProbe : public ::testing::Test {
protected:
    void SetUp() override {
        selectHashRow(1);
        AllocateHashTables(0);
        ClearHashTables();
        board.hashKey = KeyA;
        board.sideToMove = White;
        board.historyIndex = 3;
    }
    void TearDown() override { FreeHashTables(); }
    // Probes at the current position; returns the decision and fills the outputs.
    int probe(int alpha, int beta, int depth) {
        score = 12345;
        return ProbeTrans(transIndex(), alpha, beta, depth, &score, &hashMove, &nullVeto);
    }
    int score = 0;
    Move hashMove = 0;
    int nullVeto = 0;
};

} // namespace

TEST_F(HashProbe, MateScoresAreStoredRelativeToTheNode) {
    board.historyIndex = 5;
    StoreTrans(29990, transIndex(), BoundExact, MoveA, 120);
    EXPECT_EQ(TransTable[transIndex()].deep.score, 29995);
    board.historyIndex = 7;
    ASSERT_EQ(probe(-50, 50, 120), 1);
    EXPECT_EQ(score, 29988);
    board.historyIndex = 5;
    StoreTrans(-29990, transIndex(), BoundExact, MoveA, 120);
    EXPECT_EQ(TransTable[transIndex()].deep.score, -29995);
    board.historyIndex = 7;
    ASSERT_EQ(probe(-50, 50, 120), 1);
    EXPECT_EQ(score, -29988);
    // Ordinary scores are stored and returned as they are.
    StoreTrans(29799, transIndex(), BoundExact, MoveA, 120);
    ASSERT_EQ(probe(-50, 50, 120), 1);
    EXPECT_EQ(score, 29799);
}

TEST_F(HashProbe, DeepEntryKeepsTheDeeperResult) {
    uint32_t index = transIndex();
    StoreTrans(10, index, BoundExact, MoveA, 240);
    StoreTrans(20, index, BoundExact, MoveB, 120);
    const TransSlot& slot = TransTable[index];
    EXPECT_EQ(slot.deep.depth, 240);
    EXPECT_EQ(slot.deep.moveAndBound, (MoveA << 3) | BoundExact);
    EXPECT_EQ(slot.recent.depth, 120);
    EXPECT_EQ(slot.recent.score, 20);
    // The deep entry is read first: its result decides.
    ASSERT_EQ(probe(-50, 50, 60), 1);
    EXPECT_EQ(score, 10);
    // Equal depth replaces the deep entry.
    StoreTrans(30, index, BoundLower, MoveB, 240);
    EXPECT_EQ(slot.deep.score, 30);
    EXPECT_EQ(slot.deep.moveAndBound, (MoveB << 3) | BoundLower);
    EXPECT_EQ(slot.recent.score, 20);
    EXPECT_EQ(hashStores, 3u);
}

TEST_F(HashProbe, RecentEntryAnswersWhenTheDeepKeyDiffers) {
    uint32_t index = transIndex();
    StoreTrans(10, index, BoundExact, MoveA, 240);
    board.hashKey = KeyB;
    ASSERT_EQ(transIndex(), index);
    EXPECT_EQ(probe(-50, 50, 60), 0) << "KeyB is not stored yet";
    EXPECT_EQ(hashMove, 0);
    StoreTrans(-15, index, BoundExact, MoveB, 60);
    ASSERT_EQ(probe(-50, 50, 60), 1);
    EXPECT_EQ(score, -15);
    EXPECT_EQ(HashMoveOf(), MoveB);
    board.hashKey = KeyA;
    EXPECT_EQ(HashMoveOf(), MoveA);
    board.hashKey = KeyA ^ 0x100000000ull;
    EXPECT_EQ(HashMoveOf(), 0);
}

TEST_F(HashProbe, BoundsDecideOnlyOnTheirSide) {
    StoreTrans(40, transIndex(), BoundUpper, MoveA, 180);
    EXPECT_EQ(probe(40, 100, 180), 1);
    EXPECT_EQ(score, 40);
    EXPECT_EQ(probe(39, 100, 180), 0);
    EXPECT_EQ(hashMove, MoveA);
    StoreTrans(40, transIndex(), BoundLower, MoveB, 180);
    EXPECT_EQ(probe(-100, 40, 180), 1);
    EXPECT_EQ(score, 40);
    EXPECT_EQ(probe(-100, 41, 180), 0) << "a lower bound below beta decides nothing";
    EXPECT_EQ(hashMove, MoveB);
}

TEST_F(HashProbe, ShallowEntryOnlySuppliesItsMove) {
    StoreTrans(40, transIndex(), BoundExact, MoveA, 120);
    EXPECT_EQ(probe(-100, 100, 180), 0);
    EXPECT_EQ(score, 12345);
    EXPECT_EQ(hashMove, MoveA);
    // An entry without a bound code gives no move at a sufficient depth, its move when shallow.
    ClearHashTables();
    StoreTrans(40, transIndex(), 0, MoveB, 240);
    EXPECT_EQ(probe(-100, 100, 180), 0);
    EXPECT_EQ(hashMove, 0);
    EXPECT_EQ(probe(-100, 100, 300), 0);
    EXPECT_EQ(hashMove, MoveB);
}

TEST_F(HashProbe, UpperBoundBelowBetaVetoesTheNullMove) {
    StoreTrans(-20, transIndex(), BoundUpper, MoveA, 60);
    probe(-100, 0, 240); // R = 180 below depth 300: 60 >= 240 - 180
    EXPECT_EQ(nullVeto, 1);
    probe(-100, 0, 241);
    EXPECT_EQ(nullVeto, 0);
    probe(-100, 0, 300); // R = 240 from depth 300
    EXPECT_EQ(nullVeto, 1);
    probe(-100, -20, 240);
    EXPECT_EQ(nullVeto, 0) << "score not below beta";
    StoreTrans(-20, transIndex(), BoundLower, MoveA, 60);
    probe(-100, 0, 240);
    EXPECT_EQ(nullVeto, 0) << "only an upper bound vetoes";
    board.hashKey = KeyB;
    probe(-100, 0, 240);
    EXPECT_EQ(nullVeto, 0);
}

TEST_F(HashProbe, SidesToMoveUseNeighbouringSlots) {
    uint32_t whiteIndex = transIndex();
    StoreTrans(50, whiteIndex, BoundExact, MoveA, 240);
    board.sideToMove = Black;
    uint32_t blackIndex = transIndex();
    EXPECT_EQ(whiteIndex ^ blackIndex, 1u);
    EXPECT_EQ(probe(-100, 100, 60), 0);
    EXPECT_EQ(hashMove, 0);
    EXPECT_EQ(HashMoveOf(), 0);
    uint32_t blackQuiesce = quiesceIndex();
    board.sideToMove = White;
    EXPECT_EQ(quiesceIndex() ^ blackQuiesce, 1u);
}

TEST_F(HashProbe, QuiesceEntriesAlwaysReplaceAndDecideByBound) {
    uint32_t index = quiesceIndex();
    Move first = 1;
    int value = 0;
    EXPECT_EQ(ProbeQuiesce(index, -10, 10, &value, &first), 0);
    EXPECT_EQ(first, 0);
    StoreQuiesce(index, 30000 - 3, MoveA, BoundExact);
    ASSERT_EQ(ProbeQuiesce(index, -10, 10, &value, &first), 1);
    EXPECT_EQ(value, 29997) << "no mate adjustment in quiescence";
    StoreQuiesce(index, -5, MoveB, BoundUpper);
    EXPECT_EQ(ProbeQuiesce(index, -5, 10, &value, &first), 1);
    EXPECT_EQ(value, -5);
    EXPECT_EQ(ProbeQuiesce(index, -6, 10, &value, &first), 0);
    EXPECT_EQ(first, MoveB);
    StoreQuiesce(index, 8, MoveA, BoundLower);
    EXPECT_EQ(ProbeQuiesce(index, -10, 8, &value, &first), 1);
    EXPECT_EQ(ProbeQuiesce(index, -10, 9, &value, &first), 0);
    EXPECT_EQ(first, MoveA);
    board.hashKey = KeyB;
    EXPECT_EQ(ProbeQuiesce(quiesceIndex(), -10, 9, &value, &first), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(hashStores, 3u);
}

TEST_F(HashProbe, HashFullCountsStoresOfBothTablesAndIsCapped) {
    uint32_t capacity = transSlots + quiesceEntries;
    hashStores = capacity / 2;
    EXPECT_EQ(hashFull(), 500);
    hashStores = capacity / 1000 - 1;
    EXPECT_EQ(hashFull(), 0);
    hashStores = capacity * 3;
    EXPECT_EQ(hashFull(), 1000);
    hashStores = 0xFFFFFFFFu;
    EXPECT_EQ(hashFull(), 1000);
    ClearHashTables();
    EXPECT_EQ(hashFull(), 0);
    EXPECT_EQ(probe(-100, 100, 0), 0);
}
