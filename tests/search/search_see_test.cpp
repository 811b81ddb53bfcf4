// Static exchange evaluation and the ordering keys.
#include <gtest/gtest.h>

#include <algorithm>

#include "board/makemove.h"
#include "board/movegen.h"
#include "search/see.h"
#include "support/search_setup.h"

using namespace searchtest;

namespace {

// Exchange value of the capture from -> to for the side to move.
int exchange(const char* fen, int from, int to) {
    setPosition(fen);
    refreshSliderSets();
    return StaticExchange(board.sideToMove ^ 1, to, from);
}

// The key given to move m in a keyed list.
int keyIn(const Move* list, const int* keys, int count, Move m) {
    for (int i = 0; i < count; ++i)
        if (list[i] == m) return keys[i];
    ADD_FAILURE() << "move not generated";
    return 0;
}

} // namespace

TEST(StaticExchange, WinsLosesAndEvens) {
    // Pawn takes an undefended knight.
    EXPECT_EQ(exchange("4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", E4, D5), 350);
    // Knight takes a pawn defended by a pawn.
    EXPECT_EQ(exchange("4k3/8/2p5/3p4/8/4N3/8/4K3 w - - 0 1", E3, D5), -250);
    // Rook takes a pawn defended by a queen, a second rook behind the first: the x-ray counts.
    EXPECT_EQ(exchange("3qk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1", D2, D5), 100);
    // Without the second rook the queen wins the rook back.
    EXPECT_EQ(exchange("3qk3/8/8/3p4/8/8/3R4/4K3 w - - 0 1", D2, D5), -450);
    // Queen takes a rook defended by a pawn.
    EXPECT_EQ(exchange("4k3/8/2p5/3r4/8/8/8/3QK3 w - - 0 1", D1, D5), -450);
    // A bishop behind the queen does not save her: queen for two pawns.
    EXPECT_EQ(exchange("4k3/8/4p3/3p4/2Q5/1B6/8/4K3 w - - 0 1", C4, D5), 100 - 1000 + 100);
}

TEST(StaticExchange, EnPassantStartsFromNothing) {
    // The target square is empty: the first gain is 0, so the recapture costs the pawn.
    EXPECT_EQ(exchange("4k3/2p5/8/3pP3/8/8/8/4K3 w - d6 0 1", E5, D6), -100);
    EXPECT_EQ(exchange("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", E5, D6), 0);
}

TEST(StaticExchange, XrayAttackerFindsTheFirstSliderBehind) {
    setPosition("3qk3/8/8/3p4/8/8/3R4/3RK3 w - - 0 1");
    refreshSliderSets();
    const Bitboard occupancy = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    EXPECT_EQ(XrayAttacker(D2, -8, occupancy), squareBit[D1]);
    EXPECT_EQ(XrayAttacker(D5, 8, occupancy), squareBit[D8]);
    EXPECT_EQ(XrayAttacker(D2, 8, occupancy), Bitboard(0)); // the pawn on d5 is no slider
    EXPECT_EQ(XrayAttacker(D2, 3, occupancy), Bitboard(0));
}

TEST(Ordering, SearchKeys) {
    defaultSettings();
    clearOrderingTables();
    // White: Nxd5 cxd5 exd5 loses 150; exd5 wins a pawn; quiet moves otherwise.
    setPosition("4k3/8/2p5/3p4/4P3/4N3/8/4K3 w - - 0 1");
    board.historyIndex = 3;
    Move list[MaxMoves];
    int keys[MaxMoves];
    const int count = static_cast<int>(generateMoves(list, 0) - list);
    const Move pawnTakes = makeMoveWord(E4, D5, BlackPawn);
    const Move knightTakes = makeMoveWord(E3, D5, BlackPawn);
    const Move killer = makeMoveWord(E1, F2);
    const Move hashQuiet = makeMoveWord(E1, D2);
    const Move plain = makeMoveWord(E3, G4);
    recordKiller(killer, 3);
    recordKiller(hashQuiet, 3);
    historyScore[WhiteKnight][G4] = 40;
    OrderSearchMoves(list, keys, count, hashQuiet);
    auto keyOf = [&](Move m) { return keyIn(list, keys, count, m); };
    // A quiet move that is both killer1 and the hash move gets the hash key.
    EXPECT_EQ(keyOf(hashQuiet), 2147483647);
    EXPECT_EQ(keyOf(killer), 600000);
    EXPECT_EQ(keyOf(pawnTakes), 100000000 + 100);
    EXPECT_EQ(keyOf(knightTakes), -150);
    EXPECT_EQ(keyOf(plain), 40);
    // The losing capture sorts below every quiet move with a history count of 0 or more.
    for (int i = 0; i < count; ++i) {
        if (!moveCaptured(list[i])) {
            EXPECT_GT(keys[i], keyOf(knightTakes));
        }
    }
}

TEST(Ordering, KillersShift) {
    clearOrderingTables();
    const Move a = makeMoveWord(E2, E4), b = makeMoveWord(D2, D4), c = makeMoveWord(G1, F3);
    recordKiller(a, 5);
    recordKiller(b, 5);
    recordKiller(b, 5); // already killer1: nothing moves
    EXPECT_EQ(killer1[5], b);
    EXPECT_EQ(killer2[5], a);
    EXPECT_EQ(killer3[5], 0);
    recordKiller(c, 5);
    EXPECT_EQ(killer1[5], c);
    EXPECT_EQ(killer2[5], b);
    EXPECT_EQ(killer3[5], a);
    recordKiller(b, 5); // killer2 becomes killer1; killer3 keeps its move
    EXPECT_EQ(killer1[5], b);
    EXPECT_EQ(killer2[5], c);
    EXPECT_EQ(killer3[5], a);
}

TEST(Ordering, QuiesceKeysAndExchanges) {
    setPosition("1n2k3/P7/2p5/3p4/4P3/4N3/8/4K3 w - - 0 1");
    Move list[MaxMoves];
    int keys[MaxMoves];
    int exchanges[MaxMoves];
    const int count = static_cast<int>(generateCaptures(list, findPins(White)) - list);
    OrderQuiesceMoves(list, keys, exchanges, count, 0);
    int seen = 0;
    for (int i = 0; i < count; ++i) {
        const Move m = list[i];
        if (m == makeMoveWord(E4, D5, BlackPawn)) {
            EXPECT_EQ(keys[i], 10100);
            EXPECT_EQ(exchanges[i], 10100);
            ++seen;
        } else if (m == makeMoveWord(E3, D5, BlackPawn)) {
            EXPECT_EQ(keys[i], -150);
            EXPECT_EQ(exchanges[i], -150);
            ++seen;
        } else if (m == makeMoveWord(A7, A8, 0, 0, WhiteQueen)) {
            EXPECT_EQ(keys[i], 11000);
            ++seen;
        } else if (m == makeMoveWord(A7, A8, 0, 0, WhiteKnight)) {
            EXPECT_EQ(keys[i], 10350);
            ++seen;
        }
    }
    EXPECT_EQ(seen, 4);
}

TEST(Ordering, RootKeysAndCaptureBonusFromIterationSix) {
    defaultSettings();
    clearOrderingTables();
    std::memset(pvTable, 0, sizeof pvTable);
    setPosition("4k3/8/2p5/3p4/4P3/4N3/8/4K3 w - - 0 1");
    Move list[MaxMoves];
    int keys[MaxMoves];
    const int count = static_cast<int>(generateMoves(list, 0) - list);
    const Move knightTakes = makeMoveWord(E3, D5, BlackPawn);
    const Move pawnTakes = makeMoveWord(E4, D5, BlackPawn);
    const Move quiet = makeMoveWord(E3, G4);
    rootMoveNodes[quiet & 4095] = 12345;
    nodes = 0;
    auto keyOf = [&](Move m) { return keyIn(list, keys, count, m); };
    iteration = 5;
    OrderRootMoves(list, keys, count);
    EXPECT_EQ(keyOf(knightTakes), -150);
    EXPECT_EQ(keyOf(pawnTakes), 10000100);
    EXPECT_EQ(keyOf(quiet), 123);
    iteration = 6;
    OrderRootMoves(list, keys, count);
    EXPECT_EQ(keyOf(knightTakes), 100000 - 150);
    // The previous iteration's best move comes first.
    pvTable[1][1] = quiet;
    OrderRootMoves(list, keys, count);
    EXPECT_EQ(keyOf(quiet), 2147483647);
    // Past 100 million nodes the node counts weigh a tenth.
    pvTable[1][1] = 0;
    nodes = 100000001;
    OrderRootMoves(list, keys, count);
    EXPECT_EQ(keyOf(quiet), 12);
    nodes = 0;
}

TEST(Ordering, SelectionKeepsListOrderOnTies) {
    Move moves[5] = {10, 11, 12, 13, 14};
    int keys[5] = {5, 9, 7, 9, 1};
    EXPECT_EQ(PickNext(keys, moves, 0, 5), 11); // first of the two 9s
    EXPECT_EQ(keys[1], 5);                      // the displaced key moves to its place
    EXPECT_EQ(PickNext(keys, moves, 1, 5), 13);
    EXPECT_EQ(PickNext(keys, moves, 2, 5), 12);
    int quiesceKeys[4] = {3, 8, 8, 2};
    EXPECT_EQ(PickBestIndex(quiesceKeys, 4), 1);
    EXPECT_EQ(quiesceKeys[1], -30000);
    EXPECT_EQ(PickBestIndex(quiesceKeys, 4), 2);
    EXPECT_EQ(PickBestIndex(quiesceKeys, 4), 0);
}

// The first pick taken from the ordering's answer leaves the same move first and the same lists
// as the selection step itself, whichever move is the hash move and whatever ties the keys hold.
TEST(Ordering, FirstPickFromTheOrderingMatchesTheSelectionStep) {
    defaultSettings();
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "1n2k3/P7/2p5/3p4/4P3/4N3/8/4K3 w - - 0 1",
        "4k3/8/2n1n3/3P4/2N1N3/8/8/4K3 b - - 0 1",
    };
    int cases = 0;
    for (const char* fen : fens) {
        setPosition(fen);
        board.historyIndex = 3;
        Move list[MaxMoves];
        int keys[MaxMoves];
        const int count = static_cast<int>(generateMoves(list, 0) - list);
        for (int withHistory = 0; withHistory < 2; ++withHistory) {
            clearOrderingTables();
            if (withHistory) historyScore[board.squares[moveFrom(list[count - 1])]][moveTo(list[count - 1])] = 7;
            for (int h = -1; h < count; ++h) {
                Move moves[MaxMoves];
                std::copy(list, list + count, moves);
                const int best = OrderSearchMoves(moves, keys, count, h < 0 ? 0 : list[h]);
                Move expectedMoves[MaxMoves];
                int expectedKeys[MaxMoves];
                std::copy(moves, moves + count, expectedMoves);
                std::copy(keys, keys + count, expectedKeys);
                const Move expected = PickNext(expectedKeys, expectedMoves, 0, count);
                EXPECT_EQ(PickFirst(keys, moves, best), expected) << fen << " hash " << h;
                EXPECT_TRUE(std::equal(moves, moves + count, expectedMoves)) << fen << " hash " << h;
                EXPECT_TRUE(std::equal(keys + 1, keys + count, expectedKeys + 1)) << fen;
                ++cases;
            }
        }
        // The quiescence ordering answers what the first quiescence selection step answers.
        int exchanges[MaxMoves];
        const int captures = static_cast<int>(generateCaptures(list, findPins(board.sideToMove)) - list);
        for (int h = -1; h < captures; ++h) {
            const int best = OrderQuiesceMoves(list, keys, exchanges, captures, h < 0 ? 0 : list[h]);
            EXPECT_EQ(best, PickBestIndex(keys, captures)) << fen << " hash " << h;
        }
    }
    EXPECT_GT(cases, 100);
}

// Picking with a carried bound skips scans and reads whole blocks of keys, but hands out the moves
// in the selection step's order, over lists full of ties (keys drawn from a handful of values),
// lists of distinct keys and keys from the whole range, the extremes (the spent mark among them)
// included.
TEST(Ordering, BoundedPicksFollowTheSelectionOrder) {
    uint32_t seed = 12345;
    auto next = [&seed]() { return seed = seed * 1664525u + 1013904223u; };
    for (int trial = 0; trial < 600; ++trial) {
        const int count = 1 + static_cast<int>(next() >> 24) % (trial % 5 ? 60 : 220);
        const int spread = trial % 3 == 0 ? 4 : trial % 3 == 1 ? 1000000 : 0;
        int keys[MaxMoves], expectedKeys[MaxMoves];
        Move moves[MaxMoves], expectedMoves[MaxMoves];
        int best = 0;
        for (int k = 0; k < count; ++k) {
            if (spread)
                keys[k] = static_cast<int>((next() >> 8) % spread) - spread / 4;
            else if (next() % 4)
                keys[k] = static_cast<int>(next());
            else
                keys[k] = next() & 1 ? INT32_MAX : INT32_MIN;
            expectedKeys[k] = keys[k];
            moves[k] = expectedMoves[k] = k + 1;
            if (keys[k] > keys[best]) best = k;
        }
        PadPickKeys(keys, count);
        int bound = keys[best];
        for (int i = 0; i < count; ++i) {
            const Move expected = PickNext(expectedKeys, expectedMoves, i, count);
            const Move got = i == 0 ? PickFirst(keys, moves, best)
                                    : PickNextBounded(keys, moves, i, count, bound);
            ASSERT_EQ(got, expected) << "trial " << trial << " position " << i;
        }
    }
}
