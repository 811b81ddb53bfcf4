// Colour-mirror symmetry: turning the board upside down and exchanging the colours (side to move
// included) must give the side to move the same score, except where the evaluation is knowingly
// one-sided:
//  - the half-move damping shifts towards minus infinity (checked here with a clock of 0);
//  - the wing rule picks its targets as the lowest and the highest weak pawn, which a mirror does
//    not preserve (positions where a bare king meets weak pawns on both sides are left out);
//  - passers side by side on one rank: each side's scan meets the pair in its own order, so the
//    connected-passer bonus falls to a different pawn of the pair (left out).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/board_setup.h"
#include "support/eval_support.h"

using evaltest::evaluateFen;
using evaltest::mirrorFen;

namespace {

// 1 when the position's pawn structure or material touches one of the one-sided rules above.
bool oneSidedRuleApplies(const std::string& fen) {
    evaltest::prepare();
    evaltest::setPosition(fen);
    const PawnHashEntry* e = pawnEntry();
    const Bitboard notFileA = ~0x0101010101010101ULL;
    for (Bitboard passed : {e->whitePassed, e->blackPassed})
        if ((passed << 1) & passed & notFileA) return true;
    const bool bareKing = board.whitePieceCount == 1 || board.blackPieceCount == 1;
    return bareKing && e->whiteWeak && e->blackWeak;
}

// A placement of random men (pawns on ranks lowRank..highRank) with the given side to move.
std::string randomFen(std::mt19937& rng, int lowRank, int highRank) {
    char squares[64];
    for (char& c : squares) c = 0;
    std::uniform_int_distribution<int> anySquare(0, 63);
    const int whiteKing = anySquare(rng);
    int blackKing;
    do blackKing = anySquare(rng);
    while (blackKing == whiteKing);
    squares[whiteKing] = 'K';
    squares[blackKing] = 'k';
    const int men = std::uniform_int_distribution<int>(0, 26)(rng);
    const char kinds[] = "PPPPPNBRQ";
    for (int i = 0; i < men; ++i) {
        char kind = kinds[std::uniform_int_distribution<int>(0, 8)(rng)];
        int s = anySquare(rng);
        const int rank = s / 8 + 1;
        if (squares[s] || (kind == 'P' && (rank < lowRank || rank > highRank))) continue;
        if (rng() & 1) kind = char(kind - 'A' + 'a');
        squares[s] = kind;
    }
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char c = squares[rank * 8 + file];
            if (!c) {
                ++empty;
                continue;
            }
            if (empty) fen += char('0' + empty);
            empty = 0;
            fen += c;
        }
        if (empty) fen += char('0' + empty);
        if (rank) fen += '/';
    }
    return fen + ((rng() & 1) ? " w - - 0 1" : " b - - 0 1");
}

} // namespace

TEST(Symmetry, KnownPositionsMirror) {
    const char* const fens[] = {
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "2r3k1/1q1nbppp/r3p3/3pP3/pPpP4/P1Q2N2/2RN1PPP/2R4K b - b3 0 23",
        "2r3k1/pp3ppp/2n5/3p4/3P4/2N5/PP3PPP/2R3K1 w - - 0 20",
    };
    for (const char* fen : fens) {
        ASSERT_FALSE(oneSidedRuleApplies(fen)) << fen;
        EXPECT_EQ(evaluateFen(fen), evaluateFen(mirrorFen(fen))) << fen;
    }
}

TEST(Symmetry, RandomPositionsMirror) {
    std::mt19937 rng(20261208);
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string fen = randomFen(rng, 2, 7);
        const std::string mirrored = mirrorFen(fen);
        if (oneSidedRuleApplies(fen) || oneSidedRuleApplies(mirrored)) continue;
        ++checked;
        ASSERT_EQ(evaluateFen(fen), evaluateFen(mirrored)) << fen << "  vs  " << mirrored;
        // A passed pawn is never weak.
        EXPECT_EQ(pawnEntry()->whitePassed & pawnEntry()->whiteWeak, 0u) << mirrored;
        EXPECT_EQ(pawnEntry()->blackPassed & pawnEntry()->blackWeak, 0u) << mirrored;
    }
    EXPECT_GT(checked, 2000);
}

TEST(Symmetry, PawnsOnTheBackRanksAreHandled) {
    // Pawns on ranks 1 and 8 come only from malformed set-ups; they must stay on the board's
    // squares (the sanitizer build checks the reads) and still mirror.
    std::mt19937 rng(7);
    for (int i = 0; i < 500; ++i) {
        const std::string fen = randomFen(rng, 1, 8);
        const std::string mirrored = mirrorFen(fen);
        const int score = evaluateFen(fen);
        if (oneSidedRuleApplies(fen) || oneSidedRuleApplies(mirrored)) continue;
        EXPECT_EQ(score, evaluateFen(mirrored)) << fen;
    }
}

TEST(Symmetry, PositionsFromRandomGamesMirror) {
    Playout playout(31337);
    int checked = 0;
    for (int game = 0; game < 40; ++game) {
        evaltest::prepare();
        startPosition();
        for (int ply = 0; ply < 160; ++ply) {
            const std::vector<Move> moves = legalMoves();
            if (moves.empty()) break;
            makeMove(moves[playout.next(uint32_t(moves.size()))]);
            if (ply % 4 != 3 || board.fiftyCount > 40) continue;
            const std::string fen = boardFen();
            const std::string mirrored = mirrorFen(fen);
            if (oneSidedRuleApplies(fen) || oneSidedRuleApplies(mirrored)) continue;
            ++checked;
            ASSERT_EQ(evaluateFen(fen), evaluateFen(mirrored)) << fen;
            // evaluateFen replaced the game's position: play on from the same placement.
            evaltest::setPosition(fen);
        }
    }
    EXPECT_GT(checked, 1000);
}
