// Putting the board into a known state: clearing, the initial position, FEN set-up, edit mode.
// Text input is never trusted: nothing outside the board or the game record is ever written.
#include "board/position.h"

#include <cstring>
#include <initializer_list>

#include "board/board.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "book/book.h"
#include "search/hash.h"

namespace {

// The highest game index a set-up may give: the search still needs room above it in gameKeys.
constexpr int MaxSetupGameIndex = GameRecordSize - UndoStackSize - 2;

// Piece code of a FEN letter (upper case White, lower case Black), 0 for anything else.
int codeOfLetter(char c) {
    switch (c) {
    case 'P':
        return WhitePawn;
    case 'N':
        return WhiteKnight;
    case 'K':
        return WhiteKing;
    case 'R':
        return WhiteRook;
    case 'Q':
        return WhiteQueen;
    case 'B':
        return WhiteBishop;
    case 'p':
        return BlackPawn;
    case 'n':
        return BlackKnight;
    case 'k':
        return BlackKing;
    case 'r':
        return BlackRook;
    case 'q':
        return BlackQueen;
    case 'b':
        return BlackBishop;
    default:
        return Empty;
    }
}

// moveCounts entry of a knight, bishop, rook or queen placed on square: 0 on its home square,
// 1 elsewhere. The f-file bishop counts as home only beside its king on the e-file square.
int homeCount(int piece, int square) {
    bool white = isWhitePiece(piece);
    int base = white ? 0 : 56;
    int file = square - base;
    if (file < 0 || file > 7) return 1;
    switch (piece) {
    case WhiteRook:
    case BlackRook:
        return file == 0 || file == 7 ? 0 : 1;
    case WhiteKnight:
    case BlackKnight:
        return file == 1 || file == 6 ? 0 : 1;
    case WhiteQueen:
    case BlackQueen:
        return file == 3 ? 0 : 1;
    case WhiteBishop:
    case BlackBishop:
        if (file == 2) return 0;
        if (file == 5)
            return (white ? board.whiteKingSq : board.blackKingSq) == base + 4 &&
                           board.squares[base + 4] == (white ? WhiteKing : BlackKing)
                       ? 0
                       : 1;
        return 1;
    default:
        return 1;
    }
}

// Puts a man on an empty square: square array, bitboards, counts and material.
void putMan(int piece, int square) {
    board.squares[square] = piece;
    board.bitboards[piece] |= squareBit[square];
    board.bitboards[isWhitePiece(piece) ? WhiteMen : BlackMen] |= squareBit[square];
    board.menCount++;
    board.material += materialValue[piece];
    if (piece == WhitePawn || piece == BlackPawn) return;
    if (isWhitePiece(piece))
        board.whitePieceCount++;
    else
        board.blackPieceCount++;
    if (piece == WhiteKing)
        board.whiteKingSq = square;
    else if (piece == BlackKing)
        board.blackKingSq = square;
    else
        board.moveCounts[square] = homeCount(piece, square);
}

// Men of one side beyond what a game can give it: more than 16 men, or more promoted pieces
// (queens past one; rooks, bishops, knights past two) than pawns gone. counts: men on the board
// by piece code; side 0 White, 1 Black.
int menBeyondAGame(const int* counts, int side) {
    auto count = [&](int whiteCode) { return counts[whiteCode + side]; };
    auto beyond = [](int n, int usual) { return n > usual ? n - usual : 0; };
    const int men = count(WhitePawn) + count(WhiteKnight) + count(WhiteKing) + count(WhiteRook) +
                    count(WhiteQueen) + count(WhiteBishop);
    const int promoted = beyond(count(WhiteQueen), 1) + beyond(count(WhiteRook), 2) +
                         beyond(count(WhiteBishop), 2) + beyond(count(WhiteKnight), 2);
    const int overMen = men - 16, overPawns = count(WhitePawn) + promoted - 8;
    return overMen > overPawns ? beyond(overMen, 0) : beyond(overPawns, 0);
}

// Takes the man on square off the board (nothing when the square is empty).
void removeMan(int square) {
    int piece = board.squares[square];
    if (piece == Empty) return;
    board.squares[square] = Empty;
    board.bitboards[piece] &= squareClear[square];
    board.bitboards[isWhitePiece(piece) ? WhiteMen : BlackMen] &= squareClear[square];
    board.menCount--;
    board.material -= materialValue[piece];
    if (piece == WhitePawn || piece == BlackPawn) return;
    if (isWhitePiece(piece))
        board.whitePieceCount--;
    else
        board.blackPieceCount--;
}

// 1 when epSquare can be the square a double push of the side not to move passed over: on the
// right rank, empty, with that side's pawn just beyond it. Anything else would let an
// en-passant capture take a man that is not there.
int epSquareIsSound(int ep) {
    if (ep <= 0 || ep > 63) return 0;
    int white = board.sideToMove;
    if (rankOf[ep] != (white ? 6 : 3) || board.squares[ep] != Empty) return 0;
    return board.squares[white ? ep - 8 : ep + 8] == (white ? BlackPawn : WhitePawn);
}

// Reads a non-negative decimal number, clamped to limit; -1 when the text has no digit first.
int readCount(const char* text, int limit) {
    if (*text < '0' || *text > '9') return -1;
    int value = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        value = value * 10 + (*text - '0');
        if (value > limit) value = limit;
    }
    return value;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Splits text in place at runs of blanks into at most maxFields fields; returns the count.
int splitFields(char* text, char** fields, int maxFields) {
    int count = 0;
    char* p = text;
    while (*p && count < maxFields) {
        while (isBlank(*p)) *p++ = '\0';
        if (!*p) break;
        fields[count++] = p;
        while (*p && !isBlank(*p)) p++;
    }
    if (*p) *p = '\0';
    return count;
}

// Places the men of the FEN placement field, from a8 rank by rank. Men beyond the eighth file
// or rank are outside the board and are dropped; every other man is placed as written.
void readPlacement(const char* field) {
    int rankBase = 56, file = 0;
    for (const char* c = field; *c; c++) {
        if (*c == '/') {
            if (rankBase >= 0) rankBase -= 8;
            file = 0;
        } else if (*c >= '1' && *c <= '8') {
            file += *c - '0';
            if (file > 8) file = 8;
        } else if (int piece = codeOfLetter(*c)) {
            if (rankBase >= 0 && file < 8 && board.squares[rankBase + file] == Empty)
                putMan(piece, rankBase + file);
            if (file < 8) file++;
        }
    }
}

// Castling rights live in the move counts of the king and rook squares. The corners start as
// moved too: a rook at home must not bring back a right the text does not grant.
void readCastling(const char* field) {
    for (int square : {E1, E8, A1, H1, A8, H8}) board.moveCounts[square] = 1;
    board.whiteCastled = 1;
    board.blackCastled = 1;
    for (const char* c = field; *c; c++) {
        switch (*c) {
        case 'K':
            board.moveCounts[H1] = board.moveCounts[E1] = board.whiteCastled = 0;
            break;
        case 'Q':
            board.moveCounts[A1] = board.moveCounts[E1] = board.whiteCastled = 0;
            break;
        case 'k':
            board.moveCounts[H8] = board.moveCounts[E8] = board.blackCastled = 0;
            break;
        case 'q':
            board.moveCounts[A8] = board.moveCounts[E8] = board.blackCastled = 0;
            break;
        default:
            break;
        }
    }
}

} // namespace

void clearBoard() {
    memset(board.squares, 0, sizeof board.squares);
    memset(board.moveCounts, 0, sizeof board.moveCounts);
    memset(gameKeys, 0, sizeof gameKeys);
    memset(board.bitboards, 0, sizeof board.bitboards);
    board.fiftyCount = 0;
    board.epSquare = 0;
    board.material = 0;
    board.whitePieceCount = 0;
    board.blackPieceCount = 0;
    board.menCount = 0;
    bookPathCount = 0;
}

void resetGame() {
    static const int backRank[8] = {WhiteRook, WhiteKnight, WhiteBishop, WhiteQueen,
                                    WhiteKing, WhiteBishop, WhiteKnight, WhiteRook};
    for (int file = 0; file < 8; file++) {
        board.squares[file] = backRank[file];
        board.squares[8 + file] = WhitePawn;
        board.squares[48 + file] = BlackPawn;
        board.squares[56 + file] = backRank[file] + 1;
        for (int rank = 2; rank < 6; rank++) board.squares[rank * 8 + file] = Empty;
    }
    memset(board.moveCounts, 0, sizeof board.moveCounts);
    memset(gameKeys, 0, sizeof gameKeys);
    board.sideToMove = White;
    bookPly = 0;
    bookPathCount = 0;
    board.material = 0;
    board.historyIndex = 0;
    board.fiftyCount = 0;
    board.whiteCastled = 0;
    board.blackCastled = 0;
    gameResultCode = 0;
    board.epSquare = 0;
    board.whiteKingSq = E1;
    board.blackKingSq = E8;
    memset(board.bitboards, 0, sizeof board.bitboards);
    for (int square = 0; square < 64; square++) {
        int piece = board.squares[square];
        if (piece == Empty) continue;
        board.bitboards[piece] |= squareBit[square];
        board.bitboards[isWhitePiece(piece) ? WhiteMen : BlackMen] |= squareBit[square];
    }
    board.menCount = 32;
    board.whitePieceCount = 8;
    board.blackPieceCount = 8;
}

void installInitialKeys() {
    board.hashKey = InitialHashKey;
    board.pawnKey = InitialPawnKey;
    gameKeys[0] = InitialHashKey;
}

int menFitMoveLists() {
    int counts[13];
    for (int code = 0; code < 13; code++) counts[code] = __builtin_popcountll(board.bitboards[code]);
    return menBeyondAGame(counts, 0) <= 1 && menBeyondAGame(counts, 1) <= 1;
}

int setupFromFen(char* text) {
    clearBoard();
    bookPly = 70;
    fullMoveNumber = 0;
    board.whiteKingSq = 0;
    board.blackKingSq = 0;
    board.whiteCastled = 0;
    board.blackCastled = 0;
    gameResultCode = 0;
    for (int file = 0; file < 8; file++) {
        board.moveCounts[file] = 1;
        board.moveCounts[56 + file] = 1;
    }

    char* fields[6];
    int count = text ? splitFields(text, fields, 6) : 0;
    if (count > 0) readPlacement(fields[0]);
    if (count > 1) {
        board.sideToMove = fields[1][0] == 'w' ? White : Black;
        otherSideFlag = board.sideToMove == White ? 0 : 1;
    }
    if (count > 2) readCastling(fields[2]);
    if (count > 3 && fields[3][0] != '-') {
        int file = fields[3][0] - 'a';
        int rank = fields[3][0] ? fields[3][1] - '1' : -1;
        int ep = (file >= 0 && file < 8 && rank >= 0 && rank < 8) ? file + 8 * rank : 0;
        board.epSquare = epSquareIsSound(ep) ? ep : 0;
    }
    if (count > 4) {
        int clock = readCount(fields[4], 9999);
        if (clock >= 0) board.fiftyCount = clock;
    }
    if (count > 5) {
        int number = readCount(fields[5], 9999);
        if (number > 0) {
            fullMoveNumber = number;
            gameIndex = 2 * number - (board.sideToMove == White ? 2 : 1);
            if (gameIndex > MaxSetupGameIndex)
                gameIndex = MaxSetupGameIndex + (board.sideToMove == White ? 0 : 1);
        }
    }
    if (fullMoveNumber == 0) {
        fullMoveNumber = 1;
        gameIndex = board.sideToMove == White ? 0 : 1;
    }
    // Men that could give a side more moves than a list holds: the set-up is refused whole and
    // leaves an empty board, which nothing plays.
    int accepted = menFitMoveLists();
    if (!accepted) {
        clearBoard();
        board.whiteKingSq = board.blackKingSq = 0;
    }
    computeKeys();
    gameKeys[gameIndex] = board.hashKey;
    hashStores = 0;
    return accepted;
}

void editSquare(int colour, char letter, char fileChar, char rankChar) {
    if (fileChar < 'a' || fileChar > 'h' || rankChar < '1' || rankChar > '8') return;
    int square = (fileChar - 'a') + 8 * (rankChar - '1');
    if (letter == 'X' || letter == 'x') {
        removeMan(square);
    } else {
        int piece = codeOfLetter(letter);
        if (piece == Empty || !isWhitePiece(piece)) return;
        if (!colour) piece++;
        removeMan(square);
        putMan(piece, square);
        if (piece == WhiteKing || piece == BlackKing) {
            int home = colour ? E1 : E8;
            board.moveCounts[square] = square == home ? 0 : 1;
            (colour ? board.whiteCastled : board.blackCastled) = square == home ? 0 : 1;
        }
    }
    if (!epSquareIsSound(board.epSquare)) board.epSquare = 0;
}
