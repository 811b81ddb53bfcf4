// The search's entry points used by the front end.
#pragma once

#include "board/types.h"

// Chooses the engine's move for the current position (0 when there is none); see control.h for
// the settings it reads and the results it leaves.
Move Think();
// Milliseconds to spend on this move.
int AllocateTime();
// The search statistics lines.
void PrintStatistics();
// 1 when waiting input must stop the search.
int PollInput();
