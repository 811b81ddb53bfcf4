// The front end's process-wide state and its initial values.
#include "frontend/frontend.h"

#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/position.h"
#include "board/tables.h"
#include "frontend/output.h"
#include "search/control.h"
#include "search/hash.h"

const char engineName[] = "Morvane";
const char engineAuthor[] = "Ferrinel Oakmund";
const char engineCountry[] = "Velmorand";
const char engineVersion[] = "3.03b";
const char engineDate[] = "(Feb-14-08)";

int moveRequested = 0;
int promptOff = 0;
int showBoard = 1;
int forceMode = 0;
int adapterMode = 0;
int endOfInput = 0;

int resignCounter = 0;
int drawCounter = 0;
int resignScore = 0;
int resignMoves = 6;
int drawMoveNumber = 30;
int drawMoves = 3;
int contempt = 1;

int opponentTimeLeft = 0;
int whiteMovesPlayed = 0;
int blackMovesPlayed = 0;
int clearHashEachMove = 0;
char bookModeText[32] = "";
int ownBook = 1;

int editColor = 1;
int gameStarted = 0;
int clearAtReset = 0;
int learnRecorded = 0;
int baseSeconds = 0;
int setupIndex = 0;

void InitFrontEndState() {
    std::memset(gameMoves, 0, sizeof gameMoves);
    std::memset(gameUndo, 0, sizeof gameUndo);
    moveRequested = promptOff = forceMode = adapterMode = 0;
    showBoard = 1;
    resignCounter = drawCounter = 0;
    opponentTimeLeft = whiteMovesPlayed = blackMovesPlayed = 0;
    debugOutput = 0;
    std::strcpy(ponderText, "no move");
    moveText[0] = '\0';
    reportedDepth = 0;

    baseMinutes = 10;
    timeLeft = 600000;
    movesPerControl = 0;
    movesToGo = 0;
    increment = 0;
    moveTimeBudget = 0;
    savedDepthLimit = depthLimit = 50;
    pondering = ponderEnabled = infiniteAnalysis = 0;
    uciMode = xboardMode = 0;
    postThinking = 1;
    multiPV = 1;
    rootScore = 0;
    hashStores = 0;
    firstMoveFlag = 1;
}

void StartNewGame() {
    resetGame();
    installInitialKeys();
    gameIndex = setupIndex = 0;
    fullMoveNumber = 1;
    otherSideFlag = 0;
    whiteMovesPlayed = blackMovesPlayed = 0;
    fixedMoveTime = 0;
    ponderMove = ponderedResult = 0;
    lastMoveCapture = 0;
}

void RecountMaterial() {
    board.material = 0;
    board.menCount = 0;
    board.whitePieceCount = 0;
    board.blackPieceCount = 0;
    for (int square = 0; square < 64; square++) {
        int code = board.squares[square];
        if (code == Empty) continue;
        board.material += materialValue[code];
        board.menCount++;
        if (code > BlackPawn) {
            if (isWhitePiece(code)) board.whitePieceCount++;
            else board.blackPieceCount++;
        }
    }
}

int positionIsPlayable() {
    if (!menFitMoveLists()) return 0;
    if (popCount(board.bitboards[WhiteKing]) != 1 || popCount(board.bitboards[BlackKing]) != 1)
        return 0;
    int waitingKing = lowestSquare(board.bitboards[board.sideToMove ? BlackKing : WhiteKing]);
    Bitboard occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    return !isAttackedWithOccupancy(waitingKing, board.sideToMove, occupancy);
}

void ReportIllegalPosition() { Print("tellusererror Illegal position\n"); }
