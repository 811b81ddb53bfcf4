// Reading one command line from standard input and its dispatch key.
#pragma once

constexpr int CommandLineSize = 4096;

extern char commandLine[CommandLineSize];
// Sum of the character codes (0..255) of the line's first word.
extern int commandKey;

// Reads one line into buffer (at most size - 1 characters kept, the rest of a longer line is
// consumed and dropped), sets commandKey, echoes the line into the log. Returns 1 for a line,
// 0 at end of input with nothing read.
int ReadCommandLine(char* buffer, int size);
