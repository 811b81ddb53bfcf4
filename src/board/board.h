// The one global position record and the game record kept beside it.
#pragma once

#include "board/types.h"

// What a take-back cannot recompute: one record per ply made and not yet taken back.
// fiftyCount is wider than a byte so that any clock a position carries survives make/take-back.
struct UndoRecord {
    int8_t epSquare;
    int32_t fiftyCount;
};

struct Board {
    Bitboard bitboards[16]; // [1..12] by piece code, [14] all White, [15] all Black; [0], [13] empty
    int squares[64];        // piece code on each square, kept identical to bitboards
    int sideToMove;         // 1 White, 0 Black
    int epSquare;           // square passed over by the last double push, else 0
    int fiftyCount;         // half-moves since the last capture or pawn move
    int whiteKingSq;
    int blackKingSq;
    int moveCounts[64];     // times a non-pawn man left each square in the current line
    int whiteCastled;       // 0 not castled, 1 short, 2 long (1 also: no castling available)
    int blackCastled;       // 0 not castled, 3 short, 4 long (1: no castling available)
    int material;           // sum of materialValue over all men, White minus Black
    int whitePieceCount;    // White men other than pawns, king included
    int blackPieceCount;
    int menCount;           // all men on the board
    uint64_t hashKey;       // Zobrist key of the placement
    uint64_t pawnKey;       // Zobrist key of the pawns alone
    int historyIndex;       // index into undoStack
    UndoRecord undoStack[UndoStackSize];
    Bitboard pinRays[64];   // written by findPins
    int maxVictimValue;     // raised by the capture generator, reset by the search
};

extern Board board;

// The game record (kept by the front end, written also by the set-up routines and the search).
extern int gameIndex;                       // half-moves recorded before the current position
extern int fullMoveNumber;
extern uint64_t gameKeys[GameRecordSize];   // hashKey after each half-move of the game
extern Move gameMoves[GameRecordSize];      // entry k: the k-th half-move
extern UndoRecord gameUndo[GameRecordSize]; // undo pair recorded with the k-th half-move
extern int otherSideFlag;                   // 1 when Black is to move
extern int bookPly;                         // book progress; 70 means out of book
extern int gameResultCode;                  // 0 none ... 7 draw by agreement
