// Reading PGN text for the book builder: lines in bounded pieces, result weights, move tokens.
#pragma once

#include <cstdio>

constexpr int PgnLineSize = 4096; // longest piece of a line handed out at once

// A line source over an open PGN file. A line longer than PgnLineSize comes out in pieces,
// cut after the last blank of a full buffer when there is one, so that tokens stay whole.
struct PgnReader {
    FILE* file;
    char line[PgnLineSize + 2];   // the current piece, newline kept, NUL-terminated
    int length;                   // characters in line
    bool continuation;            // line continues a longer line begun by the previous piece
    char carry[PgnLineSize + 2];  // characters cut from the previous piece, read next
    int carryLength;
    bool midLine;                 // the previous piece did not reach the end of its line
};

// Starts reading file from its current position.
void initPgnReader(PgnReader* reader, FILE* file);
// Next line (or piece of a long line) into reader->line; false at end of file. A CR before LF
// is dropped, so CR LF files read like LF files.
bool readPgnLine(PgnReader* reader);
// True when the current line is an empty line of its own (a lone newline).
bool pgnLineIsBlank(const PgnReader* reader);

// Game weight of a line containing "Result" for the book colour (1 White, 0 Black):
// the side that won gets 10, the loser 0, a draw or "*" 5, anything else 0.
int resultWeight(const char* line, int bookColour);
// The SAN text inside a movetext token once move numbers and result characters are skipped,
// or nullptr when nothing remains or the token is a standalone annotation glyph ("$n").
const char* sanOfToken(const char* token);
// Counts the bracket characters of token into parens, brackets and braces; true if it had any.
bool countBrackets(const char* token, int* parens, int* brackets, int* braces);
