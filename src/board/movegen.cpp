// Legal move generation. Legality is settled while generating: pinned men keep to their pin
// line, king moves and castling transit squares are tested against attacks, en passant is tested
// for the rank that the capture opens. The emission order is fixed (the search, perft, the
// notation look-ups and the book all see it): White scans every set from the lowest square up,
// Black from the highest down, except in the evasion generator, where both scan upward.
#include "board/movegen.h"

#include "board/attacks.h"
#include "board/board.h"

namespace {

constexpr Bitboard FileA = 0x0101010101010101ULL;
constexpr Bitboard FileH = FileA << 7;
constexpr Bitboard Rank1 = 0xFFULL;
constexpr Bitboard Rank2 = Rank1 << 8;
constexpr Bitboard Rank7 = Rank1 << 48;
constexpr Bitboard Rank8 = Rank1 << 56;

// Piece code of a white man given for side Us (Black codes are one higher).
template <int Us> constexpr int code(int whiteCode) {
    return Us == White ? whiteCode : whiteCode + 1;
}

// Takes the next square of set in the side's scanning order.
template <int Us> inline int popNext(Bitboard& set) {
    if (Us == White) {
        int square = lowestSquare(set);
        set &= set - 1;
        return square;
    }
    int square = highestSquare(set);
    set ^= 1ULL << square;
    return square;
}

// Takes the lowest square of set.
inline int popLowest(Bitboard& set) {
    int square = lowestSquare(set);
    set &= set - 1;
    return square;
}

// Squares one step forward, and the diagonal capture steps toward file a and toward file h.
template <int Us> constexpr Bitboard pawnPush(Bitboard pawns) {
    return Us == White ? pawns << 8 : pawns >> 8;
}
template <int Us> constexpr Bitboard pawnCaptureTowardA(Bitboard pawns) {
    return Us == White ? (pawns & ~FileA) << 7 : (pawns & ~FileA) >> 9;
}
template <int Us> constexpr Bitboard pawnCaptureTowardH(Bitboard pawns) {
    return Us == White ? (pawns & ~FileH) << 9 : (pawns & ~FileH) >> 7;
}

template <int Us> inline int kingSquare() {
    return Us == White ? board.whiteKingSq : board.blackKingSq;
}

// A side without its king on the recorded square (a hand-edited board) generates no king moves.
template <int Us> inline bool kingPresent() {
    return board.squares[kingSquare<Us>()] == code<Us>(WhiteKing);
}

inline Bitboard occupied() {
    return board.bitboards[WhiteMen] | board.bitboards[BlackMen];
}

// Attack set of a knight, bishop, rook or queen of either colour.
inline Bitboard pieceAttacks(int piece, int square, Bitboard occupancy) {
    switch (piece) {
    case WhiteKnight:
    case BlackKnight:
        return knightAttacks[square];
    case WhiteBishop:
    case BlackBishop:
        return bishopAttacks(square, occupancy);
    case WhiteRook:
    case BlackRook:
        return rookAttacks(square, occupancy);
    default:
        return bishopAttacks(square, occupancy) | rookAttacks(square, occupancy);
    }
}

// The four promotions of one pawn move, queen first.
template <int Us> inline Move* emitPromotions(Move* list, int from, int to, int captured) {
    Move base = from | (to << 6) | (captured << 12);
    *list++ = base | (code<Us>(WhiteQueen) << 20);
    *list++ = base | (code<Us>(WhiteRook) << 20);
    *list++ = base | (code<Us>(WhiteBishop) << 20);
    *list++ = base | (code<Us>(WhiteKnight) << 20);
    return list;
}

// Raises maxVictimValue to value; the capture generator never lowers it.
inline void raiseVictimValue(unsigned value) {
    if (static_cast<int>(value) > board.maxVictimValue)
        board.maxVictimValue = static_cast<int>(value);
}

// Pinned men of side Us, with the squares each may still reach written into pinRays.
template <int Us> Bitboard findPinsOf() {
    constexpr int Them = Us ^ 1;
    int king = kingSquare<Us>();
    const Bitboard* enemy = sideBitboards(Them);
    Bitboard occupancy = occupied();
    Bitboard own = board.bitboards[Us == White ? WhiteMen : BlackMen];
    // Enemy sliders on an open line through the king: with exactly one man between, and that
    // man ours, it is pinned. Occupancy 0 reads the full lines from the tables.
    Bitboard snipers = (rookAttackTable[king][0] & (enemy[WhiteRook] | enemy[WhiteQueen])) |
                       (bishopAttackTable[king][0] & (enemy[WhiteBishop] | enemy[WhiteQueen]));
    Bitboard pinned = 0;
    while (snipers) {
        int sniper = popLowest(snipers);
        Bitboard inBetween = between[king][sniper] & occupancy;
        if (inBetween && !(inBetween & (inBetween - 1)) && (inBetween & own)) {
            pinned |= inBetween;
            board.pinRays[lowestSquare(inBetween)] = squareBit[sniper] | between[king][sniper];
        }
    }
    return pinned;
}

// Whether the en-passant square may be offered: the capture must not open the king's rank to
// an enemy rook or queen by emptying both pawns' squares at once.
template <int Us> bool enPassantAdmitted(int ep, Bitboard ownPawns) {
    constexpr int Them = Us ^ 1;
    Bitboard capturers = ownPawns & (Us == White ? blackPawnAttacks[ep] : whitePawnAttacks[ep]);
    if (!capturers) return false;
    int king = kingSquare<Us>();
    int victim = Us == White ? ep - 8 : ep + 8;
    const Bitboard* enemy = sideBitboards(Them);
    Bitboard rankSliders = (enemy[WhiteRook] | enemy[WhiteQueen]) & rankMask[rankOf[victim] - 1];
    if (rankOf[king] != rankOf[victim] || !rankSliders) return true;
    int towardA = Us == White ? ep - 9 : ep + 7;
    int capturer = (fileOf[ep] > 1 && board.squares[towardA] == code<Us>(WhitePawn))
                       ? towardA
                       : (Us == White ? ep - 7 : ep + 9);
    bool kingWest = king < victim;
    int nearer = kingWest ? (capturer < victim ? capturer : victim)
                          : (capturer > victim ? capturer : victim);
    int farther = nearer == capturer ? victim : capturer;
    Bitboard occupancy = occupied();
    if (between[king][nearer] & occupancy) return true;
    Bitboard beyond =
        rookAttacks(farther, occupancy) & (kingWest ? rayEast[farther] : rayWest[farther]);
    return (beyond & rankSliders) == 0;
}

// Captures, en-passant captures and all promotions of side Us, pins respected.
template <int Us> Move* capturesOf(Move* list, Bitboard pinned) {
    constexpr int Them = Us ^ 1;
    constexpr int OwnPawn = code<Us>(WhitePawn);
    const Bitboard* own = sideBitboards(Us);
    Bitboard enemyMen = board.bitboards[Us == White ? BlackMen : WhiteMen];
    Bitboard occupancy = occupied();
    const int* squares = board.squares;

    // 1. King captures.
    if (kingPresent<Us>()) {
        int king = kingSquare<Us>();
        Bitboard targets = kingAttacks[king] & enemyMen;
        while (targets) {
            int to = popNext<Us>(targets);
            if (!isAttackedWithOccupancy(to, Them, occupancy))
                *list++ = king | (to << 6) | (squares[to] << 12);
        }
    }

    // 2. Push promotions.
    Bitboard pawns = own[WhitePawn];
    Bitboard targets = pawnPush<Us>(pawns & (Us == White ? Rank7 : Rank2)) & ~occupancy;
    while (targets) {
        int to = popNext<Us>(targets);
        int from = Us == White ? to - 8 : to + 8;
        if ((pinned & squareBit[from]) && !(board.pinRays[from] & squareBit[to])) continue;
        list = emitPromotions<Us>(list, from, to, 0);
        board.maxVictimValue = 1000;
    }

    // 3. Pawn captures, for each target the pawn nearer file a first.
    targets = (pawnCaptureTowardA<Us>(pawns) | pawnCaptureTowardH<Us>(pawns)) & enemyMen;
    int ep = board.epSquare;
    if (ep && enPassantAdmitted<Us>(ep, pawns)) targets |= squareBit[ep];
    while (targets) {
        int to = popNext<Us>(targets);
        int fromTowardA = Us == White ? to - 9 : to + 7;
        int fromTowardH = Us == White ? to - 7 : to + 9;
        for (int side = 0; side < 2; side++) {
            int from = side == 0 ? fromTowardA : fromTowardH;
            if (fileOf[to] == (side == 0 ? 1 : 8) || squares[from] != OwnPawn) continue;
            if ((pinned & squareBit[from]) && !(board.pinRays[from] & squareBit[to])) continue;
            int victim = squares[to];
            if (rankOf[to] == (Us == White ? 8 : 1)) {
                list = emitPromotions<Us>(list, from, to, victim);
                raiseVictimValue(victimValue[victim] + 1000);
            } else if (to == ep) {
                *list++ = from | (to << 6) | (code<Them>(WhitePawn) << 12) | (1 << 24);
            } else {
                *list++ = from | (to << 6) | (victim << 12);
                raiseVictimValue(victimValue[victim]);
            }
        }
    }

    // 4. Knight, bishop, rook and queen captures.
    Bitboard men = own[WhiteKnight] | own[WhiteBishop] | own[WhiteRook] | own[WhiteQueen];
    while (men) {
        int from = popNext<Us>(men);
        Bitboard hits = pieceAttacks(squares[from], from, occupancy) & enemyMen;
        if (pinned & squareBit[from]) hits &= board.pinRays[from];
        while (hits) {
            int to = popNext<Us>(hits);
            *list++ = from | (to << 6) | (squares[to] << 12);
            raiseVictimValue(victimValue[squares[to]]);
        }
    }
    return list;
}

// Castling and the non-capturing, non-promoting moves of side Us, which is not in check.
template <int Us> Move* quietOf(Move* list, Bitboard pinned) {
    constexpr int Them = Us ^ 1;
    const Bitboard* own = sideBitboards(Us);
    Bitboard occupancy = occupied();
    Bitboard empty = ~occupancy;
    const int* squares = board.squares;
    const int* counts = board.moveCounts;
    bool hasKing = kingPresent<Us>();

    // 1. Castling, short before long.
    constexpr int Base = Us == White ? 0 : 56;
    constexpr int RookCode = code<Us>(WhiteRook);
    if (hasKing && kingSquare<Us>() == Base + 4 && counts[Base + 4] == 0) {
        if (counts[Base + 7] == 0 && squares[Base + 7] == RookCode &&
            !(occupancy & (squareBit[Base + 5] | squareBit[Base + 6])) &&
            !isAttackedWithOccupancy(Base + 6, Them, occupancy) &&
            !isAttackedWithOccupancy(Base + 5, Them, occupancy))
            *list++ = makeMoveWord(Base + 4, Base + 6, 0,
                                   Us == White ? CastleWhiteShort : CastleBlackShort);
        if (counts[Base] == 0 && squares[Base] == RookCode &&
            !(occupancy & (squareBit[Base + 1] | squareBit[Base + 2] | squareBit[Base + 3])) &&
            !isAttackedWithOccupancy(Base + 3, Them, occupancy) &&
            !isAttackedWithOccupancy(Base + 2, Them, occupancy))
            *list++ = makeMoveWord(Base + 4, Base + 2, 0,
                                   Us == White ? CastleWhiteLong : CastleBlackLong);
    }

    // 2. Unpinned knights, bishops, rooks and queens; 3. pinned sliders along their pin line.
    Bitboard men = own[WhiteKnight] | own[WhiteBishop] | own[WhiteRook] | own[WhiteQueen];
    for (int pass = 0; pass < 2; pass++) {
        Bitboard set = pass == 0 ? men & ~pinned : men & pinned & ~own[WhiteKnight];
        while (set) {
            int from = popNext<Us>(set);
            Bitboard targets = pieceAttacks(squares[from], from, occupancy) & empty;
            if (pass == 1) targets &= board.pinRays[from];
            while (targets) {
                int to = popNext<Us>(targets);
                *list++ = from | (to << 6);
            }
        }
    }

    // 4.-7. Pawn pushes: unpinned singles, unpinned doubles, then the pinned ones likewise.
    constexpr int Step = Us == White ? 8 : -8;
    constexpr Bitboard LastRank = Us == White ? Rank8 : Rank1;
    constexpr Bitboard DoubleRank = Us == White ? Rank1 << 24 : Rank1 << 32;
    Bitboard pawns = own[WhitePawn];
    for (int pass = 0; pass < 2; pass++) {
        Bitboard movers = pass == 0 ? pawns & ~pinned : pawns & pinned;
        if (!movers) continue;
        Bitboard singles = pawnPush<Us>(movers) & empty;
        Bitboard doubles = pawnPush<Us>(singles) & empty & DoubleRank;
        singles &= ~LastRank;
        while (singles) {
            int to = popNext<Us>(singles);
            if (pass == 0 || (board.pinRays[to - Step] & squareBit[to]))
                *list++ = (to - Step) | (to << 6);
        }
        while (doubles) {
            int to = popNext<Us>(doubles);
            if (pass == 0 || (board.pinRays[to - 2 * Step] & squareBit[to]))
                *list++ = (to - 2 * Step) | (to << 6);
        }
    }

    // 8. King steps to empty squares that the enemy does not attack.
    if (hasKing) {
        int king = kingSquare<Us>();
        Bitboard targets = kingAttacks[king] & empty;
        while (targets) {
            int to = popNext<Us>(targets);
            if (!isAttackedWithOccupancy(to, Them, occupancy)) *list++ = king | (to << 6);
        }
    }
    return list;
}

// Direction from a checker to the king along which the king may not retreat (0 for a pawn).
inline int checkLine(int checker, int king) {
    int piece = board.squares[checker];
    return piece <= BlackPawn ? 0 : direction[checker][king];
}

// A move of an own man to square to, as four promotions when a pawn reaches the last rank.
template <int Us> inline Move* emitTo(Move* list, int from, int to, int captured) {
    if (board.squares[from] == code<Us>(WhitePawn) && rankOf[to] == (Us == White ? 8 : 1))
        return emitPromotions<Us>(list, from, to, captured);
    *list++ = from | (to << 6) | (captured << 12);
    return list;
}

// All legal moves of side Us in check: king steps, then capturing or blocking a single checker.
template <int Us> Move* evasionsOf(Move* list) {
    constexpr int Them = Us ^ 1;
    constexpr int OwnPawn = code<Us>(WhitePawn);
    const Bitboard* own = sideBitboards(Us);
    const int* squares = board.squares;
    Bitboard occupancy = occupied();
    int king = kingSquare<Us>();
    if (!kingPresent<Us>()) return list;

    // 1. The checkers and the lines they check along.
    Bitboard checkers = attackersOf(king, Them, occupancy);
    if (!checkers) return list;
    int first = lowestSquare(checkers);
    int line1 = checkLine(first, king);
    Bitboard others = checkers & (checkers - 1);
    int line2 = others ? checkLine(lowestSquare(others), king) : 0;

    // 2. King moves, never back along a checking line.
    Bitboard targets = kingAttacks[king] & ~board.bitboards[Us == White ? WhiteMen : BlackMen];
    while (targets) {
        int to = popLowest(targets);
        int d = direction[king][to];
        if (d != line1 && d != line2 && !isAttackedWithOccupancy(to, Them, occupancy))
            *list++ = king | (to << 6) | (squares[to] << 12);
    }

    // 3. Against a double check only the king can move.
    if (others) return list;

    // 4. Capturing the checker.
    Bitboard capturers = attackersOf(first, Us, occupancy) & ~own[WhiteKing];
    while (capturers) {
        int from = popLowest(capturers);
        if (!isPinned(Us, from)) list = emitTo<Us>(list, from, first, squares[first]);
    }

    // 5. Taking a checking pawn en passant (only the pawn that just passed the square: in a
    // set-up position another checking pawn would be left standing).
    int ep = board.epSquare;
    if (ep > 0 && squares[first] == code<Them>(WhitePawn) &&
        first == (Us == White ? ep - 8 : ep + 8)) {
        Bitboard takers =
            own[WhitePawn] & (Us == White ? blackPawnAttacks[ep] : whitePawnAttacks[ep]);
        while (takers) {
            int from = popLowest(takers);
            if (!isPinned(Us, from))
                *list++ = from | (ep << 6) | (code<Them>(WhitePawn) << 12) | (1 << 24);
        }
    }

    // 6. Interposing on each square between a checking slider and the king.
    if (line1) {
        for (int square = first + line1; square != king; square += line1) {
            Bitboard blockers =
                attackersOf(square, Us, occupancy) & ~own[WhiteKing] & ~own[WhitePawn];
            int behind = Us == White ? square - 8 : square + 8;
            int behind2 = Us == White ? square - 16 : square + 16;
            if (rankOf[square] != (Us == White ? 1 : 8) &&
                rankOf[square] != (Us == White ? 2 : 7)) {
                if (squares[behind] == OwnPawn)
                    blockers |= squareBit[behind];
                else if (rankOf[square] == (Us == White ? 4 : 5) && squares[behind] == Empty &&
                         squares[behind2] == OwnPawn)
                    blockers |= squareBit[behind2];
            }
            while (blockers) {
                int from = popLowest(blockers);
                if (!isPinned(Us, from)) list = emitTo<Us>(list, from, square, 0);
            }
        }
    }
    return list;
}

} // namespace

Bitboard findPins(int side) {
    return side == White ? findPinsOf<White>() : findPinsOf<Black>();
}

int isPinned(int side, int square) {
    int king = side == White ? board.whiteKingSq : board.blackKingSq;
    int d = direction[king][square];
    if (d < 0) d = -d;
    if (d == 0) return 0;
    Bitboard occupancy = occupied();
    const Bitboard* enemy = sideBitboards(side ^ 1);
    Bitboard seen, sliders;
    if (d == 1 || d == 8) {
        seen = rookAttacks(square, occupancy) &
               (d == 1 ? rankMask[rankOf[square] - 1] : fileMask[fileOf[square] - 1]);
        sliders = enemy[WhiteRook] | enemy[WhiteQueen];
    } else {
        seen = bishopAttacks(square, occupancy) &
               (d == 9 ? diagonalMask[square] : antiDiagonalMask[square]);
        sliders = enemy[WhiteBishop] | enemy[WhiteQueen];
    }
    return (seen & sideBitboards(side)[WhiteKing]) && (seen & sliders);
}

Move* generateCaptures(Move* list, Bitboard pinned) {
    return board.sideToMove == White ? capturesOf<White>(list, pinned)
                                     : capturesOf<Black>(list, pinned);
}

Move* generateQuiet(Move* list, Bitboard pinned) {
    return board.sideToMove == White ? quietOf<White>(list, pinned) : quietOf<Black>(list, pinned);
}

Move* generateEvasions(Move* list) {
    return board.sideToMove == White ? evasionsOf<White>(list) : evasionsOf<Black>(list);
}

Move* generateMoves(Move* list, int inCheck) {
    if (inCheck) return generateEvasions(list);
    if (board.sideToMove == White) {
        Bitboard pinned = findPinsOf<White>();
        return quietOf<White>(capturesOf<White>(list, pinned), pinned);
    }
    Bitboard pinned = findPinsOf<Black>();
    return quietOf<Black>(capturesOf<Black>(list, pinned), pinned);
}


