// The reader of the engine's own table files: every file is checked whole when registered and
// memory-mapped; a block is decompressed, after its checksum is checked, into the cache the
// engine hands over. A table with a damaged block answers nothing from then on.
#include "tablebases/own_tables.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tablebases/tb_file.h"

namespace {

constexpr int MaxTables = 512;

struct OwnTable {
    TbMaterial material;
    int side;
    TbFileView view;
    bool damaged;
};

OwnTable registered[MaxTables];
int tableCount = 0;
int damagedCount = 0;

// The cache: slots of one decompressed block each, direct-mapped by table and block.
constexpr long SlotBytes = TbEntriesPerBlock * sizeof(int16_t);
constexpr int MaxSlots = 16384;
constexpr int OwnSlots = 32; // when the engine hands no buffer
alignas(16) int16_t ownBuffer[OwnSlots][TbEntriesPerBlock];
int16_t* slots = &ownBuffer[0][0];
int slotCount = OwnSlots;
// Tag of each slot: table number + 1 in the high bits, block in the low 32; 0 empty.
uint64_t slotTags[MaxSlots];

void clearTags() { std::memset(slotTags, 0, sizeof slotTags); }

// Registered tables by material and side: open addressing, table number + 1 (0 empty).
constexpr int LookupSize = 2048;
int16_t lookup[LookupSize];

inline int lookupSlot(uint32_t key, int side) {
    return static_cast<int>(((key * 2u + static_cast<uint32_t>(side)) * 2654435761u) >> 21) & (LookupSize - 1);
}

void resetTables() {
    for (int i = 0; i < tableCount; i++)
        munmap(const_cast<uint8_t*>(registered[i].view.data), registered[i].view.bytes);
    tableCount = 0;
    damagedCount = 0;
    std::memset(lookup, 0, sizeof lookup);
    clearTags();
}

int findTable(uint32_t key, int side) {
    for (int slot = lookupSlot(key, side);; slot = (slot + 1) & (LookupSize - 1)) {
        int number = lookup[slot] - 1;
        if (number < 0) return -1;
        if (registered[number].material.key == key && registered[number].side == side) return number;
    }
}

// Maps and checks one file; true when it was registered.
bool registerFile(const char* path, const TbMaterial& material, int side) {
    if (tableCount == MaxTables || findTable(material.key, side) >= 0) return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < TbHeaderBytes) {
        close(fd);
        return false;
    }
    size_t bytes = static_cast<size_t>(info.st_size);
    void* mapped = mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) return false;
    OwnTable& table = registered[tableCount];
    // Blocks larger than a cache slot could never be read: such a file is not registered.
    if (!tbCheckFile(static_cast<const uint8_t*>(mapped), bytes, material, side, &table.view) ||
        table.view.entriesPerBlock > TbEntriesPerBlock) {
        munmap(mapped, bytes);
        return false;
    }
    table.material = material;
    table.side = side;
    table.damaged = false;
    int slot = lookupSlot(material.key, side);
    while (lookup[slot] != 0) slot = (slot + 1) & (LookupSize - 1);
    lookup[slot] = static_cast<int16_t>(tableCount + 1);
    tableCount++;
    return true;
}

int addDirectory(const char* directory) {
    DIR* dir = opendir(directory);
    if (dir == nullptr) return 0;
    int most = 0;
    while (struct dirent* entry = readdir(dir)) {
        TbMaterial material;
        int side;
        if (!tbParseFileName(entry->d_name, &material, &side)) continue;
        char path[4096];
        if (std::snprintf(path, sizeof path, "%s/%s", directory, entry->d_name) >= static_cast<int>(sizeof path))
            continue;
        if (registerFile(path, material, side) && material.men > most) most = material.men;
    }
    closedir(dir);
    return most;
}

void setCache(void* buffer, long bytes) {
    long count = buffer != nullptr ? bytes / SlotBytes : 0;
    if (count > MaxSlots) count = MaxSlots;
    if (count < 1) {
        slots = &ownBuffer[0][0];
        slotCount = OwnSlots;
    } else {
        slots = static_cast<int16_t*>(buffer);
        slotCount = static_cast<int>(count);
    }
    clearTags();
}

// With no table registered the reader holds nothing worth reporting.
long bytesUsed() {
    if (tableCount == 0) return 0;
    return static_cast<long>(sizeof registered) + static_cast<long>(sizeof slotTags) +
           static_cast<long>(sizeof lookup) +
           (slots == &ownBuffer[0][0] ? static_cast<long>(sizeof ownBuffer) : 0);
}

int hasTable(const int counts[10], int side) {
    TbMaterial material;
    bool swapped;
    if ((side != 0 && side != 1) || !tbMaterialFromCounts(counts, &material, &swapped)) return 0;
    int i = findTable(material.key, swapped ? side ^ 1 : side);
    return i >= 0 && !registered[i].damaged;
}

int probe(const TbPieceList* white, const TbPieceList* black, int side, int epSquare) {
    TbLocation l;
    if (!tbLocate(white, black, side, epSquare, &l)) return TbNoValue;
    int number = findTable(l.material.key, l.side);
    if (number < 0) return TbNoValue;
    OwnTable& table = registered[number];
    if (table.damaged) return TbNoValue;
    uint32_t block = static_cast<uint32_t>(l.index / table.view.entriesPerBlock);
    uint32_t within = static_cast<uint32_t>(l.index % table.view.entriesPerBlock);
    uint64_t tag = (static_cast<uint64_t>(number + 1) << 32) | block;
    uint64_t mix = tag * 0x9E3779B97F4A7C15ULL;
    int slot = static_cast<int>((mix >> 32) % static_cast<uint64_t>(slotCount));
    int16_t* values = slots + static_cast<long>(slot) * TbEntriesPerBlock;
    if (slotTags[slot] != tag) {
        slotTags[slot] = 0;
        if (tbReadBlock(table.view, block, values) < 0) {
            table.damaged = true;
            damagedCount++;
            return TbNoValue;
        }
        slotTags[slot] = tag;
    }
    return values[within];
}

} // namespace

int ownTablesRegistered() { return tableCount; }
int ownTablesDamaged() { return damagedCount; }

const TbBackend ownTableBackend = {
    "own", resetTables, addDirectory, setCache, bytesUsed, hasTable, probe,
};
