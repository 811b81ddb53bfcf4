// Sizing, allocation, clearing and resizing of the hash tables, with their messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "search/hash.h"
#include "support/temp_directory.h"

namespace {

class HashTables : public ::testing::Test {
protected:
    void SetUp() override {
        hashAllocationLimit = 0;
        selectHashRow(1);
        selectPawnHashMegabytes(1);
    }
    void TearDown() override {
        hashAllocationLimit = 0;
        FreeHashTables();
        FreePawnHash();
        directory.restoreStdout();
    }
    std::string printed() {
        directory.restoreStdout();
        return TempDirectory::read("stdout.txt");
    }
    TempDirectory directory;
};

} // namespace

TEST_F(HashTables, SizeSelectsItsRowAndIsClamped) {
    EXPECT_EQ(hashRowMegabytes(100), 64);
    EXPECT_EQ(hashRowMegabytes(64), 64);
    EXPECT_EQ(hashRowMegabytes(63), 32);
    EXPECT_EQ(hashRowMegabytes(3), 2);
    EXPECT_EQ(hashRowMegabytes(1), 1);
    selectHashRow(100);
    EXPECT_EQ(hashMegabytes, 64);
    EXPECT_EQ(transSlots, 1048576u);
    EXPECT_EQ(quiesceEntries, 2097152u);
    EXPECT_EQ(evalCacheEntries, 2097152u);
    selectHashRow(300);
    EXPECT_EQ(transSlots, 4194304u);
    EXPECT_EQ(quiesceEntries, 8388608u);
    EXPECT_EQ(evalCacheEntries, 4194304u) << "the cache does not double in the 256 row";
    selectHashRow(16);
    EXPECT_EQ(evalCacheEntries, 524288u);
    // Sizes outside the rows are clamped.
    EXPECT_EQ(hashRowMegabytes(513), 512);
    EXPECT_EQ(hashRowMegabytes(1000), 512);
    EXPECT_EQ(hashRowMegabytes(2147483647L), 512);
    EXPECT_EQ(hashRowMegabytes(0), 1);
    EXPECT_EQ(hashRowMegabytes(-64), 1);
    selectHashRow(1000);
    EXPECT_EQ(transSlots, 8388608u);
    EXPECT_EQ(hashMegabytes, 512);
    selectHashRow(0);
    EXPECT_EQ(transSlots, 16384u);
    EXPECT_EQ(quiesceEntries, 32768u);
    EXPECT_EQ(evalCacheEntries, 524288u);
    EXPECT_EQ(hashMegabytes, 1);
}

TEST_F(HashTables, PawnEntriesAndTheirReport) {
    selectPawnHashMegabytes(8);
    EXPECT_EQ(pawnHashEntries, 182361u);
    EXPECT_EQ(pawnHashMegabytes(), 8);
    selectPawnHashMegabytes(3);
    EXPECT_EQ(pawnHashEntries, 68385u);
    EXPECT_EQ(pawnHashMegabytes(), 3);
    // A table of no entries would be indexed modulo 0.
    selectPawnHashMegabytes(0);
    EXPECT_EQ(pawnHashEntries, 22795u);
    selectPawnHashMegabytes(-8);
    EXPECT_EQ(pawnHashEntries, 22795u);
}

TEST_F(HashTables, AllocationReportsAndClearingEmpties) {
    directory.captureStdout();
    AllocateHashTables(1);
    AllocatePawnHash(1);
    AllocateHashTables(0);
    ASSERT_NE(TransTable, nullptr);
    ASSERT_NE(PawnHashTable, nullptr);
    TransTable[5].recent.keyLow = 77;
    QuiesceTable[3].score = 12;
    EvalCache[evalCacheEntries - 1].keyHigh = 9;
    PawnHashTable[pawnHashEntries - 1].whiteScore = 4;
    hashStores = 99;
    ClearHashTables();
    ClearPawnHash();
    EXPECT_EQ(TransTable[5].recent.keyLow, 0u);
    EXPECT_EQ(QuiesceTable[3].score, 0);
    EXPECT_EQ(EvalCache[evalCacheEntries - 1].keyHigh, 0u);
    EXPECT_EQ(PawnHashTable[pawnHashEntries - 1].whiteScore, 0);
    EXPECT_EQ(hashStores, 0u);
    EXPECT_EQ(hashFull(), 0);
    EXPECT_EQ(printed(), "Hash table memory = 1 Mb\nPawn hash table memory = 1 Mb\n");
}

TEST_F(HashTables, ResizeReportsTheNewSize) {
    AllocateHashTables(0);
    AllocatePawnHash(0);
    directory.captureStdout();
    ResizeHashTables(5);
    ResizePawnHash(8);
    EXPECT_EQ(printed(), "Hash table memory = 4 Mb\nPawn Hash table memory = 8 Mb\n");
    EXPECT_EQ(transSlots, 65536u);
    EXPECT_EQ(hashMegabytes, 4);
    EXPECT_EQ(TransTable[65535].deep.depth, 0) << "the new table starts empty";
    EXPECT_EQ(pawnHashEntries, 182361u);
}

TEST_F(HashTables, FailedResizeRestoresThePreviousSizes) {
    AllocateHashTables(0);
    AllocatePawnHash(0);
    // Room for every table of the 1 MB row (the cache, 6 MB, is the largest) and no more.
    hashAllocationLimit = sizeof(EvalCacheEntry) * 524288;
    directory.captureStdout();
    ResizeHashTables(64);
    ResizePawnHash(256);
    EXPECT_EQ(printed(), "Out of memory allocating new hashtable.\nHash table memory = 1 Mb\n"
                         "Out of memory allocating the new pawn hashtable.\nPawn Hash table memory = 1 Mb\n");
    EXPECT_EQ(hashMegabytes, 1);
    EXPECT_EQ(transSlots, 16384u);
    EXPECT_EQ(quiesceEntries, 32768u);
    EXPECT_EQ(evalCacheEntries, 524288u);
    EXPECT_EQ(pawnHashEntries, 22795u);
    ASSERT_NE(TransTable, nullptr);
    ASSERT_NE(QuiesceTable, nullptr);
    ASSERT_NE(EvalCache, nullptr);
    ASSERT_NE(PawnHashTable, nullptr);
    EXPECT_EQ(TransTable[16383].recent.keyHigh, 0u);
    EXPECT_EQ(EvalCache[524287].keyLow, 0u);
    EXPECT_EQ(PawnHashTable[22794].keyLow, 0u);
}

TEST_F(HashTables, AllocationFailureEndsTheProcess) {
    hashAllocationLimit = 1024;
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), AllocateHashTables(1)),
                ::testing::ExitedWithCode(1), "Out of memory allocating hashtables.");
    EXPECT_EXIT((dup2(STDERR_FILENO, STDOUT_FILENO), AllocatePawnHash(1)),
                ::testing::ExitedWithCode(1), "Out of memory allocating hashtables.");
}
