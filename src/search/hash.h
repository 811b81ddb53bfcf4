// The transposition, quiescence, evaluation-cache and pawn hash tables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/types.h"

constexpr int BoundExact = 1;
constexpr int BoundUpper = 2;
constexpr int BoundLower = 3;

// 16 bytes: key halves, move << 3 | bound, score (mate scores relative to the node), depth.
struct TransEntry {
    uint32_t keyLow;
    uint32_t keyHigh;
    int32_t moveAndBound;
    int16_t score;
    int16_t depth;
};
// 32 bytes: the depth-preferred entry, then the always-replaced one.
struct TransSlot {
    TransEntry deep;
    TransEntry recent;
};
struct QuiesceEntry {
    uint32_t keyLow;
    uint32_t keyHigh;
    Move bestMove;
    int16_t score;
    int8_t bound;
};
// 12 bytes: the score is from White's point of view; lazy 1 marks a partial score.
struct EvalCacheEntry {
    uint32_t keyLow;
    uint32_t keyHigh;
    int16_t score;
    int16_t lazy;
};
// 46 bytes, packed: pawn structure terms and the square sets the evaluation needs.
struct __attribute__((packed)) PawnHashEntry {
    uint8_t whiteFiles;
    uint8_t blackFiles;
    int16_t whiteScore;
    int16_t blackScore;
    uint32_t keyLow;
    uint32_t keyHigh;
    Bitboard whitePassed;
    Bitboard blackPassed;
    Bitboard whiteWeak;
    Bitboard blackWeak;
};
static_assert(sizeof(TransEntry) == 16);
static_assert(sizeof(TransSlot) == 32);
static_assert(sizeof(EvalCacheEntry) == 12);
static_assert(sizeof(PawnHashEntry) == 46);

extern TransSlot* TransTable;
extern uint32_t transSlots;
extern QuiesceEntry* QuiesceTable;
extern uint32_t quiesceEntries;
extern EvalCacheEntry* EvalCache;
extern uint32_t evalCacheEntries;
extern PawnHashEntry* PawnHashTable;
extern uint32_t pawnHashEntries;
extern uint32_t hashStores;
extern int hashMegabytes;
// Test hook: a table allocation of more bytes than this fails (0 = no limit).
extern size_t hashAllocationLimit;

// Megabytes to the row's power of two: above 512 clamps to 512, at or below 1 selects 1.
int hashRowMegabytes(long megabytes);
// Sets the row (transSlots, quiesceEntries, evalCacheEntries, hashMegabytes) from megabytes.
void selectHashRow(long megabytes);
// Sets pawnHashEntries from megabytes taken as given (kept within 1..512).
void selectPawnHashMegabytes(long megabytes);

// Allocates the three main tables for the row; prints the size when report is nonzero. Failure
// prints "Out of memory allocating hashtables." and ends the process with status 1.
void AllocateHashTables(int report);
// Allocates the pawn table, with the same report and failure rule.
void AllocatePawnHash(int report);
// Zeroes the three main tables and hashStores.
void ClearHashTables();
void ClearPawnHash();
// Releases the three main tables and the tablebase cache.
void FreeHashTables();
void FreePawnHash();
// New row, tables reallocated and empty; on failure the previous sizes come back. Prints the size.
void ResizeHashTables(long megabytes);
// New pawn entry count, table reallocated and empty; on failure the previous count comes back.
void ResizePawnHash(long megabytes);
// Pawn hash size in whole megabytes, rounded up, as reported.
int pawnHashMegabytes();

// Index of the current position in each table.
uint32_t transIndex();
uint32_t quiesceIndex();

// Probe of TransTable at a search node. Returns 1 with *score set (mate scores made relative to
// the root again) when the entry decides the node; otherwise 0 with *hashMove and *nullVeto set.
int ProbeTrans(uint32_t index, int alpha, int beta, int depth, int* score, Move* hashMove,
               int* nullVeto);
// Probe of QuiesceTable: 1 with *score when the entry decides, else 0 with *firstMove (or 0).
int ProbeQuiesce(uint32_t index, int alpha, int beta, int* score, Move* firstMove);

// Asks the memory for the slots that a search of a position (key, side to move) reads first: the
// transposition slot, the quiescence entry and the evaluation cache entry, so that the waits
// overlap each other and the work done before the probes. The search asks right after a move is
// made, and for the move it will try first as soon as it knows that move. Addresses are formed as
// integers: a prefetch never faults, so missing tables need no test. Forced inline: the optimiser
// takes a function holding only prefetches for one without effects and drops its calls.
__attribute__((always_inline)) inline void prefetchAddress(const void* table, size_t offset) {
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(table) + offset));
}
// A quiescence node reads no transposition slot.
__attribute__((always_inline)) inline void prefetchQuiesceSlots(uint64_t key, int side) {
    const uint32_t low = static_cast<uint32_t>(key) ^ static_cast<uint32_t>(side);
    prefetchAddress(QuiesceTable, (low & (quiesceEntries - 1)) * sizeof(QuiesceEntry));
    prefetchAddress(EvalCache, (low & (evalCacheEntries - 1)) * sizeof(EvalCacheEntry));
}
__attribute__((always_inline)) inline void prefetchSearchSlots(uint64_t key, int side) {
    const uint32_t low = static_cast<uint32_t>(key) ^ static_cast<uint32_t>(side);
    prefetchAddress(TransTable, (low & (transSlots - 1)) * sizeof(TransSlot));
    prefetchQuiesceSlots(key, side);
}

// Stores a search result (mate scores made relative to the node), deep or recent entry by depth.
void StoreTrans(int score, uint32_t index, int bound, Move move, int depth);
// Stores a quiescence result, always replacing.
void StoreQuiesce(uint32_t index, int score, Move move, int bound);
// Move of the TransTable entry matching the current position (deep first), else 0.
Move HashMoveOf();
// hashfull in permille: hashStores / (transSlots + quiesceEntries), capped at 1000.
int hashFull();
