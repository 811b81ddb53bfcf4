// One kind of tablebase file behind the reader: the reader registers every kind from the same
// "TB Path" list and asks each for a value until one knows it.
#pragma once

#include "tablebases/tablebase_reader.h"

struct TbBackend {
    const char* name;
    // Forgets every registered table and frees what they held.
    void (*reset)();
    // Registers the tables of this kind in one directory; returns the most men of any table found
    // there (0: none).
    int (*addDirectory)(const char* directory);
    // Hands over the decompression cache (buffer may be null and bytes 0: the backend then keeps a
    // small cache of its own if it needs one).
    void (*setCache)(void* buffer, long bytes);
    // Bytes this backend holds for indices and decompression tables.
    long (*bytesUsed)();
    // Nonzero when a table of this material is registered for that side to move (0 White, 1 Black).
    // counts: White pawns, knights, bishops, rooks, queens, then the same five for Black.
    int (*hasTable)(const int counts[10], int side);
    // Distance-to-mate value of a position: white and black men (king first, then the others;
    // types TbPawn..TbKing, squares in the engine's own numbering as in board.squares), side to move
    // (0 White, 1 Black), en-passant square or TbNoEnPassant.
    // Returns 32767 - n when the side to move mates in n moves, -32766 + n when it is mated in n
    // (already mated: -32766), 0 for a draw, TbNoValue when the table does not know (no table,
    // damaged block, ...).
    int (*probe)(const TbPieceList* white, const TbPieceList* black, int side, int epSquare);
};
