// The transposition, quiescence, evaluation-cache and pawn hash tables.
#include "search/hash.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "frontend/output.h"
#include "tablebases/tablebases.h"

TransSlot* TransTable = nullptr;
uint32_t transSlots = 0;
QuiesceEntry* QuiesceTable = nullptr;
uint32_t quiesceEntries = 0;
EvalCacheEntry* EvalCache = nullptr;
uint32_t evalCacheEntries = 0;
PawnHashEntry* PawnHashTable = nullptr;
uint32_t pawnHashEntries = 0;
uint32_t hashStores = 0;
int hashMegabytes = 64;
size_t hashAllocationLimit = 0;

namespace {

// One row of table sizes per power-of-two megabyte count 1, 2, 4, ..., 512.
struct HashRow {
    uint32_t transSlots;
    uint32_t quiesceEntries;
    uint32_t evalCacheEntries;
};
constexpr HashRow HashRows[10] = {
    {16384, 32768, 524288},          {32768, 65536, 524288},      {65536, 131072, 524288},
    {131072, 262144, 524288},        {262144, 524288, 524288},    {524288, 1048576, 1048576},
    {1048576, 2097152, 2097152},     {2097152, 4194304, 4194304}, {4194304, 8388608, 4194304},
    {8388608, 16777216, 8388608},
};
constexpr long MaxHashMegabytes = 512;
constexpr int PawnEntryBytes = static_cast<int>(sizeof(PawnHashEntry));
constexpr int MateBound = 29800;

constexpr size_t HugePageBytes = 2 * 1024 * 1024;

// Cache-line aligned block of at least bytes, or nullptr (also beyond the test limit). Tables of
// a huge page or more are aligned to huge pages and asked to be backed by them: a probe then
// rarely misses the address translation cache as well as the data cache. Where the system
// refuses, the ordinary pages serve.
void* allocateTable(size_t bytes) {
    if (hashAllocationLimit != 0 && bytes > hashAllocationLimit) return nullptr;
    if (bytes >= HugePageBytes) {
        const size_t rounded = (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
        void* block = std::aligned_alloc(HugePageBytes, rounded);
#ifdef MADV_HUGEPAGE
        if (block) madvise(block, rounded, MADV_HUGEPAGE);
#endif
        return block;
    }
    size_t rounded = (bytes + 63) / 64 * 64;
    return std::aligned_alloc(64, rounded == 0 ? 64 : rounded);
}

void freeMainTables() {
    std::free(TransTable);
    std::free(QuiesceTable);
    std::free(EvalCache);
    TransTable = nullptr;
    QuiesceTable = nullptr;
    EvalCache = nullptr;
}

// Allocates the three main tables for the current row; false (all released) on failure.
bool tryAllocateMainTables() {
    freeMainTables();
    TransTable = static_cast<TransSlot*>(allocateTable(sizeof(TransSlot) * transSlots));
    QuiesceTable = static_cast<QuiesceEntry*>(allocateTable(sizeof(QuiesceEntry) * quiesceEntries));
    EvalCache = static_cast<EvalCacheEntry*>(allocateTable(sizeof(EvalCacheEntry) * evalCacheEntries));
    if (TransTable && QuiesceTable && EvalCache) return true;
    freeMainTables();
    return false;
}

bool tryAllocatePawnTable() {
    std::free(PawnHashTable);
    PawnHashTable = static_cast<PawnHashEntry*>(allocateTable(sizeof(PawnHashEntry) * pawnHashEntries));
    return PawnHashTable != nullptr;
}

uint32_t keyLow() { return static_cast<uint32_t>(board.hashKey); }
uint32_t keyHigh() { return static_cast<uint32_t>(board.hashKey >> 32); }

bool matches(const TransEntry& entry) {
    return entry.keyLow == keyLow() && entry.keyHigh == keyHigh();
}

// A stored mate score turned back into the root's scale at the current ply.
int scoreFromTable(int stored) {
    if (stored >= MateBound) return stored - board.historyIndex;
    if (stored <= -MateBound) return stored + board.historyIndex;
    return stored;
}

} // namespace

int hashRowMegabytes(long megabytes) {
    if (megabytes > MaxHashMegabytes) megabytes = MaxHashMegabytes;
    int n = 1;
    while (n * 2L <= megabytes) n *= 2;
    return n;
}

void selectHashRow(long megabytes) {
    int n = hashRowMegabytes(megabytes);
    int row = 0;
    while ((1 << row) < n) row++;
    transSlots = HashRows[row].transSlots;
    quiesceEntries = HashRows[row].quiesceEntries;
    evalCacheEntries = HashRows[row].evalCacheEntries;
    hashMegabytes = n;
}

void selectPawnHashMegabytes(long megabytes) {
    // A pawn table of no entries would be indexed modulo 0; the size is bounded like the hash.
    if (megabytes < 1) megabytes = 1;
    if (megabytes > MaxHashMegabytes) megabytes = MaxHashMegabytes;
    pawnHashEntries = static_cast<uint32_t>(megabytes * 1048576L / PawnEntryBytes);
}

int pawnHashMegabytes() {
    uint64_t bytes = static_cast<uint64_t>(pawnHashEntries) * PawnEntryBytes;
    return static_cast<int>((bytes + 1048575) / 1048576);
}

void AllocateHashTables(int report) {
    if (transSlots == 0) selectHashRow(hashMegabytes);
    if (!tryAllocateMainTables()) {
        Print("Out of memory allocating hashtables.\n");
        std::exit(1);
    }
    if (report) Print("Hash table memory = %lu Mb\n", static_cast<unsigned long>(hashMegabytes));
}

void AllocatePawnHash(int report) {
    if (pawnHashEntries == 0) selectPawnHashMegabytes(8);
    if (!tryAllocatePawnTable()) {
        Print("Out of memory allocating hashtables.\n");
        std::exit(1);
    }
    if (report) Print("Pawn hash table memory = %d Mb\n", pawnHashMegabytes());
}

void ClearHashTables() {
    if (TransTable) memset(static_cast<void*>(TransTable), 0, sizeof(TransSlot) * transSlots);
    if (QuiesceTable) memset(static_cast<void*>(QuiesceTable), 0, sizeof(QuiesceEntry) * quiesceEntries);
    if (EvalCache) memset(static_cast<void*>(EvalCache), 0, sizeof(EvalCacheEntry) * evalCacheEntries);
    hashStores = 0;
}

void ClearPawnHash() {
    if (PawnHashTable) memset(static_cast<void*>(PawnHashTable), 0, sizeof(PawnHashEntry) * pawnHashEntries);
}

void FreeHashTables() {
    freeMainTables();
    std::free(tbCache);
    tbCache = nullptr;
}

void FreePawnHash() {
    std::free(PawnHashTable);
    PawnHashTable = nullptr;
}

void ResizeHashTables(long megabytes) {
    int previous = hashMegabytes;
    selectHashRow(megabytes);
    if (!tryAllocateMainTables()) {
        Print("Out of memory allocating new hashtable.\n");
        selectHashRow(previous);
        AllocateHashTables(0);
    }
    // New blocks hold whatever memory held: start them empty.
    ClearHashTables();
    Print("Hash table memory = %lu Mb\n", static_cast<unsigned long>(hashMegabytes));
}

void ResizePawnHash(long megabytes) {
    uint32_t previous = pawnHashEntries;
    selectPawnHashMegabytes(megabytes);
    if (!tryAllocatePawnTable()) {
        Print("Out of memory allocating the new pawn hashtable.\n");
        pawnHashEntries = previous;
        AllocatePawnHash(0);
    }
    ClearPawnHash();
    Print("Pawn Hash table memory = %d Mb\n", pawnHashMegabytes());
}

uint32_t transIndex() {
    return (keyLow() ^ static_cast<uint32_t>(board.sideToMove)) & (transSlots - 1);
}

uint32_t quiesceIndex() {
    return (keyLow() ^ static_cast<uint32_t>(board.sideToMove)) & (quiesceEntries - 1);
}

int ProbeTrans(uint32_t index, int alpha, int beta, int depth, int* score, Move* hashMove,
               int* nullVeto) {
    *hashMove = 0;
    *nullVeto = 0;
    const TransSlot& slot = TransTable[index];
    const TransEntry* entry = matches(slot.deep) ? &slot.deep : matches(slot.recent) ? &slot.recent : nullptr;
    if (entry == nullptr) return 0;
    int stored = entry->score;
    int bound = entry->moveAndBound & 7;
    bool deepEnough = entry->depth >= depth;
    if (deepEnough) {
        if (bound == BoundExact || (bound == BoundUpper && stored <= alpha) ||
            (bound == BoundLower && stored >= beta)) {
            *score = scoreFromTable(stored);
            return 1;
        }
    }
    if (!deepEnough || bound == BoundExact || bound == BoundUpper || bound == BoundLower)
        *hashMove = entry->moveAndBound >> 3;
    // An upper bound below beta from nearly this depth says a null move would fail.
    int reduction = depth < 300 ? 180 : 240;
    if (bound == BoundUpper && entry->depth >= depth - reduction && stored < beta) *nullVeto = 1;
    return 0;
}

int ProbeQuiesce(uint32_t index, int alpha, int beta, int* score, Move* firstMove) {
    *firstMove = 0;
    const QuiesceEntry& entry = QuiesceTable[index];
    if (entry.keyLow != keyLow() || entry.keyHigh != keyHigh()) return 0;
    int stored = entry.score;
    if (entry.bound == BoundExact || (entry.bound == BoundUpper && stored <= alpha) ||
        (entry.bound == BoundLower && stored >= beta)) {
        *score = stored;
        return 1;
    }
    if (entry.bound == BoundUpper || entry.bound == BoundLower) *firstMove = entry.bestMove;
    return 0;
}

void StoreTrans(int score, uint32_t index, int bound, Move move, int depth) {
    hashStores++;
    // Mate scores are kept as distances from this node, so they stay true at any ply.
    if (score >= MateBound) score += board.historyIndex;
    else if (score <= -MateBound) score -= board.historyIndex;
    TransSlot& slot = TransTable[index];
    TransEntry& entry = depth >= slot.deep.depth ? slot.deep : slot.recent;
    entry.keyLow = keyLow();
    entry.keyHigh = keyHigh();
    entry.depth = static_cast<int16_t>(depth);
    entry.moveAndBound = static_cast<int32_t>((static_cast<uint32_t>(move) << 3) | static_cast<uint32_t>(bound & 0xFF));
    entry.score = static_cast<int16_t>(score);
}

void StoreQuiesce(uint32_t index, int score, Move move, int bound) {
    hashStores++;
    QuiesceEntry& entry = QuiesceTable[index];
    entry.keyLow = keyLow();
    entry.keyHigh = keyHigh();
    entry.bestMove = move;
    entry.bound = static_cast<int8_t>(bound);
    entry.score = static_cast<int16_t>(score);
}

Move HashMoveOf() {
    if (TransTable == nullptr) return 0;
    const TransSlot& slot = TransTable[transIndex()];
    if (matches(slot.deep)) return slot.deep.moveAndBound >> 3;
    if (matches(slot.recent)) return slot.recent.moveAndBound >> 3;
    return 0;
}

int hashFull() {
    uint64_t capacity = static_cast<uint64_t>(transSlots) + quiesceEntries;
    if (capacity == 0) return 0;
    uint64_t permille = static_cast<uint64_t>(hashStores) * 1000 / capacity;
    return permille > 1000 ? 1000 : static_cast<int>(permille);
}
