// The Linux layer: standard input with push-back and polling, the millisecond clock and the
// terminal's colour cells. The INI reader lives in ini_file.cpp.
#include "platform/platform.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>

bool inputIsPipe = false;
bool outputIsConsole = false;

namespace {

// One byte pushed back by the reader or the poller; -2 means none.
constexpr int NoPushBack = -2;
int pushedBack = NoPushBack;
// Set once read(2) reported end of input or an error: every later read answers -1 at once.
bool inputEnded = false;

// Writes the whole buffer to standard output, retrying after interruptions; false on failure.
bool writeAll(const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = write(STDOUT_FILENO, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// ANSI colour index (0..7) of a console palette index (0..7): the console orders the bits
// blue, green, red from the lowest; ANSI orders them red, green, blue.
int ansiColour(int consoleColour) {
    return ((consoleColour & 1) << 2) | (consoleColour & 2) | ((consoleColour & 4) >> 2);
}

} // namespace

void initPlatform() {
    inputIsPipe = !isatty(STDIN_FILENO);
    outputIsConsole = isatty(STDOUT_FILENO) != 0;
    setvbuf(stdout, nullptr, _IONBF, 0);
    // An interface that closes its pipe must not kill the engine in the middle of a write.
    signal(SIGPIPE, SIG_IGN);
}

void ignoreInterruptSignal() {
    signal(SIGINT, SIG_IGN);
}

int readInputByte() {
    if (pushedBack != NoPushBack) {
        int byte = pushedBack;
        pushedBack = NoPushBack;
        return byte;
    }
    if (inputEnded) return -1;
    unsigned char byte;
    for (;;) {
        ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        inputEnded = true;
        return -1;
    }
}

void pushBackInputByte(int byte) {
    pushedBack = byte;
}

int inputWaiting() {
    if (pushedBack != NoPushBack || inputEnded) return 1;
    pollfd request{STDIN_FILENO, POLLIN, 0};
    int ready = poll(&request, 1, 0);
    if (ready <= 0) return 0;
    // Hang-up, error and an invalid descriptor all mean the reader will see end of input.
    return (request.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void discardPendingInput() {
    while (inputWaiting() && !inputEnded) {
        if (readInputByte() < 0) break;
    }
    pushedBack = NoPushBack;
}

void resetInput() {
    pushedBack = NoPushBack;
    inputEnded = false;
}

uint32_t tickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

// Formats the escape sequence that selects a console attribute (background high nibble,
// text colour low nibble, bit 3 of each = bright) into out.
int consoleAttributeSequence(int attribute, char* out, int size) {
    int text = attribute & 0x0F;
    int back = (attribute >> 4) & 0x0F;
    int textCode = (text & 8 ? 90 : 30) + ansiColour(text & 7);
    int backCode = (back & 8 ? 100 : 40) + ansiColour(back & 7);
    return snprintf(out, static_cast<size_t>(size), "\x1b[%d;%dm", textCode, backCode);
}

void consoleWriteCells(int column, int rowOffset, const char* text, int attribute) {
    if (!outputIsConsole || column < 0 || text == nullptr) return;
    // The cursor is saved and restored, so that the cells leave it where it was, as the
    // console's direct buffer writes do.
    char sequence[96];
    int length = snprintf(sequence, sizeof sequence, "\x1b" "7");
    if (rowOffset < 0) length += snprintf(sequence + length, sizeof sequence - length, "\x1b[%dA", -rowOffset);
    if (rowOffset > 0) length += snprintf(sequence + length, sizeof sequence - length, "\x1b[%dB", rowOffset);
    length += snprintf(sequence + length, sizeof sequence - length, "\x1b[%dG", column + 1);
    length += consoleAttributeSequence(attribute, sequence + length, static_cast<int>(sizeof sequence) - length);
    fflush(stdout);
    writeAll(sequence, static_cast<size_t>(length));
    size_t textLength = 0;
    while (text[textLength] != '\0') textLength++;
    writeAll(text, textLength);
    static const char reset[] = "\x1b[0m\x1b" "8";
    writeAll(reset, sizeof reset - 1);
}
