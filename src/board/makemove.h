// Making and taking back moves, Zobrist keys and the repetition test.
#pragma once

#include "board/board.h"
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
void unmakeMove(Move m);
// Recomputes hashKey and pawnKey from board.squares.
void computeKeys();
// 1 when the current position occurred at least twice before in the reversible stretch.
int isRepetition();
