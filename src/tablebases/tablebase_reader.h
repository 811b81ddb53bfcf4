// The operations the engine needs of an endgame tablebase reader, behind one small interface so
// that another reader (or a test's fake) can stand in for the one built in.
#pragma once

#include <cstdint>

// Tablebase piece types.
constexpr int TbPawn = 1;
constexpr int TbKnight = 2;
constexpr int TbBishop = 3;
constexpr int TbRook = 4;
constexpr int TbQueen = 5;
constexpr int TbKing = 6;
// Value meaning "nothing known about this position".
constexpr int TbNoValue = 32767;
// En-passant argument when the position has no en-passant square.
constexpr int TbNoEnPassant = 128;

// One side's men for a probe: the king first, then the other men by ascending square.
struct TbPieceList {
    int count;
    int types[4];
    int squares[4];
};

// Computes a position's index from the two lists (first the side the table treats as White).
using TbIndexFunction = uint64_t (*)(const TbPieceList* first, const TbPieceList* second);

struct TablebaseReader {
    // Registers the tables under path; returns the most men of any table (0: none found).
    int (*initialise)(const char* path);
    // Hands the decompression cache to the reader; nonzero on success.
    int (*setCache)(void* buffer, long bytes);
    // Bytes the reader uses for its indices and decompression tables.
    long (*bytesUsed)();
    // Table id of the ten piece counts: 0 none, negative when only the colour-exchanged table exists.
    int (*identifyTable)(const int counts[10]);
    // Nonzero when the file for the tablebase side to move (0 White, 1 Black) is present.
    int (*tableAvailable)(int id, int side);
    // The index routine for a table, side, en-passant argument and colours-exchanged flag.
    TbIndexFunction (*indexFunction)(int id, int side, int epArgument, int coloursExchanged);
    // The value stored at an index: 0 draw, positive win, negative loss, TbNoValue unknown.
    int (*probeValue)(int id, int side, uint64_t index);
};

// The built-in reader: the table files found under the directories of the path.
extern const TablebaseReader fileTablebaseReader;
// The reader the engine uses (the built-in one unless replaced).
extern const TablebaseReader* tablebaseReader;
