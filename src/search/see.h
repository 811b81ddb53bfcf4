// Static exchange evaluation: the material outcome of a capture sequence on one square.
#pragma once

#include "board/types.h"

// All rooks and queens, and all bishops and queens, of both colours. The ordering routines
// refresh them (refreshSliderSets) before scoring any move; StaticExchange relies on them.
extern Bitboard rooksQueens;
extern Bitboard bishopsQueens;

// Recomputes rooksQueens and bishopsQueens from the piece bitboards.
void refreshSliderSets();
// The slider of either colour standing first behind square on the ray that runs from the target
// through square in the given step (+-1, +-8 rook-wise; +-7, +-9 bishop-wise), else empty.
Bitboard XrayAttacker(int square, int step, Bitboard occupancy);
// Expected gain in centipawns for the side moving the man on from to target; recapturingSide is
// the side that answers (1 White, 0 Black), the opponent of the side to move.
int StaticExchange(int recapturingSide, int target, int from);
