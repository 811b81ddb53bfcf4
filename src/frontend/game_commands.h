// Commands that change the game: new game, entered moves, take-backs, edit mode, draw, result.
#pragma once

// A new game: the initial position, no force mode, analysis or pondering; unless keepTables (the
// new command driven by an adapter), also empty tables and a fresh game's scores and counters.
void NewGame(int keepTables);
// A move in coordinate notation from the interface or the player: made and recorded when legal
// (and the record has room), else "Illegal move: %s" with the whole line.
void EnterMove(const char* line);
// Takes back count half-moves (1 undo, 2 remove) when the record holds them.
void TakeBack(int count);
// Reads edit-mode lines up to the one beginning with '.'.
void EditMode();
// The opponent offers a draw: accepted with the game's rules, else ignored.
void DrawOffer();
// The result command with its text (the game end, book learning, log rotation).
void ResultCommand(const char* text);
// The ponder command: ponders on the given reply when it is a legal move.
void PonderCommand(const char* text);
