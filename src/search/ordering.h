// Move ordering: the sort keys of the search, quiescence and root move lists, lazy selection,
// and the history, killer and root-node tables the search keeps.
#pragma once

#include <cstdint>

#include "board/types.h"

constexpr int KillerPlies = 128;

// Quiet-move cutoff counters by moving piece code and to-square.
extern int32_t historyScore[13][64];
// The last three quiet moves that cut off at each ply, most recent first.
extern Move killer1[KillerPlies];
extern Move killer2[KillerPlies];
extern Move killer3[KillerPlies];
// Nodes each root move took in its last search, by the low 12 bits (from and to) of the move.
extern uint32_t rootMoveNodes[4096];

// Zeroes the history, killer and root-node tables (at the start of every search).
void clearOrderingTables();
// Records a quiet cutoff move m at ply: shifts it into the killers unless it is killer1 already.
void recordKiller(Move m, int ply);
// Keys for an interior node of the full-width search, padded for PickNextBounded. Returns the
// first position holding the largest key, for PickFirst.
int OrderSearchMoves(const Move* moves, int* keys, int count, Move hashMove);
// Keys for a quiescence node; exchange receives each capture's exchange estimate. Returns the
// first position holding the largest key (what PickBestIndex would answer first).
int OrderQuiesceMoves(const Move* moves, int* keys, int* exchange, int count, Move hashMove);
// Keys for the root list (reads the previous best move and the analysis lines' moves).
void OrderRootMoves(const Move* moves, int* keys, int count);
// Brings the best remaining move to position i (ties keep list order) and returns it.
Move PickNext(int* keys, Move* moves, int i, int count);
// The picks below mark each place they hand out with SpentKey, and PickNextBounded reads whole
// blocks of four keys: the list must be padded with SpentKey to a multiple of four (PadPickKeys).
constexpr int SpentKey = -2147483647 - 1;
void PadPickKeys(int* keys, int count);
// PickNext at position 0, given the first position of the largest key (OrderSearchMoves' answer).
Move PickFirst(int* keys, Move* moves, int bestIndex);
// PickNext for a caller that carries bound, a key no smaller than any key after position i - 1
// (start with the largest key of the list): when keys[i] reaches it, nothing can beat keys[i] and
// the list is not scanned. Leaves a bound for position i + 1. The places before i must be spent
// (picked by PickFirst and PickNextBounded) and the list padded.
Move PickNextBounded(int* keys, Move* moves, int i, int count, int& bound);
// Index of the first largest key, which is then spent (set to -30000).
int PickBestIndex(int* keys, int count);
