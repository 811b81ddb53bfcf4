// The HTML board diagram with its FEN, written into the game log after every engine move.
#pragma once

#include "board/types.h"

// The FEN of the current position as the log shows it; out needs 100 characters.
void PositionFen(char* out);
// Writes the image table (the from- and to-squares of played marked) and the FEN line into the
// open log; nothing when no log is open.
void LogDiagram(Move played);
