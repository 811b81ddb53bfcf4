// Legal move generation in the engine's fixed emission order.
#pragma once

#include "board/attacks.h"
#include "board/board.h"
#include "board/types.h"

// All legal moves: evasions when inCheck, else captures then quiet moves. Returns the list end.
Move* generateMoves(Move* list, int inCheck);
// Captures, en-passant captures and all promotions of the side to move, respecting pins.
Move* generateCaptures(Move* list, Bitboard pinned);
// Castling and all non-capturing, non-promoting moves; only when not in check.
Move* generateQuiet(Move* list, Bitboard pinned);
// All legal moves when the side to move is in check.
Move* generateEvasions(Move* list);
// Pinned men of side (1 White, 0 Black); fills board.pinRays for each.
Bitboard findPins(int side);
// 1 if the side's man on square is pinned to its own king.
int isPinned(int side, int square);
// 1 when the side to move is in check (inline: the search asks after every move).
inline int sideToMoveInCheck() {
    return board.sideToMove == White ? isAttacked(board.whiteKingSq, Black)
                                     : isAttacked(board.blackKingSq, White);
}
