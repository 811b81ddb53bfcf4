// The HTML board diagram with its FEN, written into the game log after every engine move.
#include "frontend/diagram.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/tables.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "search/control.h"

namespace {

const char* const plainImages[13] = {"es.png", "wp.png", "bp.png", "wn.png", "bn.png",
                                     "wk.png", "bk.png", "wr.png", "br.png", "wq.png",
                                     "bq.png", "wb.png", "bb.png"};
const char* const markedImages[13] = {"ese.png", "wpe.png", "bpe.png", "wne.png", "bne.png",
                                      "wke.png", "bke.png", "wre.png", "bre.png", "wqe.png",
                                      "bqe.png", "wbe.png", "bbe.png"};
const char fenLetters[] = " PpNnKkRrQqBb";
const char* const FrameColour = "bgcolor= \"#e6e0c6\"";

// A rook of the given code stands on square, with its king at home and neither moved.
int castlingRight(int kingSquare, int homeKing, int rookSquare, int rookCode) {
    return kingSquare == homeKing && board.moveCounts[homeKing] == 0 &&
           board.squares[rookSquare] == rookCode && board.moveCounts[rookSquare] == 0;
}

// The en-passant square is shown only when a pawn of the side to move can capture onto it.
int enPassantPossible() {
    int ep = board.epSquare;
    if (ep <= 0 || ep >= 64) return 0;
    int file = fileOf[ep];
    int pawnRank = board.sideToMove ? ep / 8 - 1 : ep / 8 + 1; // 0-based rank of the capturers
    if (pawnRank < 0 || pawnRank > 7) return 0;
    int pawn = board.sideToMove ? WhitePawn : BlackPawn;
    if (file > 1 && board.squares[pawnRank * 8 + file - 2] == pawn) return 1;
    if (file < 8 && board.squares[pawnRank * 8 + file] == pawn) return 1;
    return 0;
}

} // namespace

void PositionFen(char* out) {
    char* p = out;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            int code = board.squares[rank * 8 + file];
            if (code == Empty) {
                empty++;
                continue;
            }
            if (empty) *p++ = static_cast<char>('0' + empty);
            empty = 0;
            *p++ = fenLetters[code];
        }
        if (empty) *p++ = static_cast<char>('0' + empty);
        if (rank) *p++ = '/';
    }
    *p++ = ' ';
    *p++ = board.sideToMove ? 'w' : 'b';
    *p++ = ' ';
    char* castling = p;
    if (castlingRight(board.whiteKingSq, E1, H1, WhiteRook)) *p++ = 'K';
    if (castlingRight(board.whiteKingSq, E1, A1, WhiteRook)) *p++ = 'Q';
    if (castlingRight(board.blackKingSq, E8, H8, BlackRook)) *p++ = 'k';
    if (castlingRight(board.blackKingSq, E8, A8, BlackRook)) *p++ = 'q';
    if (p == castling) *p++ = '-';
    *p = '\0';
    int moveNumber = fullMoveNumber - (board.sideToMove ? 0 : 1);
    if (enPassantPossible())
        std::sprintf(p, " %c%c %d %d", 'a' + board.epSquare % 8, '1' + board.epSquare / 8,
                     board.fiftyCount, moveNumber);
    else std::sprintf(p, " - %d %d", board.fiftyCount, moveNumber);
}

void LogDiagram(Move played) {
    if (!logEnabled || !logFile) return;
    int from = played ? moveFrom(played) : -1;
    int to = played ? moveTo(played) : -1;
    LogPrint("<table border=0 cellspacing=0 cellpadding=0>");
    LogPrint("<tr><td %s><img src=\"diagram/1.png\" width=34 height=35></td>", FrameColour);
    LogPrint("<td %s colspan=8><img src=\"diagram/2.png\" width=272 height=35></td>", FrameColour);
    LogPrint("<td %s><img src=\"diagram/3.png\" width=34 height=35></td></tr>", FrameColour);
    LogPrint("<tr><td %s rowspan=8><img src=\"diagram/4.png\" width=34 height=280></td>",
             FrameColour);
    for (int rank = 7; rank >= 0; rank--) {
        for (int file = 0; file < 8; file++) {
            int square = rank * 8 + file;
            int code = board.squares[square];
            const char* image = (square == from || square == to) ? markedImages[code]
                                                                 : plainImages[code];
            const char* colour = (rank + file) % 2 == 1 ? "white" : "#01d2ff";
            LogPrint("<td bgcolor=\"%s\" width=34 height=35><img src=\"diagram/%s\"></td>", colour,
                     image);
        }
        if (rank == 7)
            LogPrint("<td %s rowspan=8><img src=\"diagram/%s\" width=34 height=280></td>",
                     FrameColour, board.sideToMove ? "5w.png" : "5b.png");
        LogPrint("</tr><tr>");
    }
    LogPrint("<td %s><img src=\"diagram/6.png\" width=34 height=35></td>", FrameColour);
    LogPrint("<td %s colspan=8><img src=\"diagram/7.png\" width=272 height=35></td>", FrameColour);
    LogPrint("<td %s><img src=\"diagram/8.png\" width=34 height=35></td></tr>", FrameColour);

    char caption[64] = "";
    std::sscanf(pvText, "%63s", caption);
    // The caption gets a row of its own (the row of the bottom frame is already closed).
    LogPrint("<tr><td align=\"center\" colspan=10 bgcolor=\"white\" height=20><small><b>Position "
             "after %s</b></small></td></tr></table>",
             caption);
    char fen[100];
    PositionFen(fen);
    LogPrint(" \n<span class=\"fen\">Fen: %s</span>\n\n", fen);
}
