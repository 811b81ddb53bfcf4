// Helpers for the tests that read real table files: where Debian's package installs its 3-men
// set, the solved endings (built once per test program), and a board set up directly from men.
#pragma once

#include <cstring>
#include <string>

#include "board/board.h"
#include "support/board_setup.h"
#include "tablebases/debian_tables.h"
#include "tablebases/retrograde_solver.h"
#include "tablebases/tablebases.h"

struct SolvedEndings {
    RetrogradeSolver queen{'Q'};
    RetrogradeSolver rook{'R'};
    RetrogradeSolver pawn{'P', &queen, &rook};
};

inline const SolvedEndings& solvedEndings() {
    static const SolvedEndings endings;
    return endings;
}

// An empty board with only the listed men (code, square) and the side to move.
inline void placeMen(std::initializer_list<std::pair<int, int>> men, int sideToMove) {
    ensureBoardTables();
    std::memset(board.squares, 0, sizeof board.squares);
    for (auto [code, square] : men) {
        board.squares[square] = code;
        if (code == WhiteKing) board.whiteKingSq = square;
        if (code == BlackKing) board.blackKingSq = square;
    }
    board.sideToMove = sideToMove;
    board.epSquare = 0;
}

inline char squareFile(int square) { return static_cast<char>('a' + square % 8); }
inline char squareRank(int square) { return static_cast<char>('1' + square / 8); }
inline std::string squareName(int square) { return {squareFile(square), squareRank(square)}; }
