// The static evaluation with its cache, pawn structure, king safety and endgame knowledge.
#pragma once

#include "search/hash.h"

// Winnable sides, from materialVerdict.
constexpr int WinnableNone = 0;
constexpr int WinnableWhite = 1;
constexpr int WinnableBlack = 2;
constexpr int WinnableBoth = 3;

// Static score from the side to move's point of view; only beta matters (the lazy cut-off).
int evaluate(int alpha, int beta);
// Probes or builds the pawn hash entry for the current pawnKey.
PawnHashEntry* pawnEntry();
// Which sides can still win with the material on the board (0..3).
int materialVerdict();
// 1 when the kings share a file or rank at even distance and side is not to move.
int hasOpposition(int side);
// Per-square masks of the evaluation; built once at start-up after initBoardTables.
void initEvalTables();
