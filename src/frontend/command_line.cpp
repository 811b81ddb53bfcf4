// Reading one command line from standard input and its dispatch key.
#include "frontend/command_line.h"

#include "frontend/output.h"
#include "platform/platform.h"

char commandLine[CommandLineSize] = "";
int commandKey = 0;

int ReadCommandLine(char* buffer, int size) {
    commandKey = 0;
    if (buffer == nullptr || size <= 0) return 0;
    int length = 0;
    bool firstWord = true; // still summing the first word's codes
    bool gotAny = false;
    int c;
    while ((c = readInputByte()) >= 0) {
        gotAny = true;
        if (c == '\n') break;
        if (length >= size - 1) continue; // the rest of an over-long line is dropped
        buffer[length++] = static_cast<char>(c);
        if (c == ' ') firstWord = false;
        if (firstWord) commandKey += c;
    }
    // A line ended by CR LF reads as if it ended by LF alone.
    if (c == '\n' && length > 0 && buffer[length - 1] == '\r') {
        length--;
        if (firstWord) commandKey -= '\r';
    }
    buffer[length] = '\0';
    if (!gotAny) return 0;
    LogInputLine(buffer);
    return 1;
}
