// The single output routine, the HTML game log and "process.out".
#pragma once

#include <cstdio>

extern int logEnabled;
extern FILE* logFile;          // nullptr when no log is open
extern char logFileName[64];
extern int nextLogNumber;
extern char baseDirectory[4096];
// Set when a write to standard output failed (the interface closed its pipe): the command loop
// then ends as on end of input.
extern bool outputClosed;

// printf-style: writes to standard output and, when logging, into the log.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// printf-style into the open log only (nothing when no log is open or logging is off).
void LogPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Opens "Logs/Log%03d.htm" with nextLogNumber and writes the header; logging turns off if the
// file cannot be opened.
void OpenLog();
// Writes the trailer and suffix, closes, deletes a log under 1024 bytes (its number is reused).
void CloseLog(const char* suffix);
// UCI rotation: blanks out the copy of the last input line at the end of the current log (when
// nothing followed it), closes the log with the suffix written where the copy began, opens the
// next log and copies the line into it.
void RotateLogMovingInputLine(const char* line, const char* suffix);
// When logging: the input line in the red span, to the log only.
void LogInputLine(const char* line);
// Prints the result line of a game code, wrapped in the fen span in the log.
void PrintResult(int code);
// Reads "process.out" (numbering across runs less than a day apart).
void ReadProcessOut();
// Writes "process.out" with nextLogNumber - 1 and the current time.
void WriteProcessOut();
