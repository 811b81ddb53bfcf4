// Coordinate notation and standard algebraic notation (SAN), reading and writing.
#include "board/notation.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/movegen.h"
#include "frontend/output.h"

// clang-format off
const char* const squareNames[64] = {
    "a1", "b1", "c1", "d1", "e1", "f1", "g1", "h1", "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2",
    "a3", "b3", "c3", "d3", "e3", "f3", "g3", "h3", "a4", "b4", "c4", "d4", "e4", "f4", "g4", "h4",
    "a5", "b5", "c5", "d5", "e5", "f5", "g5", "h5", "a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6",
    "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7", "a8", "b8", "c8", "d8", "e8", "f8", "g8", "h8",
};
// clang-format on

namespace {

const char* const coordinatePromotion[13] = {"",  "p", "p", "n", "n", "k", "k",
                                             "r", "r", "q", "q", "b", "b"};
const char* const sanLetter[13] = {"", "", "", "N", "N", "K", "K", "R", "R", "Q", "Q", "B", "B"};
const char* const sanPromotion[13] = {"",   "",   "",   "=N", "=N", "",  "",
                                      "=R", "=R", "=Q", "=Q", "=B", "=B"};

// The legal moves of the board. The generators' scratch fields (pin rays, the largest victim)
// are restored afterwards, so that notation work in the middle of a search leaves no trace.
struct LegalMoves {
    Move moves[MaxMoves];
    int count;
    LegalMoves() {
        Bitboard savedPinRays[64];
        memcpy(savedPinRays, board.pinRays, sizeof savedPinRays);
        int savedVictim = board.maxVictimValue;
        count = static_cast<int>(generateMoves(moves, sideToMoveInCheck()) - moves);
        memcpy(board.pinRays, savedPinRays, sizeof savedPinRays);
        board.maxVictimValue = savedVictim;
    }
};

// Square of a file letter and rank digit, or -1 when either is off the board.
int squareOf(char file, char rank) {
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8') return -1;
    return (file - 'a') + 8 * (rank - '1');
}

// Piece code of a SAN piece letter for side, 0 for any other letter.
int pieceOfLetter(char letter, int side) {
    int white;
    switch (letter) {
    case 'B':
        white = WhiteBishop;
        break;
    case 'N':
        white = WhiteKnight;
        break;
    case 'Q':
        white = WhiteQueen;
        break;
    case 'R':
        white = WhiteRook;
        break;
    case 'K':
        white = WhiteKing;
        break;
    default:
        return 0;
    }
    return side ? white : white + 1;
}

// The men of code piece that attack square, read against the current occupancy.
Bitboard attackersByCode(int piece, int square) {
    Bitboard occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    Bitboard reach;
    switch (piece) {
    case WhiteKnight:
    case BlackKnight:
        reach = knightAttacks[square];
        break;
    case WhiteKing:
    case BlackKing:
        reach = kingAttacks[square];
        break;
    case WhiteBishop:
    case BlackBishop:
        reach = bishopAttacks(square, occupancy);
        break;
    case WhiteRook:
    case BlackRook:
        reach = rookAttacks(square, occupancy);
        break;
    default:
        reach = bishopAttacks(square, occupancy) | rookAttacks(square, occupancy);
        break;
    }
    return reach & board.bitboards[piece];
}

// The castling text, the capture marker, and the assembly shared by both SAN writers.
void writeSan(Move m, int mover, char disambiguator, char* out) {
    int kind = moveCastle(m);
    if (kind) {
        strcpy(out, kind == CastleWhiteShort || kind == CastleBlackShort ? "O-O" : "O-O-O");
        return;
    }
    char capture[3] = "";
    if (moveCaptured(m)) {
        if (mover <= BlackPawn)
            snprintf(capture, sizeof capture, "%cx", 'a' + fileOf[moveFrom(m)] - 1);
        else
            strcpy(capture, "x");
    }
    char middle[2] = {disambiguator, '\0'};
    snprintf(out, 8, "%s%s%s%s%s", sanLetter[mover], middle, capture, squareNames[moveTo(m)],
             sanPromotion[movePromotion(m)]);
}

// The disambiguator that tells the mover on from apart from a rival on another square.
char disambiguatorFor(int from, int rival) {
    return fileOf[rival] != fileOf[from] ? static_cast<char>('a' + fileOf[from] - 1)
                                         : static_cast<char>('0' + rankOf[from]);
}

// The legal move equal to m in everything but the captured field, else 0. m is returned so
// that an en-passant capture read from SAN keeps its captured field as parsed.
Move legalOrZero(Move m) {
    if (!m) return 0;
    LegalMoves legal;
    for (int i = 0; i < legal.count; i++)
        if ((legal.moves[i] & ~0xF000) == (m & ~0xF000)) return m;
    return 0;
}

// The first legal move of a man of code piece to square, else 0.
Move firstLegalTo(int piece, int to) {
    LegalMoves legal;
    for (int i = 0; i < legal.count; i++)
        if (moveTo(legal.moves[i]) == to && board.squares[moveFrom(legal.moves[i])] == piece)
            return legal.moves[i];
    return 0;
}

// Whether text starts with pattern (upper case) regardless of the letters' case in text.
bool matchesIgnoringCase(const char* text, const char* pattern) {
    for (; *pattern; text++, pattern++) {
        char c = *text >= 'a' && *text <= 'z' ? static_cast<char>(*text - 32) : *text;
        if (c != *pattern) return false;
    }
    return true;
}

// The pawn move a SAN text of length n names (to square and promotion letter already read),
// or 0. Legality is checked by the caller.
Move parsePawnMove(const char* san, int n, int to, char promotionLetter, int side) {
    int pawn = side ? WhitePawn : BlackPawn;
    int forward = side ? 8 : -8;
    bool lastRank = rankOf[to] == (side ? 8 : 1);
    if (lastRank != (promotionLetter != '\0')) return 0;
    int promotion = lastRank ? pieceOfLetter(promotionLetter, side) : 0;
    if (san[1] != 'x') {
        int from = to - forward;
        if (from < 0 || from > 63) return 0;
        if (lastRank) return makeMoveWord(from, to, 0, 0, promotion);
        if (board.squares[from] == pawn) return makeMoveWord(from, to);
        from -= forward;
        if (from >= 0 && from <= 63 && board.squares[from] == pawn) return makeMoveWord(from, to);
        return 0;
    }
    if (n < 4 || san[0] < 'a' || san[0] > 'h') return 0;
    int fromRank = rankOf[to] - (side ? 1 : -1);
    if (fromRank < 1 || fromRank > 8) return 0;
    int from = (san[0] - 'a') + 8 * (fromRank - 1);
    int captured = board.squares[to];
    if (!lastRank && to == board.epSquare && captured == Empty)
        return makeMoveWord(from, to, 0, 0, 0, true);
    return makeMoveWord(from, to, captured, 0, promotion);
}

// The knight, bishop, rook, queen or king move a SAN text of length n names, or 0.
Move parsePieceMove(const char* san, int n, int to, int side) {
    int piece = pieceOfLetter(san[0], side);
    if (!piece) return 0;
    // Candidates: the men of that kind with a legal move to the square. A pinned rival is no
    // candidate, so "Nd2" beside a pinned knight names the free one.
    Bitboard candidates = 0;
    LegalMoves legal;
    for (int i = 0; i < legal.count; i++)
        if (moveTo(legal.moves[i]) == to && board.squares[moveFrom(legal.moves[i])] == piece)
            candidates |= squareBit[moveFrom(legal.moves[i])];
    if (!candidates) return 0;
    if (!(candidates & (candidates - 1)))
        return makeMoveWord(lowestSquare(candidates), to, board.squares[to]);
    char third = san[2];
    bool alnum = (third >= 'a' && third <= 'z') || (third >= 'A' && third <= 'Z') ||
                 (third >= '0' && third <= '9');
    if (san[1] == 'x' || !alnum) return firstLegalTo(piece, to);
    // The text names its mover: try each candidate's file, then its rank, against the text.
    // When none matches, the last candidate tried that may legally move stands for the text.
    Move lastLegal = 0;
    while (candidates) {
        int from = lowestSquare(candidates);
        candidates &= candidates - 1;
        if (Move tried = legalOrZero(makeMoveWord(from, to, board.squares[to]))) lastLegal = tried;
        for (int pass = 0; pass < 2; pass++) {
            char mark = pass == 0 ? static_cast<char>('a' + fileOf[from] - 1)
                                  : static_cast<char>('0' + rankOf[from]);
            char written[16];
            if (third == 'x')
                snprintf(written, sizeof written, "%s%cx%c%c", sanLetter[piece], mark, san[3],
                         n > 4 ? san[4] : '\0');
            else
                snprintf(written, sizeof written, "%s%c%c%c", sanLetter[piece], mark, third,
                         san[3]);
            if (strncmp(written, san, n) == 0) return makeMoveWord(from, to, board.squares[to]);
        }
    }
    Print("error\n");
    return lastLegal;
}

} // namespace

void moveToCoordinate(Move m, char* out) {
    snprintf(out, 6, "%s%s%s", squareNames[moveFrom(m)], squareNames[moveTo(m)],
             coordinatePromotion[movePromotion(m)]);
}

int findCoordinateMove(const char* text, Move* out) {
    if (!text) return 0;
    LegalMoves legal;
    for (int i = 0; i < legal.count; i++) {
        char written[6];
        moveToCoordinate(legal.moves[i], written);
        if (strcmp(written, text) == 0) {
            *out = legal.moves[i];
            return 1;
        }
    }
    return 0;
}

void sanBeforeMove(Move m, char* out) {
    int from = moveFrom(m), to = moveTo(m);
    int mover = board.squares[from];
    char disambiguator = '\0';
    if (mover > BlackPawn && !moveCastle(m)) {
        LegalMoves legal;
        for (int i = 0; i < legal.count; i++) {
            int rival = moveFrom(legal.moves[i]);
            if (moveTo(legal.moves[i]) == to && rival != from && board.squares[rival] == mover) {
                disambiguator = disambiguatorFor(from, rival);
                break;
            }
        }
    }
    writeSan(m, mover, disambiguator, out);
}

void sanAfterMove(Move m, char* out) {
    int from = moveFrom(m), to = moveTo(m);
    int mover = movePromotion(m) ? (isWhitePiece(movePromotion(m)) ? WhitePawn : BlackPawn)
                                 : board.squares[to];
    char disambiguator = '\0';
    if (mover > BlackPawn && mover != WhiteKing && mover != BlackKing) {
        Bitboard rivals = attackersByCode(mover, to);
        if (rivals) {
            int rival = lowestSquare(rivals);
            int line = direction[from][to];
            // A rival seeing the square only through the vacated from square is no rival.
            if (!(line != 0 && direction[rival][to] == line))
                disambiguator = disambiguatorFor(from, rival);
        }
    }
    writeSan(m, mover, disambiguator, out);
}

Move parseSan(const char* text, int side) {
    if (!text) return 0;
    side = side ? White : Black;
    if (matchesIgnoringCase(text, "O-O-O"))
        return legalOrZero(side ? makeMoveWord(E1, C1, 0, CastleWhiteLong)
                                : makeMoveWord(E8, C8, 0, CastleBlackLong));
    if (matchesIgnoringCase(text, "O-O"))
        return legalOrZero(side ? makeMoveWord(E1, G1, 0, CastleWhiteShort)
                                : makeMoveWord(E8, G8, 0, CastleBlackShort));

    char san[16];
    int n = static_cast<int>(strnlen(text, sizeof san));
    if (n >= static_cast<int>(sizeof san)) return 0;
    memcpy(san, text, n + 1);
    if (n > 0 && (san[n - 1] == '+' || san[n - 1] == '#')) san[--n] = '\0';
    char promotionLetter = '\0';
    if (n > 0 && san[n - 1] > '8') {
        // Only "=Q", "=R", "=B" or "=N" may follow the square; "!", "?" and the like may not.
        promotionLetter = san[n - 1];
        if (n < 4 || san[n - 2] != '=' || !strchr("QRBN", promotionLetter)) return 0;
        n -= 2;
        san[n] = '\0';
    }
    if (n < 2) return 0;
    int to = squareOf(san[n - 2], san[n - 1]);
    if (to < 0) return 0;

    Move m;
    if (san[0] >= 'a' && san[0] <= 'z')
        m = parsePawnMove(san, n, to, promotionLetter, side);
    else
        m = promotionLetter ? 0 : parsePieceMove(san, n, to, side);
    return legalOrZero(m);
}
