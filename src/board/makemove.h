// Making and taking back moves, Zobrist keys and the repetition test.
#pragma once

#include "board/board.h"
#include "board/tables.h"
#include "board/types.h"

constexpr uint64_t KeyStartValue = 0xBEBECAFEDECEBADAULL;
constexpr uint64_t NullMoveKey = 0x92CFDDA76BBE5E9BULL;

// Fixed pseudo-random keys by piece code and square; row 0 is zero. Never change them:
// opening books are keyed by hashKey.
extern const uint64_t pieceKeys[13][64];

// Keys of the initial position under pieceKeys.
extern const uint64_t InitialHashKey;
extern const uint64_t InitialPawnKey;

void makeMove(Move m);
// keyAfter for any word, castling and en passant included.
uint64_t keyAfterSpecial(Move m);
// The hashKey that makeMove(m) would leave, without making the move (the search uses it to ask for
// table slots early). A word whose piece fields name no piece leaves the key unchanged. Plain moves,
// captures and promotions are worked out here, castling and en passant out of line.
inline uint64_t keyAfter(Move m) {
    const int piece = board.squares[moveFrom(m)];
    const int captured = moveCaptured(m), promotion = movePromotion(m);
    if ((static_cast<uint32_t>(m) & 0xFF070000u) != 0 || piece == Empty ||
        captured > BlackBishop || promotion > BlackBishop)
        return keyAfterSpecial(m);
    return board.hashKey ^ pieceKeys[piece][moveFrom(m)] ^
           pieceKeys[promotion ? promotion : piece][moveTo(m)] ^ pieceKeys[captured][moveTo(m)];
}
// What makeMove(m) would leave, without making the move, for a generated move of the side to move:
// board.material, and whitePieceCount + blackPieceCount. The search decides futility from them
// before it makes a move, and skips making the moves it prunes.
inline int materialAfter(Move m) {
    const int piece = board.squares[moveFrom(m)];
    const int promotion = movePromotion(m);
    // En passant takes the pawn of the other colour, whatever the captured field says.
    const int captured = moveIsEnPassant(m) ? piece ^ 3 : moveCaptured(m);
    return board.material - materialValue[captured] +
           (promotion ? materialValue[promotion] - materialValue[piece] : 0);
}
inline int pieceCountAfter(Move m) {
    const int captured = moveIsEnPassant(m) ? Empty : moveCaptured(m);
    return board.whitePieceCount + board.blackPieceCount - (captured > BlackPawn ? 1 : 0) +
           (movePromotion(m) ? 1 : 0);
}
// 1 when makeMove(m) would leave the other side in check (what sideToMoveInCheck answers after
// it), for a generated move of the side to move in a position where the other side is not in
// check (every position the search meets); the move is not made.
int moveGivesCheck(Move m);
void unmakeMove(Move m);
// Recomputes hashKey and pawnKey from board.squares.
void computeKeys();
// 1 when the current position occurred at least twice before in the reversible stretch.
int isRepetition();
