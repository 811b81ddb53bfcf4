// The single output routine, the HTML game log and "process.out".
#include "frontend/output.h"

#include <signal.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

int logEnabled = 0;
FILE* logFile = nullptr;
char logFileName[64] = "";
int nextLogNumber = 1;
char baseDirectory[4096] = "";
bool outputClosed = false;

namespace {

const char* const ProcessFileName = "process.out";
const char* const ProcessTempName = "process.out.new";
const char* const LogTrailer = "</b></pre>\n</body>\n</html>\n";
// A finished log smaller than this is deleted and its number used again.
constexpr long MinimumLogBytes = 1024;
// Numbers read from "process.out" beyond this are taken as damage, not as a log number.
constexpr int MaximumLogNumber = 999999;

// Where the last input line copied into the log begins, and its length; -1 when the log has
// been written to since (or no line was copied), so that a rotation blanks nothing else.
long lastInputOffset = -1;
long lastInputLength = 0;

// Holds SIGTERM back while the log or "process.out" is being written: the signal's handler
// finishes both itself, and must never find them half-way through an operation (it once
// closed a log that was being closed and removed the whole game).
class TerminationHeld {
public:
    TerminationHeld() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_BLOCK, &set, &saved);
    }
    ~TerminationHeld() { sigprocmask(SIG_SETMASK, &saved, nullptr); }
    TerminationHeld(const TerminationHeld&) = delete;
    TerminationHeld& operator=(const TerminationHeld&) = delete;

private:
    sigset_t saved;
};

// Writes text to standard output; a failure means the interface closed its end.
void writeOutput(const char* text) {
    if (outputClosed) return;
    if (fputs(text, stdout) == EOF || fflush(stdout) == EOF) outputClosed = true;
}

// Writes the engine's directory as the address the log's pictures are found by: a byte that
// would end the attribute or change the address's meaning ('#', '?', '%', a quote, a blank,
// anything outside ASCII) is written %XX, so a folder such as "My #2" still shows its diagrams.
void writeBaseAddress(FILE* file, const char* directory) {
    static const char Plain[] = "/-._~!$()*+,;=:@";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(directory); *p; p++) {
        bool plain = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') ||
                     (*p >= '0' && *p <= '9') || (*p < 128 && std::strchr(Plain, *p));
        if (plain) fputc(*p, file);
        else fprintf(file, "%%%02X", *p);
    }
}

} // namespace

void Print(const char* format, ...) {
    char text[8192];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length >= 0 && length < static_cast<int>(sizeof text)) {
        writeOutput(text);
        if (logEnabled && logFile) {
            TerminationHeld held;
            fputs(text, logFile);
        }
    } else if (length >= 0) {
        // Longer than the buffer: format straight into both streams rather than cut it.
        va_list third;
        va_copy(third, again);
        if (!outputClosed && (vfprintf(stdout, format, again) < 0 || fflush(stdout) == EOF))
            outputClosed = true;
        if (logEnabled && logFile) {
            TerminationHeld held;
            vfprintf(logFile, format, third);
        }
        va_end(third);
    }
    va_end(again);
    if (logEnabled && logFile) lastInputOffset = -1;
}

void LogPrint(const char* format, ...) {
    if (!logEnabled || !logFile) return;
    TerminationHeld held;
    va_list args;
    va_start(args, format);
    vfprintf(logFile, format, args);
    va_end(args);
    lastInputOffset = -1;
}

void OpenLog() {
    TerminationHeld held;
    if (logFile) CloseLog("");
    snprintf(logFileName, sizeof logFileName, "Logs/Log%03d.htm", nextLogNumber);
    nextLogNumber += 1;
    logFile = fopen(logFileName, "w");
    lastInputOffset = -1;
    if (logFile == nullptr) {
        // No directory, no permission, a read-only disk: the game goes on without a log.
        logEnabled = 0;
        nextLogNumber -= 1;
        return;
    }
    fputs("<html>\n<head><base href = \"", logFile);
    writeBaseAddress(logFile, baseDirectory);
    fputs("\">\n", logFile);
    fprintf(logFile, "<title>%s</title>\n", logFileName);
    fputs("<style>\n", logFile);
    fputs("body {background: white}\n", logFile);
    fputs("pre {font-family:\"Monospaced\"}\n", logFile);
    fputs(".fen {font-family:\"Courier New\"}\n", logFile);
    fputs(".in {font-family:\"Courier New\"; color: red}\n", logFile);
    fputs("</style>\n</head>\n<body>\n<pre><b>\n", logFile);
}

void CloseLog(const char* suffix) {
    if (logFile == nullptr) return;
    TerminationHeld held;
    fputs(LogTrailer, logFile);
    fputs(suffix ? suffix : "", logFile);
    // Measure the complete file, buffered output included. A log that could not be written
    // whole (a full disk) is removed rather than left cut short.
    bool damaged = fflush(logFile) != 0 || ferror(logFile) != 0;
    fseek(logFile, 0, SEEK_END);
    long size = ftell(logFile);
    if (fclose(logFile) != 0) damaged = true;
    logFile = nullptr;
    lastInputOffset = -1;
    if (damaged || (size >= 0 && size < MinimumLogBytes)) {
        remove(logFileName);
        nextLogNumber -= 1;
    }
}

void LogInputLine(const char* line) {
    if (!logEnabled || !logFile) return;
    TerminationHeld held;
    long start = ftell(logFile);
    fprintf(logFile, "<span class=\"in\">%s</span>\n", line);
    long end = ftell(logFile);
    lastInputOffset = start >= 0 && end > start ? start : -1;
    lastInputLength = end - start;
}

void RotateLogMovingInputLine(const char* line, const char* suffix) {
    TerminationHeld held;
    if (logFile && lastInputOffset >= 0 && ftell(logFile) == lastInputOffset + lastInputLength) {
        // Blank out the copy of the line at the end of the old log; the trailer goes where it
        // began.
        fseek(logFile, lastInputOffset, SEEK_SET);
        for (long i = 0; i < lastInputLength; i++) fputc(' ', logFile);
        fseek(logFile, lastInputOffset, SEEK_SET);
    }
    CloseLog(suffix);
    OpenLog();
    LogInputLine(line);
}

void ReadProcessOut() {
    FILE* file = fopen(ProcessFileName, "r");
    if (file == nullptr) return;
    char line[255];
    if (fgets(line, sizeof line, file) != nullptr) {
        long now = static_cast<long>(time(nullptr));
        int number;
        long stamp;
        if (sscanf(line, "%d %ld", &number, &stamp) == 2 && number >= 0 &&
            number <= MaximumLogNumber && stamp > now - 86400)
            nextLogNumber = number + 1;
    }
    fclose(file);
}

void WriteProcessOut() {
    TerminationHeld held;
    // Written beside the old file and renamed over it, so that a full disk or a failed write
    // leaves the previous numbers rather than an empty or cut-short file.
    FILE* file = fopen(ProcessTempName, "w");
    if (file == nullptr) return;
    bool written = fprintf(file, "%d %ld", nextLogNumber - 1, static_cast<long>(time(nullptr))) > 0;
    if (fclose(file) != 0) written = false;
    if (!written || rename(ProcessTempName, ProcessFileName) != 0) remove(ProcessTempName);
}
