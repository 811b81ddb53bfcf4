// The think driver: Think (book, single replies, pondering, iterative deepening, the time
// budget) and its root search with the analysis lines and the ponder move.
#pragma once

#include "board/types.h"

// Chooses the engine's move for the current position (0 when there is none); see control.h for
// the settings it reads and the results it leaves.
Move Think();
// Milliseconds to spend on this move.
int AllocateTime();

constexpr int MaxAnalysisLines = 256;

extern int lineIndex;                     // analysis line being searched, from 1
extern int lineCount;                     // analysis lines of this search (1 outside MultiPV)
extern Move lineMove[MaxAnalysisLines];   // best move of each analysis line
extern int lineScore[MaxAnalysisLines];
extern char lineText[MaxAnalysisLines][256];
extern int rootInTrouble;
extern int rootResearching;
extern int rootMovesSearched;
extern int rootPassCount;                 // root moves in the current pass
extern int rootMovesLeft;                 // moves left in the pass after the current one
extern char currentMoveText[16];
extern const char* boundLabel;            // "", "upperbound " or "lowerbound "

// Searches every root move; returns rootScore, leaves the best line in pvTable row 1.
int RootSearch(int alpha, int beta, int depth, Move* rootMoves, int count, int inCheck);
// The second move of a principal-variation text, matched among the legal moves (0 if none).
Move PonderMoveFromText(const char* text);
// 1 when m is among the legal moves of the current position.
int isLegalHere(Move m);
