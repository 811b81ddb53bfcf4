// Perft leaf counting and the move-tree dump.
#include "board/perft.h"

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/types.h"

uint32_t perftNodes = 0;

namespace {

// Whether plies more makes fit on the undo stack (a huge depth typed at the console would
// otherwise run past it along the first line).
bool roomFor(int plies) {
    return plies <= UndoStackSize - board.historyIndex;
}

} // namespace

uint32_t perftCount(int depth) {
    if (!roomFor(depth - 1)) return 0;
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    if (depth < 2) return static_cast<uint32_t>(end - list);
    uint32_t leaves = 0;
    for (Move* m = list; m < end; m++) {
        makeMove(*m);
        leaves += perftCount(depth - 1);
        unmakeMove(*m);
    }
    return leaves;
}

void perftLeaves(int depth) {
    if (!roomFor(depth)) return;
    if (depth <= 0) {
        perftNodes++;
        return;
    }
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    for (Move* m = list; m < end; m++) {
        makeMove(*m);
        perftLeaves(depth - 1);
        unmakeMove(*m);
    }
}

void dumpTree(int depth, int indent, FILE* file) {
    if (depth <= 0 || !file || !roomFor(depth)) return;
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    for (Move* m = list; m < end; m++) {
        char san[8];
        sanBeforeMove(*m, san);
        makeMove(*m);
        for (int i = 0; i < indent; i++) fputc('\t', file);
        fprintf(file, "%s\n", san);
        dumpTree(depth - 1, indent + 1, file);
        unmakeMove(*m);
    }
}
