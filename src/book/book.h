// Opening books: building them from PGN, choosing book moves, learning from results.
#pragma once

#include <cstdint>

#include "board/types.h"

extern int bookTournament;        // 1 Tournament mode, 0 Normal
extern char bookFileName[64];     // book of the last probe, reused by LearnBook
extern uint32_t bookPath[400];    // high key halves of positions entered from the book
extern int bookPathCount;

// Builds "blancas.obk" / "negras.obk" (or an empty database under any other name) from PGN.
void buildBook(const char* pgnName, const char* bookName, int maxPly, int minGames);
// A book move for the side to move, or 0.
Move ProbeBook();
// Adds a result-dependent amount to the positions entered from the book this game.
void LearnBook(int weight);
