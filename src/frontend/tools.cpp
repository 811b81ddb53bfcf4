// The console tools of the command handler: perft reports, the move-tree dump, book building.
#include "frontend/tools.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/perft.h"
#include "book/book.h"
#include "frontend/command_line.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "platform/platform.h"

namespace {

// Deeper trees would outgrow the undo stack (and could never finish anyway).
constexpr int MaxToolDepth = 20;

// Typing that came in during a long tool run is dropped at a console; on a pipe the waiting
// lines are an interface's next commands and are kept.
void discardConsoleTyping() {
    if (!inputIsPipe) discardPendingInput();
}

// Reads one more console line into commandLine; at end of input marks the loop to end.
int readAnswerLine() {
    if (ReadCommandLine(commandLine, CommandLineSize)) return 1;
    endOfInput = 1;
    commandLine[0] = '\0';
    return 0;
}

} // namespace

void PerftReport(int depth, int makeEveryMove) {
    if (depth > MaxToolDepth) depth = MaxToolDepth;
    uint32_t count = 0;
    uint32_t spent = 0;
    for (int i = 1; i <= depth; i++) {
        uint32_t start = tickCount();
        if (makeEveryMove) {
            perftNodes = 0;
            perftLeaves(i);
            count = perftNodes;
        } else {
            count = perftCount(i);
        }
        spent = tickCount() - start;
        Print("Nodes[%d]:%*lu;\n", i, 13, static_cast<unsigned long>(count));
    }
    if (depth >= 1)
        Print("\nTime[%d]: %.3fs, knps: %ld\n", depth, spent * 0.001,
              spent ? static_cast<long>(count / spent) : 0L);
    discardConsoleTyping();
    Print("\n");
}

void treeCommand() {
    Print("\nIngrese la profundidad deseada del arbol: ");
    if (!readAnswerLine()) return;
    char word[32] = "";
    std::sscanf(commandLine, "%31s", word);
    int depth = std::atoi(word);
    if (depth > MaxToolDepth) depth = MaxToolDepth;
    Print("\nArchivo de salida: ");
    if (!readAnswerLine()) return;
    char name[256] = "";
    if (std::sscanf(commandLine, "%255s", name) != 1) return;
    FILE* file = std::fopen(name, "w");
    if (!file) {
        std::fprintf(stderr, "Couldn't open file %s\n", name);
        return;
    }
    dumpTree(depth, 0, file);
    std::fclose(file);
    Print("End of analysis\n");
    discardConsoleTyping();
}

void BookCommand(const char* arguments) {
    char source[256] = "";
    char target[256] = "";
    int maxPly = 60;
    int minGames = 2;
    std::sscanf(arguments, "%255s %255s %d %d", source, target, &maxPly, &minGames);
    if (std::strstr(source, ".pgn") &&
        (std::strstr(target, ".obk") || std::strstr(target, ".txt"))) {
        buildBook(source, target, maxPly, minGames);
        // The builder leaves the initial position on the board: the game starts anew with it.
        StartNewGame();
        return;
    }
    Print("\nThe sintaxis of the book command is:\n");
    Print("\nbook <source file> <target file> [maxply] [mn]\n");
    Print("\nwhere:\n");
    Print("         <source file> is the name of a .pgn file\n");
    Print("         <target file> can be:\n");
    Print("                               Blancas.obk (book in .obk format for White)\n");
    Print("                               Negras.obk (book in .obk format for Black)\n");
    Print("         [maxply] set the depth of the book lines (default = 60)\n");
    Print("         [mn] minimal number of games to include a move (default = 2)\n");
    Print("\nPress enter when ready...\n");
    readAnswerLine();
}
