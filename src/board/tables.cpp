// Constant tables of the board, built once by initBoardTables.
#include "board/tables.h"

#include <algorithm>
#include <cstdlib>

// clang-format off
const int fileOf[64] = {
    1, 2, 3, 4, 5, 6, 7, 8,  1, 2, 3, 4, 5, 6, 7, 8,  1, 2, 3, 4, 5, 6, 7, 8,
    1, 2, 3, 4, 5, 6, 7, 8,  1, 2, 3, 4, 5, 6, 7, 8,  1, 2, 3, 4, 5, 6, 7, 8,
    1, 2, 3, 4, 5, 6, 7, 8,  1, 2, 3, 4, 5, 6, 7, 8,
};
const int rankOf[64] = {
    1, 1, 1, 1, 1, 1, 1, 1,  2, 2, 2, 2, 2, 2, 2, 2,  3, 3, 3, 3, 3, 3, 3, 3,
    4, 4, 4, 4, 4, 4, 4, 4,  5, 5, 5, 5, 5, 5, 5, 5,  6, 6, 6, 6, 6, 6, 6, 6,
    7, 7, 7, 7, 7, 7, 7, 7,  8, 8, 8, 8, 8, 8, 8, 8,
};
// clang-format on
const int materialValue[13] = {0, 100, -100, 350, -350, 0, 0, 550, -550, 1000, -1000, 365, -365};
const unsigned victimValue[13] = {0,   100, 100,  350,  350, 4000, 4000,
                                  550, 550, 1000, 1000, 365, 365};

Bitboard squareBit[64];
Bitboard squareClear[64];
Bitboard rankMask[8];
Bitboard fileMask[8];
Bitboard knightAttacks[64];
Bitboard kingAttacks[64];
Bitboard whitePawnAttacks[64];
Bitboard blackPawnAttacks[64];
Bitboard pawnStepUpLeft[64];
Bitboard pawnStepUpRight[64];
Bitboard pawnStepDownRight[64];
Bitboard pawnStepDownLeft[64];
Bitboard lineMask[64];
Bitboard rayWest[64];
Bitboard raySouthEast[64];
Bitboard raySouth[64];
Bitboard raySouthWest[64];
Bitboard rayNorthWest[64];
Bitboard rayNorth[64];
Bitboard rayNorthEast[64];
Bitboard rayEast[64];
Bitboard diagonalMask[64];
Bitboard antiDiagonalMask[64];
int8_t direction[64][64];
Bitboard between[64][64];
uint8_t distance[64][64];
uint8_t popCount16[65536];
uint8_t futilityClass[241];

namespace {

// The square reached from square by (fileStep, rankStep), or -1 off the board.
int stepFrom(int square, int fileStep, int rankStep) {
    int file = (square & 7) + fileStep, rank = (square >> 3) + rankStep;
    if (file < 0 || file > 7 || rank < 0 || rank > 7) return -1;
    return rank * 8 + file;
}

// The set of single steps from square, each given as a (file, rank) offset.
Bitboard stepSet(int square, const int (*steps)[2], int count) {
    Bitboard set = 0;
    for (int i = 0; i < count; i++) {
        int to = stepFrom(square, steps[i][0], steps[i][1]);
        if (to >= 0) set |= 1ULL << to;
    }
    return set;
}

// The open ray from square to the edge, square excluded.
Bitboard ray(int square, int fileStep, int rankStep) {
    Bitboard set = 0;
    for (int to = stepFrom(square, fileStep, rankStep); to >= 0;
         to = stepFrom(to, fileStep, rankStep))
        set |= 1ULL << to;
    return set;
}

int sign(int x) {
    return (x > 0) - (x < 0);
}

const int knightSteps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                               {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
const int kingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

} // namespace

void initBoardTables() {
    popCount16[0] = 0;
    for (int i = 1; i < 65536; i++) popCount16[i] = popCount16[i >> 1] + (i & 1);
    for (int i = 0; i <= 240; i++) futilityClass[i] = i <= 60 ? 1 : i <= 120 ? 2 : i <= 180 ? 3 : 4;
    for (int r = 0; r < 8; r++) rankMask[r] = 0xFFULL << (8 * r);
    for (int f = 0; f < 8; f++) fileMask[f] = 0x0101010101010101ULL << f;

    for (int s = 0; s < 64; s++) {
        squareBit[s] = 1ULL << s;
        squareClear[s] = ~squareBit[s];
        knightAttacks[s] = stepSet(s, knightSteps, 8);
        kingAttacks[s] = stepSet(s, kingSteps, 8);
        const int upLeft[1][2] = {{-1, 1}}, upRight[1][2] = {{1, 1}};
        const int downRight[1][2] = {{1, -1}}, downLeft[1][2] = {{-1, -1}};
        pawnStepUpLeft[s] = stepSet(s, upLeft, 1);
        pawnStepUpRight[s] = stepSet(s, upRight, 1);
        pawnStepDownRight[s] = stepSet(s, downRight, 1);
        pawnStepDownLeft[s] = stepSet(s, downLeft, 1);
        whitePawnAttacks[s] = pawnStepUpLeft[s] | pawnStepUpRight[s];
        blackPawnAttacks[s] = pawnStepDownLeft[s] | pawnStepDownRight[s];
        rayWest[s] = ray(s, -1, 0);
        raySouthEast[s] = ray(s, 1, -1);
        raySouth[s] = ray(s, 0, -1);
        raySouthWest[s] = ray(s, -1, -1);
        rayNorthWest[s] = ray(s, -1, 1);
        rayNorth[s] = ray(s, 0, 1);
        rayNorthEast[s] = ray(s, 1, 1);
        rayEast[s] = ray(s, 1, 0);
        diagonalMask[s] = rayNorthEast[s] | raySouthWest[s];
        antiDiagonalMask[s] = rayNorthWest[s] | raySouthEast[s];
        lineMask[s] = rayWest[s] | rayEast[s] | rayNorth[s] | raySouth[s] | diagonalMask[s] |
                      antiDiagonalMask[s];
    }

    for (int a = 0; a < 64; a++) {
        for (int b = 0; b < 64; b++) {
            int fileDiff = fileOf[b] - fileOf[a], rankDiff = rankOf[b] - rankOf[a];
            distance[a][b] = static_cast<uint8_t>(std::max(std::abs(fileDiff), std::abs(rankDiff)));
            if (lineMask[a] & squareBit[b]) {
                int d = 8 * sign(rankDiff) + sign(fileDiff);
                direction[a][b] = static_cast<int8_t>(d);
                Bitboard set = 0;
                for (int s = a + d; s != b; s += d) set |= squareBit[s];
                between[a][b] = set;
            } else {
                direction[a][b] = 0;
                between[a][b] = ~0ULL;
            }
        }
    }
}
