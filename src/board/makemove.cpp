// Making and taking back moves, fully incremental, with both Zobrist keys; the repetition test.
#include "board/makemove.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/tables.h"

// Keys of the initial position under pieceKeys (the key test recomputes them).
const uint64_t InitialHashKey = 0xC58B1898BB8D273AULL;
const uint64_t InitialPawnKey = 0xFB4BBA095819078BULL;

namespace {

// The rook's journey and the castled code of each castling kind (index 1..4).
struct CastleRook {
    int from, to, code, castled;
};
constexpr CastleRook castleRooks[5] = {
    {0, 0, 0, 0},           {H1, F1, WhiteRook, 1}, {A1, D1, WhiteRook, 2},
    {H8, F8, BlackRook, 3}, {A8, D8, BlackRook, 4},
};

// Moves the castling rook either way (the XORs undo themselves) and counts its departure.
inline void moveCastleRook(int kind, int countStep) {
    const CastleRook& rook = castleRooks[kind];
    Bitboard both = squareBit[rook.from] | squareBit[rook.to];
    int men = rook.code == WhiteRook ? WhiteMen : BlackMen;
    board.bitboards[men] ^= both;
    board.bitboards[rook.code] ^= both;
    board.hashKey ^= pieceKeys[rook.code][rook.from] ^ pieceKeys[rook.code][rook.to];
    board.moveCounts[rook.from] += countStep;
    if (countStep > 0) {
        board.squares[rook.from] = Empty;
        board.squares[rook.to] = rook.code;
    } else {
        board.squares[rook.to] = Empty;
        board.squares[rook.from] = rook.code;
    }
}

// Takes the captured man off square to (sign 1) or puts it back (sign -1).
inline void toggleCaptured(int captured, int square, int enemyMen, int sign) {
    Bitboard bit = squareBit[square];
    board.bitboards[enemyMen] ^= bit;
    board.bitboards[captured] ^= bit;
    board.hashKey ^= pieceKeys[captured][square];
    board.material -= sign * materialValue[captured];
    board.menCount -= sign;
    if (captured <= BlackPawn)
        board.pawnKey ^= pieceKeys[captured][square];
    else if (enemyMen == WhiteMen)
        board.whitePieceCount -= sign;
    else
        board.blackPieceCount -= sign;
}

} // namespace

void makeMove(Move m) {
    Board& b = board;
    int from = moveFrom(m), to = moveTo(m), captured = moveCaptured(m);
    int piece = b.squares[from];
    int white = b.sideToMove;
    int ownMen = white ? WhiteMen : BlackMen, enemyMen = ownMen ^ 1;
    UndoRecord& undo = b.undoStack[b.historyIndex++];
    undo.epSquare = static_cast<int8_t>(b.epSquare);
    undo.fiftyCount = b.fiftyCount;
    b.sideToMove = white ^ 1;
    Bitboard fromTo = squareBit[from] | squareBit[to];
    b.bitboards[ownMen] ^= fromTo;
    b.bitboards[piece] ^= fromTo;
    b.squares[from] = Empty;

    if (piece <= BlackPawn) {
        b.fiftyCount = 0;
        if (moveIsEnPassant(m)) {
            int victimSquare = white ? to - 8 : to + 8;
            uint64_t key = pieceKeys[piece][from] ^ pieceKeys[piece][to];
            b.hashKey ^= key;
            b.pawnKey ^= key;
            toggleCaptured(piece ^ 3, victimSquare, enemyMen, 1);
            b.squares[victimSquare] = Empty;
            b.squares[to] = piece;
            b.epSquare = 0;
            return;
        }
        if (captured) toggleCaptured(captured, to, enemyMen, 1);
        int promotion = movePromotion(m);
        if (promotion) {
            b.epSquare = 0;
            b.hashKey ^= pieceKeys[piece][from] ^ pieceKeys[promotion][to];
            b.pawnKey ^= pieceKeys[piece][from];
            b.bitboards[piece] ^= squareBit[to];
            b.bitboards[promotion] ^= squareBit[to];
            b.squares[to] = promotion;
            if (white)
                b.whitePieceCount++;
            else
                b.blackPieceCount++;
            b.material += materialValue[promotion] - materialValue[piece];
            return;
        }
        uint64_t key = pieceKeys[piece][from] ^ pieceKeys[piece][to];
        b.hashKey ^= key;
        b.pawnKey ^= key;
        b.epSquare = (from ^ to) == 16 ? (from + to) >> 1 : 0;
        b.squares[to] = piece;
        return;
    }

    b.epSquare = 0;
    if (captured) {
        toggleCaptured(captured, to, enemyMen, 1);
        b.fiftyCount = 0;
    } else {
        b.fiftyCount++;
    }
    b.squares[to] = piece;
    b.hashKey ^= pieceKeys[piece][from] ^ pieceKeys[piece][to];
    b.moveCounts[from]++;
    if (piece == WhiteKing || piece == BlackKing) {
        if (white)
            b.whiteKingSq = to;
        else
            b.blackKingSq = to;
        int kind = moveCastle(m);
        if (kind) {
            moveCastleRook(kind, 1);
            if (white)
                b.whiteCastled = castleRooks[kind].castled;
            else
                b.blackCastled = castleRooks[kind].castled;
        }
    }
}

uint64_t keyAfterSpecial(Move m) {
    const Board& b = board;
    const int from = moveFrom(m), to = moveTo(m), captured = moveCaptured(m);
    const int promotion = movePromotion(m), kind = moveCastle(m);
    const int piece = b.squares[from];
    if (piece == Empty || captured > BlackBishop || promotion > BlackBishop || kind > 4)
        return b.hashKey;
    uint64_t key = b.hashKey ^ pieceKeys[piece][from] ^ pieceKeys[promotion ? promotion : piece][to];
    if (moveIsEnPassant(m) && piece <= BlackPawn && to >= 8 && to < 56)
        key ^= pieceKeys[piece ^ 3][b.sideToMove ? to - 8 : to + 8];
    else
        key ^= pieceKeys[captured][to]; // row 0 is zero
    if (kind) key ^= pieceKeys[castleRooks[kind].code][castleRooks[kind].from] ^
                     pieceKeys[castleRooks[kind].code][castleRooks[kind].to];
    return key;
}

namespace {

// moveGivesCheck for castling, promotions and en passant: the mover's men and the occupancy as
// the move leaves them, and every kind of attacker asked.
int specialMoveGivesCheck(Move m) {
    const Board& b = board;
    const int from = moveFrom(m), to = moveTo(m);
    const int mover = b.sideToMove;
    const int king = mover ? b.blackKingSq : b.whiteKingSq;
    const int placed = movePromotion(m) ? movePromotion(m) : b.squares[from];
    const Bitboard fromBit = squareBit[from], toBit = squareBit[to];
    Bitboard occupancy = ((b.bitboards[WhiteMen] | b.bitboards[BlackMen]) & ~fromBit) | toBit;
    if (moveIsEnPassant(m)) occupancy &= ~squareBit[mover ? to - 8 : to + 8];
    // The mover's men once the move is made (the king never checks).
    const Bitboard* men = sideBitboards(mover);
    Bitboard knights = men[WhiteKnight] & ~fromBit;
    Bitboard diagonal = (men[WhiteBishop] | men[WhiteQueen]) & ~fromBit;
    Bitboard straight = (men[WhiteRook] | men[WhiteQueen]) & ~fromBit;
    Bitboard pawns = men[WhitePawn] & ~fromBit;
    switch (placed) {
    case WhitePawn: case BlackPawn: pawns |= toBit; break;
    case WhiteKnight: case BlackKnight: knights |= toBit; break;
    case WhiteBishop: case BlackBishop: diagonal |= toBit; break;
    case WhiteRook: case BlackRook: straight |= toBit; break;
    case WhiteQueen: case BlackQueen: diagonal |= toBit; straight |= toBit; break;
    default: break;
    }
    const int kind = moveCastle(m);
    if (kind >= 1 && kind <= 4) {
        const Bitboard rook = squareBit[castleRooks[kind].from] | squareBit[castleRooks[kind].to];
        straight ^= rook;
        occupancy ^= rook;
    }
    return (knights & knightAttacks[king]) != 0 ||
           (pawns & (mover ? blackPawnAttacks[king] : whitePawnAttacks[king])) != 0 ||
           (diagonal & bishopAttacks(king, occupancy)) != 0 ||
           (straight & rookAttacks(king, occupancy)) != 0;
}

} // namespace

int moveGivesCheck(Move m) {
    if ((static_cast<uint32_t>(m) & 0xFFFF0000u) != 0) return specialMoveGivesCheck(m);
    const Board& b = board;
    const int from = moveFrom(m), to = moveTo(m);
    const int mover = b.sideToMove;
    const int king = mover ? b.blackKingSq : b.whiteKingSq;
    const Bitboard fromBit = squareBit[from], toBit = squareBit[to];
    const Bitboard occupancy = ((b.bitboards[WhiteMen] | b.bitboards[BlackMen]) & ~fromBit) | toBit;
    const Bitboard lines = lineMask[king];
    const Bitboard diagonalLines = diagonalMask[king] | antiDiagonalMask[king];
    // The man checks from its new square: a slider needs a line to the king with nothing between.
    Bitboard sliderLines = 0;
    switch (b.squares[from]) {
    case WhitePawn: case BlackPawn:
        if ((mover ? blackPawnAttacks[king] : whitePawnAttacks[king]) & toBit) return 1;
        break;
    case WhiteKnight: case BlackKnight:
        if (knightAttacks[king] & toBit) return 1;
        break;
    case WhiteBishop: case BlackBishop: sliderLines = diagonalLines; break;
    case WhiteRook: case BlackRook: sliderLines = lines ^ diagonalLines; break;
    case WhiteQueen: case BlackQueen: sliderLines = lines; break;
    default: break;
    }
    if ((sliderLines & toBit) && !(between[to][king] & occupancy)) return 1;
    // Or the square it leaves opens a line from the king to one of the mover's sliders (the
    // other side is never in check before the move, so only that line can open).
    if (!(lines & fromBit)) return 0;
    const Bitboard* men = sideBitboards(mover);
    if (diagonalLines & fromBit) {
        const Bitboard sliders = (men[WhiteBishop] | men[WhiteQueen]) & diagonalLines & ~fromBit;
        return sliders && (sliders & bishopAttacks(king, occupancy)) != 0;
    }
    const Bitboard sliders = (men[WhiteRook] | men[WhiteQueen]) & (lines ^ diagonalLines) & ~fromBit;
    return sliders && (sliders & rookAttacks(king, occupancy)) != 0;
}

void unmakeMove(Move m) {
    Board& b = board;
    int from = moveFrom(m), to = moveTo(m), captured = moveCaptured(m);
    const UndoRecord& undo = b.undoStack[--b.historyIndex];
    b.epSquare = undo.epSquare;
    b.fiftyCount = undo.fiftyCount;
    int white = b.sideToMove ^ 1;
    b.sideToMove = white;
    int ownMen = white ? WhiteMen : BlackMen, enemyMen = ownMen ^ 1;
    int promotion = movePromotion(m);
    int piece = promotion ? (white ? WhitePawn : BlackPawn) : b.squares[to];
    Bitboard fromTo = squareBit[from] | squareBit[to];
    b.bitboards[ownMen] ^= fromTo;
    b.bitboards[piece] ^= fromTo;
    b.squares[from] = piece;
    b.squares[to] = Empty;

    if (piece <= BlackPawn) {
        if (moveIsEnPassant(m)) {
            int victimSquare = white ? to - 8 : to + 8;
            uint64_t key = pieceKeys[piece][from] ^ pieceKeys[piece][to];
            b.hashKey ^= key;
            b.pawnKey ^= key;
            toggleCaptured(piece ^ 3, victimSquare, enemyMen, -1);
            b.squares[victimSquare] = piece ^ 3;
            return;
        }
        if (promotion) {
            b.hashKey ^= pieceKeys[piece][from] ^ pieceKeys[promotion][to];
            b.pawnKey ^= pieceKeys[piece][from];
            b.bitboards[piece] ^= squareBit[to];
            b.bitboards[promotion] ^= squareBit[to];
            if (white)
                b.whitePieceCount--;
            else
                b.blackPieceCount--;
            b.material -= materialValue[promotion] - materialValue[piece];
        } else {
            uint64_t key = pieceKeys[piece][from] ^ pieceKeys[piece][to];
            b.hashKey ^= key;
            b.pawnKey ^= key;
        }
        if (captured) {
            toggleCaptured(captured, to, enemyMen, -1);
            b.squares[to] = captured;
        }
        return;
    }

    if (captured) {
        toggleCaptured(captured, to, enemyMen, -1);
        b.squares[to] = captured;
    }
    b.hashKey ^= pieceKeys[piece][from] ^ pieceKeys[piece][to];
    b.moveCounts[from]--;
    if (piece == WhiteKing || piece == BlackKing) {
        if (white)
            b.whiteKingSq = from;
        else
            b.blackKingSq = from;
        int kind = moveCastle(m);
        if (kind) {
            moveCastleRook(kind, -1);
            if (white)
                b.whiteCastled = 0;
            else
                b.blackCastled = 0;
        }
    }
}

void computeKeys() {
    board.hashKey = KeyStartValue;
    board.pawnKey = KeyStartValue;
    for (int square = 0; square < 64; square++) {
        int piece = board.squares[square];
        if (piece < Empty || piece > BlackBishop) continue;
        board.hashKey ^= pieceKeys[piece][square];
        if (piece == WhitePawn || piece == BlackPawn) board.pawnKey ^= pieceKeys[piece][square];
    }
}

int isRepetition() {
    int reversible = board.fiftyCount;
    if (reversible <= 7) return 0;
    int current = gameIndex + board.historyIndex - 1;
    int repeats = 0;
    // Entries outside the record (a clock larger than the game it belongs to) are not read.
    for (int back = 2; back < reversible && current - back >= 0; back += 2) {
        int entry = current - back;
        if (entry >= GameRecordSize) continue;
        if (gameKeys[entry] == board.hashKey && ++repeats >= 2) return 1;
    }
    return 0;
}
