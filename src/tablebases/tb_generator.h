// Distance-to-mate tables computed by retrograde analysis over the engine's own move generation.
#pragma once

#include <cstdint>
#include <vector>

#include "tablebases/tb_index.h"

// A computed table: for each side to move (0 White, 1 Black) one value per index, in the probe
// scale (32767 - n: the side to move mates in n; -32766 + n: it is mated in n; 0 draw;
// TbNoValue: no such position, or an index the symmetry reduction never uses).
struct TbGenTable {
    TbMaterial material;
    std::vector<int16_t> values[2];
};

struct TbGenStats {
    uint64_t positions;  // entries of both sides, en-passant region included
    int longestWin[2];   // longest mate, in moves, for each side to move
    double seconds;
};

// Sets up the board tables the generator uses; call once.
void tbGenInit();
// Every material of at most maxMen men (at most 3 a side) in the order the generator needs them:
// fewer men first, then fewer pawns, so that captures and promotions always lead into tables
// already computed. onlyMen: when nonzero, only tables of exactly that many men with
// 3 men against 2 (the five-men set). Returns the count written.
int tbGenMaterials(int maxMen, int onlyMen, TbMaterial* out, int capacity);
// The tables (of three men or more, each once) that a capture or a promotion of m leads into, in
// their stored orientation. Returns the count, or -1 when they do not fit in capacity.
int tbGenExitMaterials(const TbMaterial& m, TbMaterial* out, int capacity);
// Computes one table and keeps it for the tables computed after it. Every table its captures and
// promotions lead into must have been computed (or added) before: null when one is missing.
const TbGenTable* tbGenerate(const TbMaterial& material, TbGenStats* stats);
// Keeps a table computed elsewhere (read from a file) for later lookups.
void tbGenAdd(TbGenTable&& table);
// The kept table of a material, or null.
const TbGenTable* tbGenFind(uint32_t key);
// Forgets every kept table, or one.
void tbGenReset();
void tbGenForget(uint32_t key);
// With on, captures and promotions into tables not kept are read from the files registered with
// the file reader (ownTableBackend), so that a large table need not stay in memory once written.
void tbGenUseFiles(bool on);
// Probe of the kept tables, in the reader's terms (see TbBackend::probe).
int tbGenProbe(const TbPieceList* white, const TbPieceList* black, int side, int epSquare);

// The reader's piece lists of the position on the global board (kings first, then the other
// men by ascending square).
void tbListsFromBoard(TbPieceList* white, TbPieceList* black);

// A one-move look at every successor: recomputes the value of each entry from index first to
// last (step apart) with the engine's move generation and make/take-back, the successors'
// values asked of probe, and compares with the table's stored one. Returns the number of
// entries that differ (0: consistent); checked counts the positions looked at.
using TbProbeFunction = int (*)(const TbPieceList* white, const TbPieceList* black, int side,
                                int epSquare);
uint64_t tbVerify(const TbGenTable& table, int side, uint64_t first, uint64_t last, uint64_t step,
                  TbProbeFunction probe, uint64_t* checked);
