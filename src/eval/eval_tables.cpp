// Constant tables and per-square masks of the evaluation.
#include "eval/eval_tables.h"

#include "board/tables.h"
#include "eval/eval.h"

namespace {

// Tables below are written as a board diagram, rank 8 first; this turns them into a1..h8 order.
constexpr SquareTable fromDiagram(const SquareTable& diagram) {
    SquareTable table{};
    for (int row = 0; row < 8; ++row)
        for (int file = 0; file < 8; ++file) table[(7 - row) * 8 + file] = diagram[row * 8 + file];
    return table;
}

} // namespace

const SquareTable knightSquareBonus = fromDiagram({
     -5,   0,   1,   5,   5,   1,   0,  -5,
     -5,   5,   5,   5,   5,   5,   5,  -5,
     -5,   5,  16,  20,  20,  16,   5,  -5,
    -10,   5,  12,  16,  16,  12,   5, -10,
    -10,   5,   8,  10,  10,   8,   5, -10,
    -15,   5,   8,   8,   8,   8,   5, -15,
    -15,   5,   5,   5,   5,   5,   5, -15,
    -50, -30,   1,   5,   5,   1, -30, -50,
});

const SquareTable knightEndgameBonus = fromDiagram({
    -20,  -9,  -5,  -5,  -5,  -5,  -9, -20,
     -9,   5,   5,   5,   5,   5,   5,  -9,
     -5,   5,   8,   8,   8,   8,   5,  -5,
     -5,   5,   8,  15,  15,   8,   5,  -5,
     -5,   5,   8,  15,  15,   8,   5,  -5,
     -5,   5,   8,   8,   8,   8,   5,  -5,
     -9,   5,   5,   5,   5,   5,   5,  -9,
    -20,  -9,  -5,  -5,  -5,  -5,  -9, -20,
});

const SquareTable bishopSquareBonus = fromDiagram({
      5,   5,   5,   5,   5,   5,   5,   5,
      5,  10,   8,   8,   8,   8,  10,   5,
      5,   8,   5,  12,  12,   5,   8,   5,
      5,   8,  12,  12,  12,  12,   8,   5,
      5,   8,  12,  12,  12,  12,   8,   5,
      8,   8,   5,  12,  12,   5,   8,   8,
      5,  12,   8,   0,   8,   8,  12,   5,
      5,   5, -20,   5,   5, -20,   5,   5,
});

// Applied only to a rook on a closed file that is not otherwise active.
const SquareTable rookSquareBonus = fromDiagram({
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
    -30, -30, -10,   0,   0, -10, -30, -30,
    -30, -30, -10,   0,   0, -10, -30, -30,
});

const SquareTable queenSquareBonus = fromDiagram({
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,  25,  25,   0,   0,   0,
      0,   0,   0,  25,  25,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
});

const SquareTable pawnSquareBonus = fromDiagram({
      0,   0,   0,   0,   0,   0,   0,   0,
      5,  10,  15,  30,  30,  15,  10,   5,
      4,   6,  12,  20,  20,  12,   6,   4,
      3,   5,   7,  15,  15,   7,   5,   3,
      2,   4,   6,  12,  12,   6,   4,   2,
      1,   3,   5,   8,   8,   5,   3,   1,
      0,   2,   4,   6,   6,   4,   2,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
});

const SquareTable passedPawnBonus = fromDiagram({
      0,   0,   0,   0,   0,   0,   0,   0,
     90,  90,  90,  70,  70,  90,  90,  90,
     80,  80,  80,  60,  60,  80,  80,  80,
     70,  70,  70,  50,  50,  70,  70,  70,
     10,  10,  10,  10,  10,  10,  10,  10,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
});

const SquareTable kingMiddlegameTable = fromDiagram({
   -240,-240,-300,-400,-400,-300,-240,-240,
   -210,-210,-250,-300,-300,-250,-210,-210,
   -180,-180,-200,-250,-250,-200,-180,-180,
   -150,-150,-160,-180,-180,-160,-150,-150,
   -120,-120,-125,-150,-150,-125,-120,-120,
    -90, -90, -95,-100,-100, -95, -90, -90,
      0,   2, -20, -30, -30, -20,   5,   0,
      2,  10, -10, -20, -10, -10,  10,   5,
});

const SquareTable kingEndgameTable = fromDiagram({
    -50, -10,  -5,   0,   0,  -5, -10, -50,
    -10,   5,   5,   5,   5,   5,   5, -10,
     -5,   5,  15,  15,  15,  15,   5,  -5,
      0,   5,  15,  25,  25,  15,   5,   0,
      0,   5,  15,  25,  25,  15,   5,   0,
     -5,   5,  15,  15,  15,  15,   5,  -5,
    -10,   5,   5,   5,   5,   5,   5, -10,
    -50, -10,  -5,   0,   0,  -5, -10, -50,
});

// Shelter defects a king starts with: the centre files and the squares off the back two ranks.
const SquareTable kingDangerStart = fromDiagram({
      1,   1,   1,   2,   2,   1,   1,   1,
      1,   1,   1,   2,   2,   1,   1,   1,
      1,   1,   1,   2,   2,   1,   1,   1,
      1,   1,   1,   2,   2,   1,   1,   1,
      1,   1,   1,   2,   2,   1,   1,   1,
      1,   1,   1,   2,   2,   1,   1,   1,
      0,   0,   0,   1,   1,   0,   0,   0,
      0,   0,   0,   1,   1,   0,   0,   0,
});

const int bishopMobility[15] = {-25, -20, -15, -10, -5, 0, 2, 4, 6, 8, 10, 11, 12, 13, 14};
const int knightTropism[8] = {0, 21, 18, 15, 12, 9, 6, 3};
const int bishopTropism[8] = {0, 14, 12, 10, 8, 6, 4, 2};
const int rookTropism[8] = {0, 28, 24, 20, 16, 12, 8, 4};
const int queenTropism[8] = {0, 35, 30, 25, 20, 15, 10, 5};
const int outpostBonus[9] = {0, 0, 0, 0, 0, 20, 25, 30, 35};
const int shelterDistancePenalty[8] = {0, 0, 10, 20, 30, 40, 50, 60};

const int boardQuadrant[64] = {
    1, 1, 1, 1, 2, 2, 2, 2,
    1, 1, 1, 1, 2, 2, 2, 2,
    1, 1, 1, 1, 2, 2, 2, 2,
    1, 1, 1, 1, 2, 2, 2, 2,
    3, 3, 3, 3, 4, 4, 4, 4,
    3, 3, 3, 3, 4, 4, 4, 4,
    3, 3, 3, 3, 4, 4, 4, 4,
    3, 3, 3, 3, 4, 4, 4, 4,
};

Bitboard passerMask[2][64];
Bitboard passerFlank[2][64];
Bitboard supportMask[2][64];
Bitboard adjacentOnRank[64];
Bitboard adjacentFiles[8];
Bitboard fileNeighbourhood[8];
Bitboard pairSquares[2][64];
Bitboard squareOfPawn[2][64];
Bitboard shelterFileMask[8];
Bitboard outpostSquares[2];
Bitboard blockadeZone;
Bitboard edgeSquares;
Bitboard queenSideFiles;
Bitboard kingSideFiles;

namespace {

// Squares of the given ranks (1..8, inclusive) and files (0..7, inclusive); empty when inverted.
Bitboard region(int lowRank, int highRank, int lowFile, int highFile) {
    Bitboard set = 0;
    for (int rank = lowRank; rank <= highRank; ++rank)
        for (int file = lowFile; file <= highFile; ++file)
            if (rank >= 1 && rank <= 8 && file >= 0 && file <= 7)
                set |= Bitboard{1} << ((rank - 1) * 8 + file);
    return set;
}

// The square at (file, rank) if it is on the board, as a set.
Bitboard squareAt(int file, int rank) { return region(rank, rank, file, file); }

} // namespace

void initEvalTables() {
    for (int f = 0; f < 8; ++f) {
        adjacentFiles[f] = region(1, 8, f - 1, f - 1) | region(1, 8, f + 1, f + 1);
        fileNeighbourhood[f] = region(1, 8, f - 1, f + 1);
    }
    // A king on b shelters behind a-b, on c behind b-c, on g behind g-h; d, e, f use three files.
    const int shelterLow[8] = {0, 0, 1, 2, 3, 4, 6, 7};
    const int shelterHigh[8] = {0, 1, 2, 4, 5, 6, 7, 7};
    for (int f = 0; f < 8; ++f) shelterFileMask[f] = region(1, 8, shelterLow[f], shelterHigh[f]);

    for (int s = 0; s < 64; ++s) {
        const int f = fileIndex(s);
        const int r = (s >> 3) + 1;
        passerMask[White][s] = region(r + 1, 8, f - 1, f + 1);
        passerMask[Black][s] = region(1, r - 1, f - 1, f + 1);
        passerFlank[White][s] = passerMask[White][s] & adjacentFiles[f];
        passerFlank[Black][s] = passerMask[Black][s] & adjacentFiles[f];
        supportMask[White][s] = region(1, r - 1, 0, 7) & adjacentFiles[f];
        supportMask[Black][s] = region(r + 1, 8, 0, 7) & adjacentFiles[f];
        adjacentOnRank[s] = region(r, r, 0, 7) & adjacentFiles[f];

        // Passers are recorded in scan order (White upwards, Black downwards), so only squares
        // scanned earlier can pair: the left one on rank 6, and the left and the two behind on
        // rank 7; for Black the right one on rank 3, and the right and the two behind on rank 2.
        pairSquares[White][s] = 0;
        pairSquares[Black][s] = 0;
        if (r == 6) pairSquares[White][s] = squareAt(f - 1, r);
        if (r == 7)
            pairSquares[White][s] = squareAt(f - 1, r) | squareAt(f - 1, r - 1) | squareAt(f + 1, r - 1);
        if (r == 3) pairSquares[Black][s] = squareAt(f + 1, r);
        if (r == 2)
            pairSquares[Black][s] = squareAt(f + 1, r) | squareAt(f - 1, r + 1) | squareAt(f + 1, r + 1);

        // A pawn on its starting rank counts one rank further because of its double step.
        const int whiteFrom = r < 3 ? 3 : r;
        squareOfPawn[White][s] = region(whiteFrom, 8, f - (8 - whiteFrom), f + (8 - whiteFrom));
        const int blackTo = r > 6 ? 6 : r;
        squareOfPawn[Black][s] = region(1, blackTo, f - (blackTo - 1), f + (blackTo - 1));
    }
    outpostSquares[White] = region(5, 8, 1, 6);
    outpostSquares[Black] = region(1, 4, 1, 6);
    blockadeZone = region(3, 6, 0, 7);
    edgeSquares = region(1, 1, 0, 7) | region(8, 8, 0, 7) | region(1, 8, 0, 0) | region(1, 8, 7, 7);
    queenSideFiles = region(1, 8, 0, 3);
    kingSideFiles = region(1, 8, 4, 7);
}
