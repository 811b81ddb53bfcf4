// A whole engine session for the protocol fuzz targets: the engine started once per process in a
// scratch folder with its output discarded, then for each input a fresh game whose command lines
// arrive through a pipe on standard input and are run by the real command loop. All input is
// waiting from the start, so every search and ponder stops at its first poll: no depth limit is
// needed. Lines of the commands whose cost is the user's own choice (perft and mperft, tree,
// bench, book) are left out; they have their own tests.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/board.h"
#include "board/position.h"
#include "frontend/command_line.h"
#include "frontend/command_loop.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "frontend/startup.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"

namespace fuzz {

// The engine's dispatch key of a line: the codes of its first word, 4000 more for a move shape.
inline int commandKeyOf(const std::string& line) {
    int key = 0;
    for (char c : line) {
        if (c == ' ') break;
        key += static_cast<unsigned char>(c);
    }
    if (line.size() > 1 && line[1] >= '0' && line[1] <= '9') key += 4000;
    return key;
}

// True for the lines of perft, mperft, tree, bench and book in the WinBoard/console handler.
inline bool isCostlyCommand(const std::string& line) {
    switch (commandKeyOf(line)) {
    case 545: return !line.empty() && line[0] != 'w'; // perft (white shares the key)
    case 654: return !line.empty() && line[0] == 'm'; // mperft (remove shares the key)
    case 432:                                         // tree
    case 512:                                         // bench
    case 427:                                         // book
        return true;
    default: return false;
    }
}

// Start-up once: scratch folder, output to /dev/null, small hash tables, bounded allocations.
inline void startEngineOnce() {
    static bool started = false;
    if (started) return;
    char folder[] = "/tmp/morvane-session-fuzz-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0) abort();
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0) abort();
    close(null);
    StartUp();
    // A hash command may ask for far more: the allocation is refused, as on a small machine.
    hashAllocationLimit = size_t{64} << 20;
    ResizeHashTables(1);
    started = true;
}

// Runs the input's lines (prefix first) as one session of the engine's command loop.
inline void runSession(const uint8_t* data, size_t size, const char* prefix) {
    startEngineOnce();
    std::string input = prefix;
    std::string line;
    for (size_t i = 0; i <= size; i++) {
        if (i < size && data[i] != '\n') {
            line.push_back(static_cast<char>(data[i]));
            continue;
        }
        if (!isCostlyCommand(line)) input.append(line).push_back('\n');
        line.clear();
    }
    // The pipe holds the whole input, so writing it before reading cannot block.
    if (input.size() > 60000) return;
    int ends[2];
    if (pipe(ends) != 0) abort();
    if (write(ends[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) abort();
    close(ends[1]);
    if (dup2(ends[0], STDIN_FILENO) < 0) abort();
    close(ends[0]);
    resetInput();

    // A fresh game, as after start-up.
    InitFrontEndState();
    board.historyIndex = 0;
    resetGame();
    installInitialKeys();
    ClearHashTables();
    ClearPawnHash();
    endOfInput = 0;
    outputClosed = false;
    pendingLine = 0;
    CommandLoop();
    // The session's log is finished and closed; the next input starts without one.
    if (logEnabled && logFile) CloseLog("");
    logEnabled = 0;
}

} // namespace fuzz
