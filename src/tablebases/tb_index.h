// The index scheme of the engine's own distance-to-mate tables, shared by the generator and the
// file reader: which material a table holds, how men are ordered in it, how a position is
// reduced by the board's symmetries and numbered.
#pragma once

#include <cstdint>

#include "tablebases/tablebase_reader.h"

constexpr int TbMaxMen = 5;
constexpr int TbMaxSideMen = 3;

// Index schemes: the white king in the a1-d1-d4 triangle (no pawns: every symmetry of the board),
// or on files a-d (pawns: the left-right mirror only). Every other man takes 6 bits.
constexpr int TbSchemeTriangle = 0;
constexpr int TbSchemeHalf = 1;

// A table's material, in the orientation the table stores. Slots: 0 the white king, 1 the black
// king, then the other white men, then the other black men, each side strongest first.
struct TbMaterial {
    int men;
    int types[TbMaxMen];   // TbPawn .. TbKing
    int colours[TbMaxMen]; // 0 White, 1 Black
    int whiteMen;          // white men besides the king
    int blackMen;
    int scheme;
    int epRegions;         // pawns on both sides: positions where a pawn has just come two squares
                           // and can be taken en passant have entries of their own after the
                           // ordinary ones, one region for each pawn (region r: the r-th pawn in
                           // slot order is the one that moved; only its file is numbered, its
                           // rank follows from its colour)
    uint64_t baseSize;     // ordinary entries per side to move
    uint64_t epSize;       // entries of one en-passant region (baseSize / 8)
    uint64_t size;         // all entries per side to move
    uint32_t key;          // the ten counts, 2 bits each
    char name[16];         // "kqkr"
};

// Builds the table material that holds the ten counts (White pawns, knights, bishops, rooks,
// queens, then Black's). swapped is set when the table holds the colours exchanged. False when
// a side has more than TbMaxSideMen men or the total exceeds TbMaxMen.
bool tbMaterialFromCounts(const int counts[10], TbMaterial* material, bool* swapped);
// Parses a name such as "kqkr" (only names of the stored orientation are accepted).
bool tbMaterialFromName(const char* name, TbMaterial* material);
// Packed counts key of ten counts.
uint32_t tbCountsKey(const int counts[10]);

// Reduces slot squares by the scheme's symmetries, in place.
void tbCanonicalise(const TbMaterial& material, int squares[TbMaxMen]);
// Index of canonical slot squares; ep: 0 an ordinary entry, r the entry in the r-th en-passant
// region (the r-th pawn in slot order, which must stand on its fourth rank, has just come two
// squares).
uint64_t tbIndexOfCanonical(const TbMaterial& material, const int squares[TbMaxMen], int ep);
// Slot squares and the en-passant region (0: none) of an index.
void tbDecode(const TbMaterial& material, uint64_t index, int squares[TbMaxMen], int* ep);
// 2 when a symmetry of the board keeps the position (all men on one long diagonal, no pawns),
// else 1.
int tbSymmetryCount(const TbMaterial& material, const int squares[TbMaxMen]);
// True when the side to move (0 White, 1 Black) could capture en passant the pawn of en-passant
// region r, had that pawn just come two squares: it belongs to the other side and stands on its
// fourth rank, the square passed over and the one it came from are empty, a pawn of the side
// to move stands beside it, and with the pawn back where it came from the king of the side to
// move was not attacked (the position before the step was legal). Writes the square passed over.
// Only tables with en-passant regions use it.
bool tbEnPassantPossible(const TbMaterial& material, const int squares[TbMaxMen], int side, int r,
                         int* passedSquare);
// Slot of the pawn of en-passant region r (the r-th pawn in slot order), or -1; and back.
int tbEnPassantSlot(const TbMaterial& material, int r);
int tbEnPassantRegion(const TbMaterial& material, int slot);

// A probe reduced to one table: slots filled, colours exchanged when the table holds the other
// orientation, side to move and en-passant region as the table sees them.
struct TbLocation {
    TbMaterial material;
    int squares[TbMaxMen];
    int side;
    int ep;
    uint64_t index;
};
// Locates a position given as the two piece lists of the reader. False when no table of this
// size could hold it or the lists are malformed.
bool tbLocate(const TbPieceList* white, const TbPieceList* black, int side, int epSquare,
              TbLocation* location);
