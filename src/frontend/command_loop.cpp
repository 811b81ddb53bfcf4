// The command loop: prompts, pondering, reading and dispatching lines, the engine's moves.
#include "frontend/command_loop.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "frontend/command_line.h"
#include "frontend/console_board.h"
#include "frontend/diagram.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "frontend/winboard.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/think.h"
#include "search/thinking_output.h"

#include "frontend/uci.h"

namespace {

// Step 8 of a move: resign and draw counters, outside the adapter and UCI and in a live game.
void resignAndDrawBookkeeping() {
    if (adapterMode || uciMode || gameResultCode) return;
    int s = rootScore;
    // A clock with no moves to go counts as the whole clock for one move.
    int opponentShare = movesPerControl ? opponentTimeLeft / (movesToGo > 0 ? movesToGo : 1) : 0;
    bool opponentHasTime = movesPerControl ? opponentShare > 5000 : opponentTimeLeft > 60000;
    if (!opponentHasTime) {
        resignCounter = drawCounter = 0;
    } else if (s < resignScore) {
        resignCounter++;
    } else if (s == contempt && fullMoveNumber > drawMoveNumber) {
        drawCounter++;
    } else {
        resignCounter = drawCounter = 0;
    }
    if (resignCounter == resignMoves && s < resignScore) {
        gameResultCode = 6;
        resignCounter = 0;
    } else if (drawCounter >= drawMoves) {
        Print("offer draw\n");
    }
}

// The summary lines and the clock bookkeeping after the engine's move (outside UCI).
void printSummary(double nps) {
    if (rootScore >= 29900) Print("Found mate in %d movements\n", (30000 - rootScore) / 2);
    Print("\nDepth: %d; score: %+.2f; time: %.2f", reportedDepth, rootScore * 0.01,
          elapsed * 0.001);
    Print("; nodes: %ld", static_cast<long>(nodes));
    if (elapsed == 0) Print("; nps: 0\n");
    else Print("; nps: %ld\n", static_cast<long>(nps));
    if (movesPerControl) {
        movesToGo--;
        if (adapterMode) {
            if (movesToGo < 0) {
                movesToGo += movesPerControl;
                timeLeft += baseMinutes * 60000;
            }
        } else if (movesToGo == 0) {
            movesToGo = movesPerControl;
            timeLeft += baseMinutes * 60000;
        }
    }
    Print("\nTime left : %d\n", timeLeft / 10);
    if (movesPerControl) Print("Moves left: %d\n", movesToGo);
    PrintStatistics();
}

// A UCI "go infinite" whose search ended by itself (its depth limit, or no move to search)
// keeps its bestmove until the interface says stop; isready is answered meanwhile. Any other
// line also ends the wait and is handled after the bestmove, as it would end the search.
void awaitStop() {
    while (!outputClosed && ReadCommandLine(commandLine, CommandLineSize)) {
        if (std::strcmp(commandLine, "isready") == 0) {
            Print("\nreadyok\n\n");
            continue;
        }
        pendingLine = 1;
        return;
    }
}

// Step 10: plays m, records it, prints the summary and announces it.
void playAndReport(Move m) {
    moveToCoordinate(m, moveText);
    UndoRecord before = {static_cast<int8_t>(board.epSquare), board.fiftyCount};
    makeMove(m);
    gameKeys[gameIndex + 1] = board.hashKey;
    gameMoves[gameIndex + 1] = m;
    // A move that draws by rule ends the game: its line of play is over, and the log's caption
    // after it is left empty.
    if (board.fiftyCount > 99 || isRepetition()) {
        rootScore = 0;
        gameResultCode = board.fiftyCount > 99 ? 4 : 5;
        pvText[0] = '\0';
    }
    double nps = elapsed ? static_cast<double>(nodes) / elapsed * 1000 : 0;
    gameUndo[gameIndex + 1] = before;
    gameIndex++;
    board.historyIndex = 0;
    otherSideFlag ^= 1;
    bookPly++;
    if (!uciMode) printSummary(nps);
    if (debugOutput) PrintStatistics();
    fullMoveNumber++;
    if (moveTo(ponderMove) == 0) std::strcpy(ponderText, "no move");

    if (xboardMode) {
        Print("move %s\n", moveText);
    } else if (uciMode) {
        Print("info currmovenumber 1 currmove %s depth %d time %ld nodes %ld nps %ld\n\nbestmove %s",
              moveText, reportedDepth, static_cast<long>(elapsed), static_cast<long>(nodes),
              static_cast<long>(nps + 1), moveText);
        if (ponderEnabled && !pondering && std::strncmp(ponderText, "no", 2) != 0)
            Print(" ponder %s", ponderText);
        Print("\n\n");
    } else {
        Print("\n%s\n", moveText);
    }
    if (!uciMode) Print("Hint: %s\n\n", gameResultCode ? "no move" : ponderText);
    if (gameResultCode == 0) {
        // Pondering needs room in the game record for the expected reply and its answer.
        int room = gameIndex + 2 < LastRecordedMove;
        pondering = (!uciMode && !adapterMode && room) ? ponderEnabled : 0;
    } else {
        pendingLine = 0;
        if (!uciMode) PrintResult(gameResultCode);
    }
}

} // namespace

void PlayEngineMove() {
    // A full game record (or a position without one king a side) gets no move.
    if (gameIndex >= LastRecordedMove || !positionIsPlayable()) {
        pendingLine = 0;
        if (uciMode) Print("\nbestmove 0000\n\n"); // UCI owes every go one bestmove
        return;
    }
    // The time rules divide by the moves to go; a control never has fewer than one left.
    int savedMovesToGo = movesToGo;
    if (movesPerControl > 0 && movesToGo < 1) movesToGo = 1;
    Move m = Think();
    if (movesToGo == 1 && savedMovesToGo < 1) movesToGo = savedMovesToGo;
    if (uciMode && uciAwaitStop && !pendingLine) awaitStop();
    uciAwaitStop = 0;

    resignAndDrawBookkeeping();
    if (rootMoveCount == 0 || m == 0) {
        pendingLine = 0;
        if (!uciMode) PrintResult(gameResultCode);
        else Print("\nbestmove 0000\n\n"); // no legal move, or a drawn position
    } else {
        playAndReport(m);
    }
    if (clearHashEachMove && !infiniteAnalysis) {
        ClearHashTables();
    } else if (rootScore > 100 && (board.fiftyCount == 40 || board.fiftyCount == 60)) {
        ClearHashTables();
        firstMoveFlag = 1;
        Print("\nTablas limpiadas\n\n");
    }
    if (logEnabled && m) LogDiagram(m);
}

void CommandLoop() {
    for (;;) {
        if (endOfInput || outputClosed) return;
        if (showBoard) {
            Print("\n");
            DrawConsoleBoard(stdout, board.sideToMove);
        }
        if (!promptOff) {
            if (board.sideToMove == White) {
                fullMoveNumber = (gameIndex + 2) / 2;
                Print("white(%ld): ", static_cast<long>(fullMoveNumber));
            } else {
                fullMoveNumber = (gameIndex + 1) / 2 > 1 ? (gameIndex + 1) / 2 : 1;
                Print("black(%ld): ", static_cast<long>(fullMoveNumber));
            }
        }
        if (pondering) {
            int savedPost = postThinking;
            if (!promptOff) postThinking = 0;
            moveTimeBudget = 999999;
            Think();
            pondering = uciMode;
            if (!promptOff) postThinking = savedPost;
        }
        if (pendingLine) {
            pendingLine = 0;
        } else if (!ReadCommandLine(commandLine, CommandLineSize)) {
            return; // end of input ends the engine exactly as "quit"
        }
        if (outputClosed) return;
        if (std::strcmp(commandLine, "quit") == 0) return;
        if (uciMode) {
            UciCommand();
        } else {
            WinBoardCommand();
        }
        if (!moveRequested) continue;
        moveRequested = 0;
        PlayEngineMove();
    }
}
