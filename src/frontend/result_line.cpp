// The result line of a finished game, framed in the log's fen span.
#include "board/board.h"
#include "frontend/output.h"

void PrintResult(int code) {
    LogPrint("<span class=\"fen\">\n");
    switch (code) {
    case 2: Print("0-1 {Black mates}\n\n"); break;
    case 3: Print("1-0 {White mates}\n\n"); break;
    case 4: Print("1/2-1/2 {Fifty move rule}\n\n"); break;
    case 5: Print("1/2-1/2 {Draw by repetition}\n\n"); break;
    // Printed after the resigning side's last move: the side to move did not resign.
    case 6: Print(board.sideToMove == White ? "1-0 {Black resigns}\n\n" : "0-1 {White resigns}\n\n"); break;
    default: Print("1/2-1/2 {Draw}\n\n"); break;
    }
    LogPrint("</span>\n");
}
