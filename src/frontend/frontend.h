// The front end's process-wide state: identity, protocol modes, the engine's game bookkeeping.
#pragma once

#include "board/types.h"

extern const char engineName[];    // "Morvane"
extern const char engineAuthor[];
extern const char engineCountry[];
extern const char engineVersion[]; // "3.03b"
extern const char engineDate[];    // "(Feb-14-08)"

extern int moveRequested;   // a handler asks the loop to run Think after the command
extern int promptOff;       // no move prompt (xboard, uci, adapter mode)
extern int showBoard;       // draw the console diagram before each prompt
extern int forceMode;       // WinBoard force mode
extern int adapterMode;     // the adapter mode of the "servo" command
extern int endOfInput;      // standard input reached its end: the loop ends as on "quit"

extern int resignCounter;   // consecutive engine moves meeting the resign condition
extern int drawCounter;     // consecutive engine moves meeting the draw condition
extern int resignScore;
extern int resignMoves;
extern int drawMoveNumber;
extern int drawMoves;
extern int contempt;        // the score that counts as a drawn outcome

extern int opponentTimeLeft;   // ms
extern int whiteMovesPlayed;   // moves entered for each side since the last set-up or in force
extern int blackMovesPlayed;
extern int clearHashEachMove;  // clear the main hash tables after each engine move
extern char bookModeText[32];  // "Book Mode" as configured
extern int ownBook;

extern int editColor;       // colour of the men placed in edit mode, 1 White
extern int gameStarted;     // a search was requested since the log was last rotated
extern int clearAtReset;    // the per-game reset clears the main tables
extern int learnRecorded;   // the game's outcome has been handed to LearnBook
extern int baseSeconds;     // seconds part of a level base time
extern int setupIndex;      // gameIndex of the set-up position: take-backs stop there

// The last half-move the game record can hold; moves beyond it are refused.
constexpr int LastRecordedMove = GameRecordSize - 1;

// The initial values of the front-end state and of the search settings, before the first command
// (the game itself is set up by StartNewGame).
void InitFrontEndState();
// The one reset of a new game, used by every path that starts one (start-up, new, bench, the
// book command, UCI position startpos): the initial position and its keys, an empty game record
// that take-backs cannot go behind, both sides' move counts, no expected reply and no fixed time
// per move. Tables, scores and protocol modes are left to the caller.
void StartNewGame();
// Recomputes material, men and piece counts from the squares (after take-backs).
void RecountMaterial();
// 1 when each side has exactly one king, the side not to move is not in check and the men fit
// the move lists (menFitMoveLists).
int positionIsPlayable();
// The answer to a command that would play, search or evaluate a position positionIsPlayable
// refuses: "tellusererror Illegal position".
void ReportIllegalPosition();
