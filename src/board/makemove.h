// Making and taking back moves, Zobrist keys and the repetition test.
#pragma once

#include "board/types.h"

constexpr uint64_t KeyStartValue = 0xBEBECAFEDECEBADAULL;
constexpr uint64_t NullMoveKey = 0x92CFDDA76BBE5E9BULL;

// Fixed pseudo-random keys by piece code and square; row 0 is zero. Never change them:
// opening books are keyed by hashKey.
extern const uint64_t pieceKeys[13][64];

// Keys of the initial position under pieceKeys.
extern const uint64_t InitialHashKey;
extern const uint64_t InitialPawnKey;

void makeMove(Move m);
// The hashKey that makeMove(m) would leave, without making the move (the search uses it to ask for
// table slots early). A word whose piece fields name no piece leaves the key unchanged.
uint64_t keyAfter(Move m);
void unmakeMove(Move m);
// Recomputes hashKey and pawnKey from board.squares.
void computeKeys();
// 1 when the current position occurred at least twice before in the reversible stretch.
int isRepetition();
