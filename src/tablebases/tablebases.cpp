// The engine's side of endgame tablebase access: the reader's set-up and the probe that turns
// its values into search scores.
#include "tablebases/tablebases.h"

#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "frontend/output.h"
#include "tablebases/tablebase_reader.h"

char tbPath[256] = "Z:\\TBs";
long tbCacheBytes = 0;
void* tbCache = nullptr;
int maxTbMen = 0;
uint32_t tbHits = 0;

namespace {

constexpr int NoInformation = 30000;

// Tablebase piece type of each piece code (kings are placed first, apart).
constexpr int TbTypes[13] = {0, TbPawn, TbPawn, TbKnight, TbKnight, TbKing, TbKing,
                             TbRook, TbRook, TbQueen, TbQueen, TbBishop, TbBishop};

} // namespace

void SetTbPath(const char* text, size_t length) {
    if (length >= sizeof tbPath) {
        length = sizeof tbPath - 1;
        // The first entries are whole when a separator follows them.
        if (text[length] != ',' && text[length] != ';')
            while (length > 0 && text[length] != ',' && text[length] != ';') length--;
    }
    std::memcpy(tbPath, text, length);
    tbPath[length] = '\0';
}

void InitTablebases(int mode) {
    // A negative size from the configuration or an option means no cache.
    if (tbCacheBytes < 0) tbCacheBytes = 0;
    if (mode == 0) {
        std::free(tbCache);
        tbCache = tbCacheBytes != 0 ? std::malloc(static_cast<size_t>(tbCacheBytes)) : nullptr;
        if (tbCache == nullptr && tbCacheBytes != 0) {
            Print("Could not allocate EGTb buffer.\n");
            std::exit(1);
        }
    } else if (mode == 1) {
        // A failed reallocation leaves no buffer, so that setting the cache below fails rather
        // than handing the reader a block smaller than it is told.
        void* resized = tbCacheBytes != 0 ? std::realloc(tbCache, static_cast<size_t>(tbCacheBytes)) : nullptr;
        if (resized == nullptr) std::free(tbCache);
        tbCache = resized;
    }
    if (mode == 0 || mode == 1) {
        Print("EGTb cache memory = %lu Mb", static_cast<unsigned long>(tbCacheBytes / 1048576));
        if (mode == 1) Print("\n");
    }
    maxTbMen = tablebaseReader->initialise(tbPath);
    if (mode == 0 || mode == 2) {
        Print(" (%d pieces endgame tablebases found)\n", maxTbMen);
        long used = tablebaseReader->bytesUsed();
        Print("%ld kb of ram used for Tb indices and decompression tables.\n", (used + 1023) / 1024);
    }
    if (!tablebaseReader->setCache(tbCache, tbCacheBytes) && tbCacheBytes != 0) {
        Print("Could not enable EGTb buffer.\n");
        std::exit(1);
    }
}

int ProbeTablebases() {
    // Step 1. Piece lists (kings first, then ascending squares) and the ten counts.
    TbPieceList white{1, {TbKing}, {board.whiteKingSq}};
    TbPieceList black{1, {TbKing}, {board.blackKingSq}};
    int counts[10] = {0};
    for (int square = 0; square < 64; square++) {
        int code = board.squares[square];
        if (code <= 0 || code > BlackBishop || code == WhiteKing || code == BlackKing) continue;
        bool isWhite = isWhitePiece(code);
        TbPieceList& list = isWhite ? white : black;
        // Step 2. More than 3 men on a side: no table (and no room in the list).
        if (list.count == 3) return NoInformation;
        int type = TbTypes[code];
        list.types[list.count] = type;
        list.squares[list.count] = square;
        list.count++;
        counts[(isWhite ? 0 : 5) + type - 1]++;
    }
    // Step 3. The table of this material, perhaps only with the colours exchanged.
    int id = tablebaseReader->identifyTable(counts);
    if (id == 0) return NoInformation;
    // Step 4. Side to move and list order as the table sees them.
    int side, exchanged;
    const TbPieceList* first;
    const TbPieceList* second;
    if (id > 0) {
        side = board.sideToMove == Black ? 1 : 0;
        exchanged = 0;
        first = &white;
        second = &black;
    } else {
        id = -id;
        side = board.sideToMove == White ? 1 : 0;
        exchanged = 1;
        first = &black;
        second = &white;
    }
    // Step 5. The file for that side must be present.
    if (!tablebaseReader->tableAvailable(id, side)) return NoInformation;
    // Step 6. The position's index.
    int epArgument = board.epSquare != 0 ? board.epSquare : TbNoEnPassant;
    TbIndexFunction indexOf = tablebaseReader->indexFunction(id, side, epArgument, exchanged);
    if (indexOf == nullptr) return NoInformation;
    uint64_t index = indexOf(first, second);
    // Step 7. The value, if known.
    int value = tablebaseReader->probeValue(id, side, index);
    if (value == TbNoValue) return NoInformation;
    // Step 8. Into the search's mate scale: a value of 32766 at ply 1 is 29998.
    tbHits++;
    int ply = board.historyIndex;
    if (value > 0) return 2 * value - ply - 35533;
    if (value < 0) return 2 * value + ply + 35532;
    return 0;
}
