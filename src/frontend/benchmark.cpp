// The speed benchmark: one middlegame position searched three times to depth 8.
#include "frontend/benchmark.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/position.h"
#include "frontend/console_board.h"
#include "frontend/frontend.h"
#include "frontend/game_commands.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/think.h"

void RunBenchmark() {
    pondering = 0;
    ponderMove = 0;
    ponderedResult = 0;
    infiniteAnalysis = 1;
    postThinking = 0;
    depthLimit = savedDepthLimit;
    savedDepthLimit = 8;
    moveTimeBudget = 999999;
    char fen[128];
    std::snprintf(fen, sizeof fen, "%s", BenchmarkPosition);
    setupFromFen(fen);
    board.historyIndex = 0;

    long sum = 0;
    for (int attempt = 1; attempt <= 3; attempt++) {
        ClearHashTables();
        ClearPawnHash();
        if (attempt == 1) {
            Print("\n");
            DrawConsoleBoard(stdout, board.sideToMove);
        }
        Think();
        uint32_t spent = tickCount() - searchStart;
        long nps = spent ? static_cast<long>(static_cast<double>(nodes) / spent * 1000) : 0;
        Print("Speed (try #%d): %ld nps [1.%s]\n", attempt, nps, pvText);
        Print("Move Ordering Efficiency Rate (try #%d): %.2f%%\n\n", attempt,
              100.0 * firstMoveCutoffs / (cutoffs + 1.0));
        sum += nps;
    }
    Print("\nAverage Speed: %d nps\n\n", static_cast<int>(sum / 3));

    // The benchmark leaves a new game, as new does, with the engine's usual search settings.
    NewGame(0);
    postThinking = 1;
    moveTimeBudget = 0;
    savedDepthLimit = depthLimit = 50;
}
