// The thinking lines of both protocols.
#pragma once

// The search statistics lines.
void PrintStatistics();
// Milliseconds since searchStart.
int elapsedNow();
// Text of a score in UCI: "cp N " followed by label (a bound label, or ""), or "mate N ".
void formatUciScore(int score, const char* label, char* out, int size);
// Moves of a mate score as shown to the interfaces.
int mateNumber(int score);

void PrintPvLine(int score);
// kind 0 "!", 1 "!!", 2 "?".
void PrintRootMark(int score, const char* text, int kind);
void PrintUciPv(int score);
void PrintUciMoveLine(int score, const char* text);
// kind 0 UCI, 1 WinBoard.
void PrintLastLine(int score, const char* text, int kind);
void PrintStat01();
// The current-move line: "info currmovenumber" in UCI, else "\nstat01" when xboardMode,
// showCurrentMove and not infiniteAnalysis.
void PrintCurrentMoveLine();
