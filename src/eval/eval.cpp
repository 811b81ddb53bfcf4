// The evaluation pipeline: cache probe, material verdict, pawn and king terms, the lazy cut-off,
// the piece terms, and the three scalings at the end.
#include "eval/eval.h"

#include "eval/eval_internal.h"

namespace {

// Margin by which a partial score must fail high to stand in for a full evaluation.
constexpr int LazyMargin = 300;

// Stands in for the cache while none is allocated. It never answers: a single slot would be
// shared by both sides to move, whose scores differ.
EvalCacheEntry scratchSlot;

EvalCacheEntry* cacheSlot() {
    if (!EvalCache || !evalCacheEntries) {
        scratchSlot.keyLow = ~uint32_t(board.hashKey);
        return &scratchSlot;
    }
    const uint32_t index = (uint32_t(board.hashKey) ^ uint32_t(board.sideToMove)) & (evalCacheEntries - 1);
    return &EvalCache[index];
}

// Halved past 40 reversible half-moves and again past 60, by arithmetic shift.
int damped(int total) {
    if (board.fiftyCount > 40) total >>= 1;
    if (board.fiftyCount > 60) total >>= 1;
    return total;
}

// A side the material says cannot win gets no score in its favour.
int clamped(int total, int winnable) {
    if (winnable == WinnableWhite && total < 0) return 0;
    if (winnable == WinnableBlack && total > 0) return 0;
    return total;
}

// Writes the slot (White's view) and returns the score from the side to move's view.
int store(EvalCacheEntry* slot, int score, int lazy) {
    slot->score = int16_t(score);
    slot->lazy = int16_t(lazy);
    return board.sideToMove == White ? slot->score : -slot->score;
}

// The king-attack bonus of side Us: pieces in the enemy king's quadrant, weighted by danger.
template <int Us>
int kingAttack(const EvalState& state) {
    constexpr int Them = Us ^ 1;
    const int attackers = state.near[Us][Them];
    int m = 1;
    if (state.kingDanger[Them] >= state.kingDanger[Us] + 2) m += 1;
    if (attackers >= state.near[Them][Them]) m += 1;
    return 10 * attackers * m;
}

// +80 for a bishop pair, only +40 against a single enemy bishop.
int bishopPair(int ours, int theirs) {
    if (ours != 2) return 0;
    return theirs == 1 ? 40 : 80;
}

} // namespace

int evaluate(int alpha, int beta) {
    (void)alpha;
    const int toMove = board.sideToMove == White ? 1 : -1;

    // 1. The cache: a full entry answers; a lazy one only while it still fails high.
    EvalCacheEntry* slot = cacheSlot();
    const uint32_t keyLow = uint32_t(board.hashKey);
    const uint32_t keyHigh = uint32_t(board.hashKey >> 32);
    if (slot->keyLow == keyLow && slot->keyHigh == keyHigh) {
        const int cached = toMove * slot->score;
        if (!slot->lazy || cached - LazyMargin >= beta) return cached;
    }
    slot->keyLow = keyLow;
    slot->keyHigh = keyHigh;

    EvalState state{};
    state.score = board.material;
    state.nonKingPieces = board.whitePieceCount + board.blackPieceCount - 2;
    state.allMen = board.bitboards[WhiteMen] | board.bitboards[BlackMen];

    // 2. Material that cannot be won.
    int winnable = WinnableBoth;
    if (board.whitePieceCount < 4 && board.blackPieceCount < 4 &&
        (!board.bitboards[WhitePawn] || !board.bitboards[BlackPawn]) && state.nonKingPieces > 0) {
        winnable = materialVerdict();
        if (winnable == WinnableNone) return store(slot, 0, 0);
    }

    // 3-4. Pawn structure, then the kings.
    state.pawns = pawnEntry();
    const int pawnSum = state.pawns->whiteScore + state.pawns->blackScore;
    kingTerms<White>(state);
    kingTerms<Black>(state);

    // 5. Kings and pawns only.
    if (state.nonKingPieces == 0) return store(slot, damped(int16_t(state.score + pawnSum)), 0);

    // 6. Lazy cut-off on the cheap terms.
    const int lazyScore = clamped(damped(int16_t(state.score + pawnSum)), winnable);
    if (toMove * lazyScore - LazyMargin >= beta) return store(slot, lazyScore, 1);

    // 7-8. The pieces, White's upwards, Black's downwards.
    pieceTerms(state);

    // 9. King attack with the queen on the board.
    const bool manyPieces = state.nonKingPieces > 4;
    if (manyPieces && board.bitboards[WhiteQueen]) state.score += kingAttack<White>(state);
    if (manyPieces && board.bitboards[BlackQueen]) state.score -= kingAttack<Black>(state);

    // 10. Bishop pair.
    state.score += bishopPair(state.bishops[White], state.bishops[Black]);
    state.score -= bishopPair(state.bishops[Black], state.bishops[White]);

    // 11. Pawn terms weighed by king danger: the side whose king is in more danger keeps only
    // three quarters of its pawn score.
    const int whitePawns = state.pawns->whiteScore;
    const int blackPawns = state.pawns->blackScore;
    int pawnTerm = whitePawns + blackPawns;
    if (state.kingDanger[White] > state.kingDanger[Black])
        pawnTerm = (3 * whitePawns) / 4 + blackPawns;
    else if (state.kingDanger[White] < state.kingDanger[Black])
        pawnTerm = (3 * blackPawns) / 4 + whitePawns;
    const int16_t total =
        int16_t(state.score + pawnTerm + state.pieceTerms[White] - state.pieceTerms[Black]);

    // 12-14. Damping, the winnable clamp, and the full entry.
    return store(slot, clamped(damped(total), winnable), 0);
}
