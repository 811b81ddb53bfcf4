// The search settings the protocol handlers fill and Think reads (SearchControl), and the results
// and state Think keeps across calls.
#pragma once

#include <cstdint>

#include "board/types.h"

// Inputs set by the protocol loops (times in milliseconds).
extern int timeLeft;
extern int movesPerControl;
extern int movesToGo;
extern int baseMinutes;
extern int increment;
extern int fixedMoveTime;
extern int moveTimeBudget;
extern int savedDepthLimit;
extern int depthLimit;
extern int pondering;
extern int ponderEnabled;
extern int infiniteAnalysis;
extern int uciMode;
extern int xboardMode;
extern int debugOutput;
extern int postThinking;
extern int showCurrentMove;
extern int multiPV;
extern int noiseDepth;
extern int benchmarkMode;

// Results and state kept across calls of Think.
extern int rootScore;
extern int lastScore;
extern int rootMoveCount;
extern char pvText[2048];
extern char moveText[16];
extern Move ponderMove;
extern char ponderText[16];
extern Move ponderedResult;
extern char ponderedText[16];
extern uint64_t ponderStartKey;
extern int lastMoveCapture;
extern int bookMisses;
extern uint8_t openingBonusEnd;
extern int timeBonus;
extern int firstMoveFlag;
extern int lowTime;
extern int8_t reportedDepth;

// Search state read by the front end.
extern int32_t nodes;
extern int abortSearch;
extern int pendingLine;
extern uint32_t searchStart;
extern int elapsed;
extern int iteration;
extern uint32_t firstMoveCutoffs;
extern uint32_t cutoffs;
