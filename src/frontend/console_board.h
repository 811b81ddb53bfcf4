// The coloured console diagram of the position, oriented for the side to move.
#pragma once

#include <cstdio>

// Writes the diagram's newlines to stream and its cells to the terminal (nothing of the cells
// when standard output is not a terminal). side: 1 White to move (rank 8 on top), 0 Black.
void DrawConsoleBoard(FILE* stream, int side);
