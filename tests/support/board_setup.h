// Test helpers for the board: one-time table set-up and positions from FEN text.
#pragma once

#include <string>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/position.h"
#include "board/tables.h"

// Builds the board and attack tables once per test program.
inline void ensureBoardTables() {
    static bool built = false;
    if (built) return;
    initBoardTables();
    initAttackTables();
    built = true;
}

// The initial position, as the engine sets it up at start-up.
inline void startPosition() {
    ensureBoardTables();
    resetGame();
    installInitialKeys();
}

// Sets the board from a FEN string (copied, since the set-up splits its text in place).
inline void setPosition(const std::string& fen) {
    ensureBoardTables();
    std::string text = fen;
    setupFromFen(text.data());
}

#include <cstdint>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"

// The legal moves of the current position, in emission order.
inline std::vector<Move> legalMoves() {
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    return std::vector<Move>(list, end);
}

// The coordinate texts of the legal moves, in emission order.
inline std::vector<std::string> legalMoveTexts() {
    std::vector<std::string> texts;
    for (Move m : legalMoves()) {
        char text[8];
        moveToCoordinate(m, text);
        texts.push_back(text);
    }
    return texts;
}

// A small fixed-seed generator, the same on every platform.
struct Playout {
    uint64_t state;
    explicit Playout(uint64_t seed) : state(seed) {}
    uint32_t next(uint32_t bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33) % bound;
    }
};

// FEN of the board (castling read from the move counts as the generator reads them).
inline std::string boardFen() {
    static const char letters[] = " PpNnKkRrQqBb";
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            int piece = board.squares[rank * 8 + file];
            if (!piece) {
                empty++;
                continue;
            }
            if (empty) fen += static_cast<char>('0' + empty);
            empty = 0;
            fen += letters[piece];
        }
        if (empty) fen += static_cast<char>('0' + empty);
        if (rank) fen += '/';
    }
    fen += board.sideToMove ? " w " : " b ";
    std::string castling;
    const int* counts = board.moveCounts;
    if (board.squares[E1] == WhiteKing && counts[E1] == 0) {
        if (counts[H1] == 0 && board.squares[H1] == WhiteRook) castling += 'K';
        if (counts[A1] == 0 && board.squares[A1] == WhiteRook) castling += 'Q';
    }
    if (board.squares[E8] == BlackKing && counts[E8] == 0) {
        if (counts[H8] == 0 && board.squares[H8] == BlackRook) castling += 'k';
        if (counts[A8] == 0 && board.squares[A8] == BlackRook) castling += 'q';
    }
    fen += castling.empty() ? "-" : castling;
    fen += ' ';
    fen += board.epSquare ? squareNames[board.epSquare] : "-";
    fen += ' ' + std::to_string(board.fiftyCount) + " 1";
    return fen;
}

// Empty string when squares, bitboards, counts, material and keys agree, else what differs.
inline std::string boardInconsistency() {
    Bitboard sets[16] = {};
    int material = 0, white = 0, black = 0, men = 0;
    for (int s = 0; s < 64; s++) {
        int piece = board.squares[s];
        if (piece < 0 || piece > BlackBishop) return "bad code on " + std::string(squareNames[s]);
        if (!piece) continue;
        sets[piece] |= squareBit[s];
        sets[isWhitePiece(piece) ? WhiteMen : BlackMen] |= squareBit[s];
        material += materialValue[piece];
        men++;
        if (piece > BlackPawn) (isWhitePiece(piece) ? white : black)++;
    }
    for (int i = 0; i < 16; i++)
        if (sets[i] != board.bitboards[i]) return "bitboard " + std::to_string(i);
    if (material != board.material) return "material";
    if (white != board.whitePieceCount || black != board.blackPieceCount) return "piece counts";
    if (men != board.menCount) return "menCount";
    uint64_t hashKey = board.hashKey, pawnKey = board.pawnKey;
    computeKeys();
    bool keysOk = hashKey == board.hashKey && pawnKey == board.pawnKey;
    board.hashKey = hashKey;
    board.pawnKey = pawnKey;
    if (!keysOk) return "keys";
    if (board.epSquare < 0 || board.epSquare > 63) return "epSquare";
    return "";
}
