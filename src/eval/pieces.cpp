// Piece terms: knights, bishops, rooks and queens of one side, with tropism, outposts, blockades,
// files and the king-quadrant counters.
#include "eval/eval.h"
#include "eval/eval_internal.h"

namespace {


// What every piece of side Us reads about the position, gathered once per side.
struct SideView {
    Bitboard ourPawns, theirPawns;
    Bitboard ourRooks;
    Bitboard theirPassed, ourPassed, theirWeak;
    Bitboard kingZone;   // the enemy king's square and its neighbours
    Bitboard targets;    // enemy men other than its weak pawns
    int theirKing;
    int ourKingQuadrant, theirKingQuadrant;
    bool haveQueen;
};

template <int Us>
SideView sideView(const EvalState& state) {
    constexpr int Them = Us ^ 1;
    SideView v;
    v.ourPawns = piecesOf(Us, WhitePawn);
    v.theirPawns = piecesOf(Them, WhitePawn);
    v.ourRooks = piecesOf(Us, WhiteRook);
    v.theirPassed = passedOf(state.pawns, Them);
    v.ourPassed = passedOf(state.pawns, Us);
    v.theirWeak = weakOf(state.pawns, Them);
    v.theirKing = kingSquareOf(Them);
    v.kingZone = kingAttacks[v.theirKing] | bitOf(v.theirKing);
    v.targets = menOf(Them) & ~v.theirWeak;
    v.ourKingQuadrant = boardQuadrant[kingSquareOf(Us)];
    v.theirKingQuadrant = boardQuadrant[v.theirKing];
    v.haveQueen = piecesOf(Us, WhiteQueen) != 0;
    return v;
}

// Closeness to the enemy king, attacks on its zone, and the quadrant counters.
template <int Us>
int tropism(EvalState& state, const SideView& v, int s, Bitboard att, const int* table, int weight) {
    constexpr int Them = Us ^ 1;
    state.near[Us][Us] += boardQuadrant[s] == v.ourKingQuadrant;
    state.near[Us][Them] += boardQuadrant[s] == v.theirKingQuadrant;
    return table[distance[s][v.theirKing]] + weight * popCount(att & v.kingZone);
}

// Squares side's pawns attack.
template <int Side>
Bitboard pawnAttackSet() {
    const Bitboard pawns = piecesOf(Side, WhitePawn);
    const Bitboard towardA = pawns & ~fileMask[0], towardH = pawns & ~fileMask[7];
    return Side == White ? (towardA << 7) | (towardH << 9) : (towardA >> 9) | (towardH >> 7);
}

// -20 for each knight, bishop or rook of Us the enemy attacks and Us does not defend, when the
// enemy is to move and its king is not in danger. Reads the attack sets the piece scans gathered.
template <int Us>
int hangingPieces(const EvalState& state) {
    constexpr int Them = Us ^ 1;
    if (board.sideToMove != Them || state.kingDanger[Them] != 0) return 0;
    const Bitboard exposed = (piecesOf(Us, WhiteKnight) | piecesOf(Us, WhiteBishop) |
                              piecesOf(Us, WhiteRook)) &
                             (state.attacks[Them] | pawnAttackSet<Them>()) &
                             ~(state.attacks[Us] | pawnAttackSet<Us>());
    return -20 * popCount(exposed);
}

// 1 when s stands in the blockade zone directly in front of an enemy passer.
template <int Us>
bool blockades(const SideView& v, int s) {
    return (blockadeZone & bitOf(s)) && (stepForward(Us, bitOf(s)) & v.theirPassed);
}
// The bonus of the enemy passer that a piece on s blockades.
template <int Us>
int blockadedBonus(int s) {
    constexpr int Them = Us ^ 1;
    return passedBonus(Them, lowestSquare(stepForward(Us, bitOf(s))));
}

// A square no enemy pawn can ever attack, defended by an own pawn.
template <int Us>
bool defendedOutpost(const SideView& v, int s) {
    return !(v.theirPawns & passerMask[Us][s]) && (v.ourPawns & pawnDefenders(Us, s));
}

// 20 and 8 per weak enemy pawn attacked, when any is.
int weakPawnPressure(Bitboard att, Bitboard theirWeak) {
    const Bitboard hit = att & theirWeak;
    return hit ? 20 + 8 * popCount(hit) : 0;
}

template <int Us>
int knightTerms(EvalState& state, const SideView& v, int s) {
    const Bitboard att = knightAttacks[s];
    state.attacks[Us] |= att;
    int t = 0;
    if (v.haveQueen) t += tropism<Us>(state, v, s, att, knightTropism, 8);
    t += 4 * popCount(att & v.targets);
    t += state.nonKingPieces > 4 ? knightSquareBonus[relativeSquare(Us, s)] : knightEndgameBonus[s];
    if (blockades<Us>(v, s)) t += blockadedBonus<Us>(s);
    t += weakPawnPressure(att, v.theirWeak);
    // An outpost in front of an enemy pawn that no enemy pawn beside it can ever challenge.
    if ((outpostSquares[Us] & bitOf(s)) && !(v.theirPawns & passerFlank[Us][s]) &&
        (stepForward(Us, bitOf(s)) & v.theirPawns))
        t += outpostBonus[relativeRank(Us, s)];
    else if (defendedOutpost<Us>(v, s))
        t += passedBonus(Us, s);
    return t;
}

template <int Us>
int bishopTerms(EvalState& state, const SideView& v, int s) {
    const Bitboard att = bishopAttacks(s, state.allMen);
    state.attacks[Us] |= att;
    int t = 0;
    state.bishops[Us] += 1;
    if (v.haveQueen) t += tropism<Us>(state, v, s, att, bishopTropism, 4);
    t += weakPawnPressure(att, v.theirWeak);
    t += 4 * popCount(att & v.targets) + bishopSquareBonus[relativeSquare(Us, s)] +
         bishopMobility[popCount(att & ~state.allMen)];
    if (blockades<Us>(v, s)) t += blockadedBonus<Us>(s) - 15;
    return t;
}

template <int Us>
int rookTerms(EvalState& state, const SideView& v, int s) {
    constexpr int Them = Us ^ 1;
    const Bitboard att = rookAttacks(s, state.allMen);
    state.attacks[Us] |= att;
    int t = 0;
    if (v.haveQueen) t += tropism<Us>(state, v, s, att, rookTropism, 16);
    bool active = (att & v.theirWeak) != 0;
    if (active) t += 20;
    // Connected rooks on a rank: White looks left and Black right, so each pair counts once.
    if (att & v.ourRooks & (Us == White ? rayWest[s] : rayEast[s])) t += 10;
    t += 4 * popCount(att & v.targets);

    const int f = fileIndex(s);
    if (((state.pawns->whiteFiles | state.pawns->blackFiles) >> f) & 1) {
        if ((att & v.theirPassed) && (v.theirPassed & rearSpan(Us, s))) {
            t += 32;
            active = true;
        }
        if (att & v.ourPassed) {
            // Behind an own passer +32k, in front of it -32k; doubled against few enemy pieces.
            const int k = pieceCountOf(Them) < 3 ? 2 : 1;
            t -= 32 * k;
            if (v.ourPassed & frontSpan(Us, s)) {
                t += 64 * k;
                active = true;
            }
        }
        if (defendedOutpost<Us>(v, s))
            t += passedBonus(Us, s) - 10;
        else if (!active)
            t += rookSquareBonus[relativeSquare(Us, s)];
    } else {
        t += (v.ourRooks & rearSpan(Us, s)) ? 45 : 20;
        if (defendedOutpost<Us>(v, s)) t += passedBonus(Us, s) - 10;
    }
    return t;
}

template <int Us>
int queenTerms(EvalState& state, const SideView& v, int s) {
    const Bitboard att = rookAttacks(s, state.allMen) | bishopAttacks(s, state.allMen);
    state.attacks[Us] |= att;
    int t = 0;
    if (pieceCountOf(Us) > 2) t += tropism<Us>(state, v, s, att, queenTropism, 16);
    if (att & v.theirWeak) t += 20;
    t += queenSquareBonus[s];
    return t;
}

template <int Us>
void sidePieceTerms(EvalState& state) {
    const SideView v = sideView<Us>(state);
    Bitboard pieces = piecesOf(Us, WhiteKnight) | piecesOf(Us, WhiteBishop) |
                      piecesOf(Us, WhiteRook) | piecesOf(Us, WhiteQueen);
    int total = 0;
    while (pieces) {
        const int s = popNext(Us, pieces);
        switch (board.squares[s]) {
        case pieceCode(Us, WhiteKnight): total += knightTerms<Us>(state, v, s); break;
        case pieceCode(Us, WhiteBishop): total += bishopTerms<Us>(state, v, s); break;
        case pieceCode(Us, WhiteRook): total += rookTerms<Us>(state, v, s); break;
        default: total += queenTerms<Us>(state, v, s); break;
        }
    }
    state.pieceTerms[Us] += total;
}

} // namespace

void pieceTerms(EvalState& state) {
    sidePieceTerms<White>(state);
    sidePieceTerms<Black>(state);
    state.pieceTerms[White] += hangingPieces<White>(state);
    state.pieceTerms[Black] += hangingPieces<Black>(state);
}
