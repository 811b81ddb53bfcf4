// PGN line reading and token classification for the book builder.
#include "book/pgn_reader.h"

#include <cstring>

void initPgnReader(PgnReader* reader, FILE* file) {
    reader->file = file;
    reader->line[0] = '\0';
    reader->length = 0;
    reader->continuation = false;
    reader->carryLength = 0;
    reader->midLine = false;
}

// Reads one character; CR LF comes back as a single LF.
static int readPgnChar(FILE* file) {
    int c = getc(file);
    if (c == '\r') {
        int next = getc(file);
        if (next == '\n') return '\n';
        if (next != EOF) ungetc(next, file);
    }
    return c;
}

bool readPgnLine(PgnReader* reader) {
    char* line = reader->line;
    int length = reader->carryLength;
    memcpy(line, reader->carry, length);
    reader->carryLength = 0;
    reader->continuation = reader->midLine;
    bool ended = false;
    while (length < PgnLineSize) {
        int c = readPgnChar(reader->file);
        if (c == EOF) break;
        line[length++] = static_cast<char>(c);
        if (c == '\n') {
            ended = true;
            break;
        }
    }
    if (length == 0) {
        line[0] = '\0';
        reader->length = 0;
        reader->midLine = false;
        return false;
    }
    reader->midLine = false;
    if (!ended && length == PgnLineSize) {
        // A full buffer: peek whether the line ends right here, else cut after the last blank.
        int c = readPgnChar(reader->file);
        if (c == '\n') {
            line[length++] = '\n';
        } else if (c != EOF) {
            ungetc(c, reader->file);
            reader->midLine = true;
            int cut = length;
            while (cut > 0 && line[cut - 1] != ' ') cut--;
            if (cut > 0) {
                reader->carryLength = length - cut;
                memcpy(reader->carry, line + cut, reader->carryLength);
                length = cut;
            }
        }
    }
    line[length] = '\0';
    reader->length = length;
    return true;
}

bool pgnLineIsBlank(const PgnReader* reader) {
    return !reader->continuation && reader->line[0] == '\n';
}

int resultWeight(const char* line, int bookColour) {
    // The line contains "Result", so it has at least six characters.
    if (strstr(line + 5, "1-0")) return bookColour == 1 ? 10 : 0;
    if (strstr(line + 5, "0-1")) return bookColour == 1 ? 0 : 10;
    if (strstr(line + 5, "*")) return 5;
    if (strstr(line + 6, "1/2-1/2")) return 5;
    return 0;
}

const char* sanOfToken(const char* token) {
    token += strspn(token, "0123456789./-*");
    if (*token == '\0' || *token == '$') return nullptr;
    return token;
}

bool countBrackets(const char* token, int* parens, int* brackets, int* braces) {
    bool found = false;
    for (const char* c = token; *c; c++) {
        switch (*c) {
        case '(': (*parens)++; break;
        case ')': (*parens)--; break;
        case '[': (*brackets)++; break;
        case ']': (*brackets)--; break;
        case '{': (*braces)++; break;
        case '}': (*braces)--; break;
        default: continue;
        }
        found = true;
    }
    return found;
}
