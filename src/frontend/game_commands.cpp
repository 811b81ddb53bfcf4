// Commands that change the game: new game, entered moves, take-backs, edit mode, draw, result.
#include "frontend/game_commands.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "frontend/command_line.h"
#include "frontend/console_board.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "search/control.h"
#include "search/hash.h"

void NewGame(int keepTables) {
    if (!keepTables) {
        ClearHashTables();
        ClearPawnHash();
        resignCounter = drawCounter = 0;
        rootScore = lastScore = 0;
        hashStores = 0;
        learnRecorded = 0;
        bookMisses = 0;
    }
    StartNewGame();
    forceMode = infiniteAnalysis = pondering = moveRequested = 0;
}

void EnterMove(const char* line) {
    char word[16] = "";
    std::sscanf(line, "%15s", word);
    Move m = 0;
    // A full game record refuses further moves rather than write past its end.
    if (gameIndex >= LastRecordedMove || !positionIsPlayable() || !findCoordinateMove(word, &m)) {
        Print("Illegal move: %s\n", line);
        return;
    }
    UndoRecord before = {static_cast<int8_t>(board.epSquare), board.fiftyCount};
    gameIndex++;
    bookPly++;
    makeMove(m);
    gameMoves[gameIndex] = m;
    gameKeys[gameIndex] = board.hashKey;
    gameUndo[gameIndex] = before;
    board.historyIndex = 0; // entered moves must not pile up on the undo stack
    lastMoveCapture = moveCaptured(m) != 0;
    otherSideFlag ^= 1;
    if (showBoard && !forceMode) {
        Print("\n");
        DrawConsoleBoard(stdout, board.sideToMove);
    }
    if (!forceMode) moveRequested = 1;
    else if (otherSideFlag == 1) whiteMovesPlayed++;
    else blackMovesPlayed++;
}

void TakeBack(int count) {
    if (gameIndex - setupIndex < count) return;
    for (int i = 0; i < count; i++) {
        board.undoStack[0] = gameUndo[gameIndex];
        board.historyIndex = 1;
        unmakeMove(gameMoves[gameIndex]);
        gameIndex--;
        RecountMaterial();
        board.historyIndex = 0;
    }
    if (count == 1) otherSideFlag ^= 1;
}

namespace {

int isFileChar(char c) { return c >= 'a' && c <= 'h'; }
int isRankChar(char c) { return c >= '1' && c <= '8'; }

// "+w00" grants White castling, "-w000" and "-w00" take the long or short right away; the first
// clause found counts ("+w00" is also found inside "+w000"). The same for Black with 'b'.
void editCastlingSide(const char* text, char side, int* castled, int king, int longRook,
                      int shortRook) {
    char grant[] = "+w00", longAway[] = "-w000", shortAway[] = "-w00";
    grant[1] = longAway[1] = shortAway[1] = side;
    if (std::strstr(text, grant)) {
        *castled = 0;
        board.moveCounts[king] = 0;
    } else if (std::strstr(text, longAway)) {
        *castled = 1;
        board.moveCounts[longRook] = 1;
    } else if (std::strstr(text, shortAway)) {
        *castled = 1;
        board.moveCounts[shortRook] = 1;
    }
}

void editCastling(const char* text) {
    editCastlingSide(text, 'w', &board.whiteCastled, E1, A1, H1);
    editCastlingSide(text, 'b', &board.blackCastled, E8, A8, H8);
}

// Places or removes one man; a man placed on an occupied square replaces the one there.
void editPlace(char letter, char fileChar, char rankChar) {
    int square = (fileChar - 'a') + 8 * (rankChar - '1');
    if (letter == 'X' && board.squares[square] == Empty) return;
    if (letter != 'X' && std::strchr("PNBRQK", letter) && board.squares[square] != Empty)
        editSquare(editColor, 'X', fileChar, rankChar);
    editSquare(editColor, letter, fileChar, rankChar);
}

} // namespace

void EditMode() {
    editColor = 1;
    gameResultCode = 0;
    for (;;) {
        if (!ReadCommandLine(commandLine, CommandLineSize)) {
            endOfInput = 1;
            break;
        }
        const char* line = commandLine;
        if (line[0] == '.') break;
        int sum = static_cast<unsigned char>(line[0]) +
                  (line[0] ? static_cast<unsigned char>(line[1]) : 0);
        if (sum == 35) {
            clearBoard();
            for (int file = 0; file < 8; file++) board.moveCounts[A1 + file] = 1;
            for (int file = 0; file < 8; file++) board.moveCounts[A8 + file] = 1;
            board.historyIndex = 0;
            board.whiteKingSq = board.blackKingSq = 0;
        } else if (sum == 99) {
            editColor ^= 1;
        } else if (sum == 196) {
            editCastling(std::strlen(line) > 7 ? line + 7 : "");
        } else if (sum == 213) {
            if (std::strlen(line) >= 5 && isFileChar(line[3]) && isRankChar(line[4]))
                board.epSquare = (line[3] - 'a') + 8 * (line[4] - '1');
        } else if (std::isalpha(static_cast<unsigned char>(line[0])) && isFileChar(line[1]) &&
                   isRankChar(line[2])) {
            editPlace(line[0], line[1], line[2]);
        }
    }
    gameIndex = board.sideToMove == Black ? 1 : 0;
    setupIndex = gameIndex;
    bookPly = 70;
    fullMoveNumber = 1;
    computeKeys();
    gameKeys[0] = board.hashKey;
    gameKeys[gameIndex] = board.hashKey;
    board.historyIndex = 0;
}

void DrawOffer() {
    if ((drawCounter >= drawMoves && fullMoveNumber > drawMoveNumber) || rootScore < contempt) {
        gameResultCode = 7;
        drawCounter = 0;
        if (!learnRecorded) {
            LearnBook(5);
            learnRecorded = 1;
        }
        Print("1/2-1/2 {Draw by agreement}\n");
    }
}

void ResultCommand(const char* text) {
    gameResultCode = 6;
    pendingLine = 0;
    if (!learnRecorded) {
        if (std::strstr(text, "1-0")) {
            LearnBook(otherSideFlag == 1 ? 10 : 0);
        } else if (std::strstr(text, "0-1")) {
            LearnBook(otherSideFlag == 1 ? 0 : 10);
        } else if (std::strstr(text, "1/2-1/2")) {
            LearnBook(5);
            gameResultCode = 7;
        } else if (std::strstr(text, "*")) {
            int s = rootScore;
            LearnBook(std::abs(s) <= 50 ? 5 : s > 50 ? 10 : 0);
        }
    }
    if (logEnabled) {
        if (logFile) CloseLog("");
        OpenLog();
    }
}

void PonderCommand(const char* text) {
    char word[16] = "";
    Move m = 0;
    if (std::sscanf(text, "%15s", word) != 1 || !positionIsPlayable() ||
        gameIndex + 2 >= LastRecordedMove || !findCoordinateMove(word, &m))
        return;
    ponderMove = m;
    sanBeforeMove(m, ponderText);
    if (otherSideFlag == 0) whiteMovesPlayed++;
    fullMoveNumber = (1 - board.sideToMove) + whiteMovesPlayed;
    bookPly++;
    ponderEnabled = 1;
    pondering = 1;
    whiteMovesPlayed = blackMovesPlayed = 0;
    board.historyIndex = 0;
    forceMode = 0;
    Print("\n");
}
