// Basic types shared by every subsystem: squares, piece codes, sides, bitboards and the Move word.
#pragma once

#include <cstdint>

using Bitboard = uint64_t;

// A Move is a 32-bit word:
//   bits  0-5   from square
//   bits  6-11  to square
//   bits 12-15  captured piece code (for en passant the captured pawn's code)
//   bits 16-18  castling kind: 1 White short, 2 White long, 3 Black short, 4 Black long
//   bit  19     always 0
//   bits 20-23  promotion piece code, in the mover's colour
//   bit  24     en-passant capture (the move maker treats any bit 24-31 as en passant)
// The moving man is read from the board. 0 is never a generated move.
using Move = int32_t;

// Sides: White is 1 and Black is 0 everywhere.
constexpr int White = 1;
constexpr int Black = 0;

// Piece codes: White codes odd, Black codes even.
enum PieceCode : int {
    Empty = 0,
    WhitePawn = 1,
    BlackPawn = 2,
    WhiteKnight = 3,
    BlackKnight = 4,
    WhiteKing = 5,
    BlackKing = 6,
    WhiteRook = 7,
    BlackRook = 8,
    WhiteQueen = 9,
    BlackQueen = 10,
    WhiteBishop = 11,
    BlackBishop = 12,
};

// Bitboard slots beyond the piece codes.
constexpr int WhiteMen = 14;
constexpr int BlackMen = 15;

// Squares: a1 = 0, b1 = 1, ... h1 = 7, a2 = 8, ... h8 = 63.
enum SquareName : int {
    A1, B1, C1, D1, E1, F1, G1, H1,
    A2, B2, C2, D2, E2, F2, G2, H2,
    A3, B3, C3, D3, E3, F3, G3, H3,
    A4, B4, C4, D4, E4, F4, G4, H4,
    A5, B5, C5, D5, E5, F5, G5, H5,
    A6, B6, C6, D6, E6, F6, G6, H6,
    A7, B7, C7, D7, E7, F7, G7, H7,
    A8, B8, C8, D8, E8, F8, G8, H8,
};

// Castling kinds carried in bits 16-18 of a Move.
constexpr int CastleWhiteShort = 1;
constexpr int CastleWhiteLong = 2;
constexpr int CastleBlackShort = 3;
constexpr int CastleBlackLong = 4;

// Capacity limits of the data model.
constexpr int MaxMoves = 256;       // room in every move list
constexpr int UndoStackSize = 272;  // plies of make without take-back
constexpr int GameRecordSize = 600; // entries of gameKeys, gameMoves and gameUndo

constexpr int moveFrom(Move m) { return m & 63; }
constexpr int moveTo(Move m) { return (m >> 6) & 63; }
constexpr int moveCaptured(Move m) { return (m >> 12) & 15; }
constexpr int moveCastle(Move m) { return (m >> 16) & 7; }
constexpr int movePromotion(Move m) { return (m >> 20) & 15; }
constexpr bool moveIsEnPassant(Move m) { return (static_cast<uint32_t>(m) >> 24) != 0; }

constexpr Move makeMoveWord(int from, int to, int captured = 0, int castle = 0, int promotion = 0,
                            bool enPassant = false) {
    return from | (to << 6) | (captured << 12) | (castle << 16) | (promotion << 20) |
           (enPassant ? (1 << 24) : 0);
}

constexpr bool isWhitePiece(int code) { return (code & 1) != 0; }
