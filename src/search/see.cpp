// Static exchange evaluation over bitboards, without making moves.
#include "search/see.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/tables.h"

Bitboard rooksQueens = 0;
Bitboard bishopsQueens = 0;

void refreshSliderSets() {
    const Bitboard* bb = board.bitboards;
    rooksQueens = bb[WhiteRook] | bb[BlackRook] | bb[WhiteQueen] | bb[BlackQueen];
    bishopsQueens = bb[WhiteBishop] | bb[BlackBishop] | bb[WhiteQueen] | bb[BlackQueen];
}

Bitboard XrayAttacker(int square, int step, Bitboard occupancy) {
    switch (step) {
    case 1: return rookAttacks(square, occupancy) & rayEast[square] & rooksQueens;
    case -1: return rookAttacks(square, occupancy) & rayWest[square] & rooksQueens;
    case 8: return rookAttacks(square, occupancy) & rayNorth[square] & rooksQueens;
    case -8: return rookAttacks(square, occupancy) & raySouth[square] & rooksQueens;
    case 7: return bishopAttacks(square, occupancy) & rayNorthWest[square] & bishopsQueens;
    case -7: return bishopAttacks(square, occupancy) & raySouthEast[square] & bishopsQueens;
    case 9: return bishopAttacks(square, occupancy) & rayNorthEast[square] & bishopsQueens;
    case -9: return bishopAttacks(square, occupancy) & raySouthWest[square] & bishopsQueens;
    default: return 0;
    }
}

namespace {

// The least valuable attacker of side among attackers: pawns, knights, bishops, rooks, queens,
// then the king (which sets *kingUsed). -1 when the side has none.
int leastValuableAttacker(Bitboard attackers, int side, bool* kingUsed) {
    static constexpr int whiteOrder[5] = {WhitePawn, WhiteKnight, WhiteBishop, WhiteRook,
                                          WhiteQueen};
    static constexpr int blackOrder[5] = {BlackPawn, BlackKnight, BlackBishop, BlackRook,
                                          BlackQueen};
    const int* order = side == White ? whiteOrder : blackOrder;
    for (int k = 0; k < 5; ++k) {
        Bitboard set = attackers & board.bitboards[order[k]];
        if (set) return lowestSquare(set);
    }
    Bitboard king = attackers & board.bitboards[side == White ? WhiteKing : BlackKing];
    if (!king) return -1;
    *kingUsed = true;
    return lowestSquare(king);
}

} // namespace

int StaticExchange(int recapturingSide, int target, int from) {
    // 1. The occupancy stays fixed; x-ray sliders are added as the men in front of them leave.
    const Bitboard occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    // 2. The first capture (an en-passant target square is empty and gains 0).
    int gain[40];
    gain[0] = static_cast<int>(victimValue[board.squares[target]]);
    int attackerValue = static_cast<int>(victimValue[board.squares[from]]);
    // 3. Every man of both colours bearing on the target, except the first capturer.
    const Bitboard* bb = board.bitboards;
    Bitboard attackers = (bishopAttacks(target, occupancy) & bishopsQueens) |
                         (rookAttacks(target, occupancy) & rooksQueens) |
                         (kingAttacks[target] & (bb[WhiteKing] | bb[BlackKing])) |
                         (knightAttacks[target] & (bb[WhiteKnight] | bb[BlackKnight])) |
                         (blackPawnAttacks[target] & bb[WhitePawn]) |
                         (whitePawnAttacks[target] & bb[BlackPawn]);
    attackers &= ~squareBit[from];
    // 4. A slider behind the first capturer.
    if (direction[target][from] != 0)
        attackers |= XrayAttacker(from, direction[target][from], occupancy);
    // An undefended target: the first capture stands.
    if (!(attackers & bb[recapturingSide == White ? WhiteMen : BlackMen])) return gain[0];
    // 5. Alternate the recaptures, least valuable man first.
    int side = recapturingSide;
    int depthIndex = 1;
    bool kingUsed = false;
    while (attackers && depthIndex < 40) {
        int square = leastValuableAttacker(attackers, side, &kingUsed);
        if (square < 0) break;
        gain[depthIndex] = attackerValue - gain[depthIndex - 1];
        attackerValue = static_cast<int>(victimValue[board.squares[square]]);
        attackers &= ~squareBit[square];
        if (!kingUsed && direction[target][square] != 0)
            attackers |= XrayAttacker(square, direction[target][square], occupancy);
        ++depthIndex;
        side ^= 1;
    }
    // 6. Negamax the gains back to the first capture.
    for (int d = depthIndex - 1; d >= 1; --d)
        if (gain[d] > -gain[d - 1]) gain[d - 1] = -gain[d];
    return gain[0];
}
