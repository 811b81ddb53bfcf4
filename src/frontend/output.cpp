// The single output routine and the HTML game log.
#include "frontend/output.h"

#include <cstdarg>
#include <cstdio>

int logEnabled = 0;
FILE* logFile = nullptr;
char logFileName[64] = "";
int nextLogNumber = 1;
char baseDirectory[4096] = "";
bool outputClosed = false;

void Print(const char* format, ...) {
    char text[8192];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (fputs(text, stdout) == EOF) outputClosed = true;
    if (logEnabled && logFile) fputs(text, logFile);
}

void LogPrint(const char* format, ...) {
    if (!logEnabled || !logFile) return;
    va_list args;
    va_start(args, format);
    vfprintf(logFile, format, args);
    va_end(args);
}
