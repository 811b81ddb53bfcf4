// Perft leaf counting and the move-tree dump.
#include "board/perft.h"

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/types.h"

uint32_t perftNodes = 0;

uint32_t perftCount(int depth) {
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
    if (depth == 0) {
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
    if (depth <= 0 || !file) return;
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
