// Test helpers for the search: one-time engine initialisation, positions from FEN, a quiet
// standard input (an empty pipe, so that the input poll never sees end of input) and a writer
// that feeds lines to it while a search runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/position.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "frontend/command_line.h"
#include "platform/platform.h"
#include "search/alphabeta.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/ordering.h"
#include "search/think.h"

namespace searchtest {

// The write end of the pipe that stands in for standard input.
inline int& stdinWriter() {
    static int fd = -1;
    return fd;
}

// Replaces descriptor 0 by an empty pipe whose write end stays open.
inline void quietStandardInput() {
    if (stdinWriter() >= 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    dup2(fds[0], 0);
    close(fds[0]);
    stdinWriter() = fds[1];
    resetInput();
}

// Writes text to the engine's standard input.
inline void feedInput(const std::string& text) {
    const ssize_t written = write(stdinWriter(), text.data(), text.size());
    (void)written;
}

// The whole lines waiting on standard input (what the engine left unread), joined by "|".
inline std::string drainInput() {
    std::string rest;
    while (inputWaiting()) {
        char line[256];
        if (!ReadCommandLine(line, sizeof line)) break;
        rest += line;
        rest += "|";
    }
    return rest;
}

// Tables, attack lookups and a 16 MB row of hash tables, once per process.
inline void initEngine() {
    static bool done = false;
    quietStandardInput();
    if (done) return;
    done = true;
    initBoardTables();
    initAttackTables();
    initEvalTables();
}

// Hash tables of a fixed size, empty, so that node counts do not depend on earlier tests.
inline void freshTables() {
    if (TransTable) FreeHashTables();
    selectHashRow(16);
    AllocateHashTables(0);
    if (!PawnHashTable) {
        selectPawnHashMegabytes(1);
        AllocatePawnHash(0);
    }
    ClearHashTables();
    ClearPawnHash();
}

// Search settings of a quiet engine in console mode with no book and no time pressure.
inline void defaultSettings() {
    timeLeft = 600000;
    movesPerControl = 0;
    movesToGo = 0;
    baseMinutes = 10;
    increment = 0;
    fixedMoveTime = 0;
    moveTimeBudget = 0;
    savedDepthLimit = 50;
    pondering = 0;
    ponderEnabled = 0;
    infiniteAnalysis = 0;
    uciMode = 0;
    xboardMode = 0;
    debugOutput = 0;
    postThinking = 1;
    showCurrentMove = 0;
    multiPV = 1;
    noiseDepth = 4;
    benchmarkMode = 0;
    rootScore = 0;
    lastScore = 0;
    ponderMove = 0;
    std::strcpy(ponderText, "no move");
    ponderedResult = 0;
    lastMoveCapture = 0;
    bookMisses = 3;
    openingBonusEnd = 0;
    timeBonus = 0;
    firstMoveFlag = 0;
    pendingLine = 0;
    gameResultCode = 0;
}

// Sets up a FEN position as the front end does (the book is out of play after a set-up).
inline void setPosition(const char* fen) {
    initEngine();
    char text[128];
    std::strncpy(text, fen, sizeof text - 1);
    text[sizeof text - 1] = 0;
    setupFromFen(text);
    board.historyIndex = 0;
    bookPly = 70;
}

// A fixed-depth search from empty tables with no clock: the settings of the benchmark.
inline Move fixedDepthSearch(const char* fen, int depth) {
    defaultSettings();
    freshTables();
    setPosition(fen);
    infiniteAnalysis = 1;
    postThinking = 0;
    moveTimeBudget = 999999;
    savedDepthLimit = depth;
    return Think();
}

// Runs a writer thread that sends each line after its delay (milliseconds from the start).
class DelayedInput {
public:
    explicit DelayedInput(std::vector<std::pair<int, std::string>> lines)
        : thread_([lines] {
              const auto start = std::chrono::steady_clock::now();
              for (const auto& [delay, text] : lines) {
                  std::this_thread::sleep_until(start + std::chrono::milliseconds(delay));
                  feedInput(text);
              }
          }) {}
    ~DelayedInput() { thread_.join(); }

private:
    std::thread thread_;
};

} // namespace searchtest
