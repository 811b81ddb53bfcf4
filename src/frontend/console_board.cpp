// The coloured console diagram of the position, oriented for the side to move.
#include "frontend/console_board.h"

#include "board/board.h"
#include "board/tables.h"
#include "platform/platform.h"

namespace {

// Two characters per square by piece code: pawns o and x, pieces by letter, White upper case.
const char* const squareTexts[13] = {"  ", "o ", "x ", "N ", "n ", "K ", "k ",
                                     "R ", "r ", "Q ", "q ", "B ", "b "};

constexpr int LightSquare = 0xF0;
constexpr int DarkSquare = 0xA0;
constexpr int Frame = 0x77;
constexpr int TurnedLeftFrame = 0x70;
constexpr int Labels = 0x0F;

void cells(int column, int rowOffset, const char* text, int attribute) {
    if (outputIsConsole) consoleWriteCells(column, rowOffset, text, attribute);
}

} // namespace

void DrawConsoleBoard(FILE* stream, int side) {
    std::fputs("\n\n", stream);
    std::fflush(stream);
    cells(30, -1, "                    ", Frame);
    for (int row = 0; row < 8; row++) {
        int rank = side ? 7 - row : row;  // 0-based rank shown on this row
        char digit[2] = {static_cast<char>('1' + rank), '\0'};
        cells(29, 0, digit, Labels);
        cells(30, 0, "  ", side ? Frame : TurnedLeftFrame);
        for (int column = 0; column < 8; column++) {
            int file = side ? column : 7 - column;
            int square = rank * 8 + file;
            int light = (fileOf[square] + rankOf[square]) % 2 == 1;
            cells(32 + 2 * column, 0, squareTexts[board.squares[square]],
                  light ? LightSquare : DarkSquare);
        }
        cells(48, 0, "  ", Frame);
        std::fputs("\n", stream);
        std::fflush(stream);
    }
    cells(30, 0, "                    ", Frame);
    std::fputs("\n", stream);
    std::fflush(stream);
    cells(30, 0, side ? "  a b c d e f g h   " : "  h g f e d c b a   ", Labels);
    std::fputs("\n\n\n", stream);
    std::fflush(stream);
}
