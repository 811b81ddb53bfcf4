// Endgame knowledge that needs no pawn structure: the opposition and the material verdict.
#include "eval/eval.h"
#include "eval/eval_internal.h"

int hasOpposition(int side) {
    const int w = board.whiteKingSq;
    const int b = board.blackKingSq;
    if (fileIndex(w) != fileIndex(b) && (w >> 3) != (b >> 3)) return 0;
    if (distance[w][b] & 1) return 0;
    return board.sideToMove != side;
}

namespace {

// Rooks count one major, queens two.
int majorsOf(int side) {
    return popCount(piecesOf(side, WhiteRook)) + 2 * popCount(piecesOf(side, WhiteQueen));
}
int minorsOf(int side) {
    return popCount(piecesOf(side, WhiteKnight)) + popCount(piecesOf(side, WhiteBishop));
}
bool onEdge(int square) { return (edgeSquares >> square) & 1; }

} // namespace

int materialVerdict() {
    const int whiteMajors = majorsOf(White), blackMajors = majorsOf(Black);
    const int whiteMinors = minorsOf(White), blackMinors = minorsOf(Black);
    const bool whitePawns = piecesOf(White, WhitePawn) != 0;
    const bool blackPawns = piecesOf(Black, WhitePawn) != 0;
    const bool whiteKingEdge = onEdge(board.whiteKingSq);
    const bool blackKingEdge = onEdge(board.blackKingSq);

    // One extra minor piece alone wins only against a king driven to the edge by majors.
    if (whiteMajors == blackMajors && !whitePawns && whiteMinors == blackMinors + 1) {
        const int v = (!blackKingEdge || whiteMajors == 0) ? WinnableBlack : WinnableBoth;
        if (blackPawns) return v;
        return (!whiteKingEdge || blackMajors == 0) ? (v & WinnableWhite) : v;
    }
    if (whiteMajors == blackMajors && !blackPawns && blackMinors == whiteMinors + 1) {
        const int v = (!whiteKingEdge || blackMajors == 0) ? WinnableWhite : WinnableBoth;
        if (whitePawns) return v;
        return (!blackKingEdge || whiteMajors == 0) ? (v & WinnableBlack) : v;
    }
    // Material that balances out (a major against a minor, or equal): the side without pawns
    // cannot win.
    if (whiteMajors - blackMajors == blackMinors - whiteMinors) {
        const int v = !blackPawns ? WinnableWhite : WinnableBoth;
        return whitePawns ? v : (v & WinnableBlack);
    }
    return WinnableBoth;
}
