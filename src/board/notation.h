// Coordinate notation and standard algebraic notation (SAN), reading and writing.
#pragma once

#include "board/types.h"

extern const char* const squareNames[64];

// "%s%s%s": from, to, promotion letter. out needs room for 6 characters.
void moveToCoordinate(Move m, char* out);
// Finds the legal move whose coordinate text equals text exactly; 1 and out set, else 0.
int findCoordinateMove(const char* text, Move* out);
// SAN of a legal move of the current position (before it is made). out needs 8 characters.
void sanBeforeMove(Move m, char* out);
// SAN of a move that has just been made on the board.
void sanAfterMove(Move m, char* out);
// Reads SAN for side (1 White, 0 Black); returns a legal move or 0.
Move parseSan(const char* text, int side);
