// The global position record and the game record kept beside it.
#include "board/board.h"

Board board;

int gameIndex = 0;
int fullMoveNumber = 1;
uint64_t gameKeys[GameRecordSize];
Move gameMoves[GameRecordSize];
UndoRecord gameUndo[GameRecordSize];
int otherSideFlag = 0;
int bookPly = 0;
int gameResultCode = 0;
