// SAN reading and writing. The first line of the input is a FEN (empty: the initial position);
// each further line is parsed as SAN for the side to move and, when legal, written back by both
// writers and played. Every legal move of each position reached is written as well.
#include <cstring>

#include "board/notation.h"
#include "fuzz_support.h"

namespace {

// 1 when m is one of the legal moves of the board.
bool isLegal(Move m) {
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    for (Move* p = list; p < end; p++)
        if (*p == m) return true;
    return false;
}

// Writes every legal move before and after making it; the position must come back unchanged.
void writeAllMoves() {
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    const uint64_t key = board.hashKey;
    for (Move* p = list; p < end; p++) {
        char san[8], after[8], coordinate[6];
        sanBeforeMove(*p, san);
        moveToCoordinate(*p, coordinate);
        Move found = 0;
        if (!findCoordinateMove(coordinate, &found) || found != *p) fuzz::fail();
        makeMove(*p);
        sanAfterMove(*p, after);
        unmakeMove(*p);
    }
    if (board.hashKey != key) fuzz::fail();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    fuzz::Text text(data, size);
    char* line = text.chars;
    char* next = strchr(line, '\n');
    if (next) *next++ = '\0';
    if (*line) {
        fuzz::setFen(line);
    } else {
        board.historyIndex = 0;
        resetGame();
        installInitialKeys();
    }
    writeAllMoves();
    int made = 0;
    Move played[UndoStackSize];
    while (next && made < 64) {
        line = next;
        next = strchr(line, '\n');
        if (next) *next++ = '\0';
        Move m = parseSan(line, board.sideToMove);
        if (!m) continue;
        if (!isLegal(m)) fuzz::fail();
        makeMove(m);
        played[made++] = m;
        writeAllMoves();
    }
    while (made > 0) unmakeMove(played[--made]);
    return 0;
}
