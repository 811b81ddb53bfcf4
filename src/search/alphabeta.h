// The recursive search below the root: alpha-beta with quiescence, its principal-variation
// table, its counters and the repetition test inside the searched line.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/tables.h"
#include "board/types.h"
#include "search/control.h"

constexpr int MaxPly = 256;
// Search nodes at or beyond this ply answer with the static evaluation (the killer arrays hold
// 128 plies); quiescence nodes stop at MaxQuiescePly (the PV table and undo stack hold more).
constexpr int MaxSearchPly = 120;
constexpr int MaxQuiescePly = 250;

// Triangular principal-variation table: row p holds the best line from ply p, from column p.
extern Move pvTable[MaxPly][MaxPly];
extern int pvLength[MaxPly];
// The move made at each ply of the current line (0 while none is being searched there).
extern Move lineMoves[MaxPly];
extern int iidActive;
extern uint8_t selDepth;
extern uint32_t futilityPrunes;
extern uint32_t reductions;
extern int extendedOnce;
// Periodic current-move lines printed in this root pass, and the elapsed time of the last one.
extern int periodicLines;
extern int lastPeriodicElapsed;

// 1 when waiting input must stop the search.
int PollInput();
// Full-width search of the current position with depth in sixtieths of a ply.
int Search(int alpha, int beta, int depth, int afterNull, int inCheck, int extension);
// Captures and promotions until the position is quiet.
int Quiesce(int alpha, int beta);
// 1 when hashKey occurred 4, 6, 8, ... half-moves back within the reversible stretch.
int IsRepeatedInLine();
// Futility class of a remaining depth: 1 to 4 for depths 0 to 240, 0 (none) beyond.
int futilityClassOf(int depth);
// The in-search clock rule once the budget is spent: 1 to stop, 0 to go on (after the one
// extension the budget allows).
int TimeIsUp();

// A pawn arriving on its seventh or eighth rank (the move has been made): extended in the search
// and at the root.
inline bool pawnToSeventh(Move m) {
    const int to = moveTo(m);
    const int man = board.squares[to];
    if (man == WhitePawn) return rankOf[to] >= 7;
    if (man == BlackPawn) return rankOf[to] <= 2;
    return false;
}

// One more node; the counter wraps like the 32-bit count it is.
inline void countNode() { nodes = static_cast<int32_t>(static_cast<uint32_t>(nodes) + 1); }
