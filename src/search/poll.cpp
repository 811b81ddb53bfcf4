// Input polling during a search: which waiting input stops it.
#include <cstring>

#include "frontend/command_line.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/think.h"
#include "search/thinking_output.h"

namespace {

// The commands that interrupt a search on the engine's own time with pondering enabled.
bool interrupts(const char* line) {
    return std::strcmp(line, "quit") == 0 || std::strcmp(line, "force") == 0 ||
           std::strcmp(line, "stop") == 0 || std::strncmp(line, "result", 6) == 0;
}

} // namespace

int PollInput() {
    // A line read here already stopped the search and waits for the loop; the search may poll
    // again while it unwinds, and must not read (and so lose) the next line meanwhile.
    if (pendingLine) return 1;
    // 1. Nothing waiting: go on.
    if (!inputWaiting()) return 0;
    // 2. "." asks for the status line; the search goes on.
    const int c = readInputByte();
    if (c == '.') {
        readInputByte();
        PrintStat01();
        return 0;
    }
    // End of input stops the search; the command loop then meets it again.
    if (c < 0) {
        pendingLine = 0;
        return 1;
    }
    // 3. On its own time with pondering on, only the interrupting commands stop the search
    //    (in analysis every line does, so that the interface can end or change it).
    if (c != '?') {
        pushBackInputByte(c);
        const bool ownTimeWithPonder = !pondering && ponderEnabled && !infiniteAnalysis;
        if (uciMode || ownTimeWithPonder) {
            ReadCommandLine(commandLine, CommandLineSize);
            // A UCI interface may ask isready at any time and expects the search to go on.
            if (uciMode && std::strcmp(commandLine, "isready") == 0) {
                Print("\nreadyok\n\n");
                return 0;
            }
            // Any other UCI line ends the search, except on the engine's own time with pondering
            // on; the loop handles the line already read.
            if (!ownTimeWithPonder || interrupts(commandLine)) {
                pendingLine = 1;
                return 1;
            }
            return 0;
        }
    }
    // 4. The command loop reads the waiting line itself after the search has unwound.
    pendingLine = 0;
    return 1;
}
