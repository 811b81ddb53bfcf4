// The command loop: prompts, pondering, reading and dispatching lines, the engine's moves.
#pragma once

#include "board/types.h"

// Runs until "quit", end of input or a closed output.
void CommandLoop();
// Runs Think for the side to move and plays, records and announces its move.
void PlayEngineMove();
