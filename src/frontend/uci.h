// The UCI handler: every line after "uci" goes here (options, positions, go, ponder, stop).
#pragma once

#include <cstdint>

extern int uciClearPending;     // set by every go to clearHashEachMove; consumed by "Clear Hash"
extern int uciNewGameSeen;      // ucinewgame came once: position lines no longer rotate the log
extern int uciRotateArmed;      // ucinewgame may rotate the log; go infinite disarms it
extern int lastPositionLength;  // length of the last "position startpos moves" line, 0 before
extern int16_t previousMovesToGo; // movestogo of the previous go that carried it, 0 at a new game
// A go ponder arrived on a position without one king a side: no search runs, but the stop or
// ponderhit that follows still owes the interface its bestmove.
extern int uciPonderIdle;
// The current go is "go infinite": its bestmove waits for stop even when the search ends first.
extern int uciAwaitStop;

// Handles the line in commandLine by its commandKey (the loop calls it in UCI mode).
void UciCommand();
// The reply to "uci": identity, the options with their current defaults, "uciok".
void PrintUciReply();
