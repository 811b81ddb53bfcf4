// The engine's tablebase reader: every kind of table file behind one list of backends, all fed
// from the same "TB Path". A table id is the table's material, three counts a side in base 3; an
// index is the position itself, packed, in the orientation of the table (colours exchanged when
// the table exists only that way round), which the probe unpacks for the backends.
#include "tablebases/tablebase_reader.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "tablebases/gaviota_backend.h"
#include "tablebases/own_tables.h"
#include "tablebases/tb_backend.h"

namespace {

// The backends, asked in this order.
const TbBackend* const backends[] = {&gaviotaBackend, &ownTableBackend};

// Men a side the index has room for (the king and two others), as the probe builds its lists.
constexpr int MaxSideMen = 3;
constexpr int BitsPerMan = 9; // type (3 bits) and square (6 bits)
constexpr int EpBits = 7;     // square, or 64 for none
constexpr uint64_t NoIndex = ~0ULL;
// A side has at most two men besides its king, so each count is a digit in base 3.
constexpr int CountBase = MaxSideMen;
constexpr int IdCount = CountBase * CountBase * CountBase * CountBase * CountBase * CountBase * CountBase *
                        CountBase * CountBase * CountBase;

int encodeCounts(const int counts[10]) {
    int id = 0;
    for (int i = 9; i >= 0; i--) {
        if (counts[i] < 0 || counts[i] >= CountBase) return 0;
        id = id * CountBase + counts[i];
    }
    return id + 1;
}

int decodeCounts(int id, int counts[10]) {
    if (id < 1 || id > IdCount) return 0;
    id--;
    for (int i = 0; i < 10; i++) {
        counts[i] = id % CountBase;
        id /= CountBase;
    }
    return 1;
}

int anyBackendHas(const int counts[10], int side) {
    for (const TbBackend* backend : backends)
        if (backend->hasTable(counts, side)) return 1;
    return 0;
}

int initialise(const char* path) {
    for (const TbBackend* backend : backends) backend->reset();
    char here[PATH_MAX];
    if (getcwd(here, sizeof here) == nullptr) here[0] = '\0';
    int most = 0;
    const char* entry = path;
    while (*entry != '\0') {
        size_t length = std::strcspn(entry, ",;");
        const char* next = entry[length] != '\0' ? entry + length + 1 : entry + length;
        while (length > 0 && (*entry == ' ' || *entry == '\t')) entry++, length--;
        while (length > 0 && (entry[length - 1] == ' ' || entry[length - 1] == '\t')) length--;
        char directory[PATH_MAX];
        int written = 0;
        if (length == 0) {
            written = -1;
        } else if (entry[0] == '/') {
            written = std::snprintf(directory, sizeof directory, "%.*s", static_cast<int>(length), entry);
        } else if (here[0] != '\0') {
            written = std::snprintf(directory, sizeof directory, "%s/%.*s", here, static_cast<int>(length), entry);
        } else {
            written = -1;
        }
        // An entry that does not fit is left out rather than cut to some other directory.
        if (written > 0 && written < static_cast<int>(sizeof directory)) {
            for (const TbBackend* backend : backends) {
                int men = backend->addDirectory(directory);
                if (men > most) most = men;
            }
        }
        entry = next;
    }
    return most;
}

// Backends that keep their own cache take only the size; the buffer goes to every backend.
int setCache(void* buffer, long bytes) {
    for (const TbBackend* backend : backends) backend->setCache(buffer, bytes);
    return buffer != nullptr || bytes == 0;
}

long bytesUsed() {
    long total = 0;
    for (const TbBackend* backend : backends) total += backend->bytesUsed();
    return total;
}

int identifyTable(const int counts[10]) {
    int id = encodeCounts(counts);
    if (id == 0) return 0;
    if (anyBackendHas(counts, 0) || anyBackendHas(counts, 1)) return id;
    int exchanged[10];
    for (int i = 0; i < 10; i++) exchanged[i] = counts[(i + 5) % 10];
    if (anyBackendHas(exchanged, 0) || anyBackendHas(exchanged, 1)) return -encodeCounts(exchanged);
    return 0;
}

int tableAvailable(int id, int side) {
    int counts[10];
    return decodeCounts(id, counts) && (side == 0 || side == 1) && anyBackendHas(counts, side);
}

// The en-passant square of the index routine handed out last (one probe at a time).
int indexEpSquare = 64;

uint64_t packList(const TbPieceList* list, int mirror, int shift, uint64_t index) {
    if (list->count < 1 || list->count > MaxSideMen || list->types[0] != TbKing) return NoIndex;
    for (int i = 0; i < list->count; i++) {
        int type = list->types[i], square = list->squares[i];
        if (type < TbPawn || type > TbKing || square < 0 || square > 63) return NoIndex;
        index |= static_cast<uint64_t>(type | (square ^ mirror) << 3) << (shift + i * BitsPerMan);
    }
    return index;
}

// Exchanging the colours also turns the board over, so that pawns keep their direction.
template <int Mirror>
uint64_t packPosition(const TbPieceList* first, const TbPieceList* second) {
    uint64_t index = static_cast<uint64_t>(indexEpSquare == 64 ? 64 : indexEpSquare ^ Mirror);
    index = packList(first, Mirror, EpBits, index);
    if (index == NoIndex) return NoIndex;
    return packList(second, Mirror, EpBits + MaxSideMen * BitsPerMan, index);
}

TbIndexFunction indexFunction(int id, int side, int epArgument, int coloursExchanged) {
    int counts[10];
    if (!decodeCounts(id, counts) || (side != 0 && side != 1)) return nullptr;
    if (epArgument != TbNoEnPassant && (epArgument < 0 || epArgument > 63)) return nullptr;
    indexEpSquare = epArgument == TbNoEnPassant ? 64 : epArgument;
    return coloursExchanged ? packPosition<56> : packPosition<0>;
}

// Unpacks one side's men; counts gathers its material. 0 when the index holds no such list.
int unpackList(uint64_t bits, TbPieceList* list, int counts[5]) {
    list->count = 0;
    for (int i = 0; i < MaxSideMen; i++) {
        int man = static_cast<int>(bits >> (i * BitsPerMan)) & 511;
        if (man == 0) break;
        int type = man & 7;
        if (type < TbPawn || type > TbKing || (type == TbKing) != (i == 0)) return 0;
        if (type != TbKing) counts[type - 1]++;
        list->types[i] = type;
        list->squares[i] = man >> 3;
        list->count++;
    }
    return list->count > 0;
}

int probeValue(int id, int side, uint64_t index) {
    int expected[10], counts[10] = {};
    if (!decodeCounts(id, expected) || (side != 0 && side != 1)) return TbNoValue;
    if (index >> (EpBits + 2 * MaxSideMen * BitsPerMan) != 0) return TbNoValue;
    TbPieceList white, black;
    if (!unpackList(index >> EpBits, &white, counts) ||
        !unpackList(index >> (EpBits + MaxSideMen * BitsPerMan), &black, counts + 5) ||
        std::memcmp(counts, expected, sizeof counts) != 0)
        return TbNoValue;
    // Two men on one square is no position.
    uint64_t occupied = 0;
    const TbPieceList* lists[2] = {&white, &black};
    for (const TbPieceList* list : lists)
        for (int i = 0; i < list->count; i++) {
            uint64_t bit = 1ULL << list->squares[i];
            if (occupied & bit) return TbNoValue;
            occupied |= bit;
        }
    int ep = static_cast<int>(index & 127);
    if (ep > 64) return TbNoValue;
    for (const TbBackend* backend : backends) {
        int value = backend->probe(&white, &black, side, ep == 64 ? TbNoEnPassant : ep);
        if (value != TbNoValue) return value;
    }
    return TbNoValue;
}

} // namespace

const TablebaseReader fileTablebaseReader = {
    initialise, setCache, bytesUsed, identifyTable, tableAvailable, indexFunction, probeValue,
};

const TablebaseReader* tablebaseReader = &fileTablebaseReader;
