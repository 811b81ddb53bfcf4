// Evaluation speed: evaluations per second over a fixed set of varied positions, with both caches
// missing (every call computes everything), with only the evaluation cache missing (pawn
// structures answered by the pawn hash, as mostly in a search), and warm (every call answered by
// the evaluation cache). Each figure is the median of several runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/position.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "search/hash.h"

namespace {

const char* const Positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2r3k1/1q1nbppp/r3p3/3pP3/pPpP4/P1Q2N2/2RN1PPP/2R4K b - b3 0 23",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 1 8",
    "r2qr1k1/1b1nbppp/p2p1n2/1p2p3/3PP3/1BN2N1P/PP3PP1/R1BQR1K1 w - - 2 13",
    "2kr3r/ppp2ppp/2n5/2b1p3/4P1b1/2NP1N2/PPP2PPP/R1B1K2R w KQ - 3 10",
    "r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/5N1P/PPBN1PP1/R1BQR1K1 b - - 0 13",
    "3r2k1/pp3pp1/2p1b2p/4P3/2P5/1P3N1P/P4PP1/3R2K1 w - - 0 24",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 30",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 50",
    "8/5pk1/6p1/7p/7P/6P1/5PK1/8 b - - 0 45",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/8/8/3k4/8/8/2B1K3/8 w - - 0 60",
    "8/8/4k3/8/3r4/8/4P3/2B1K3 w - - 0 40",
    "6k1/pp4pp/8/3Q4/8/8/PP3qPP/6K1 w - - 0 30",
    "r5k1/5ppp/8/8/8/8/5PPP/1R4K1 b - - 0 28",
    "2q3k1/5ppp/8/8/8/8/5PPP/2Q3K1 w - - 0 35",
    "8/1p3k2/p1p2p2/P1P2P2/1P3K2/8/8/8 w - - 0 50",
    "r1bqk2r/ppp2ppp/2n5/3np3/1bB5/2N2N2/PP1P1PPP/R1BQK2R w KQkq - 0 7",
    "rn1qkb1r/pp2pppp/2p2n2/5b2/P1pP3P/2N2N2/1P2PPP1/R1BQKB1R b KQkq - 0 6",
    "r2q1rk1/pp1bppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R w - - 5 10",
    "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq - 1 5",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PNBPN2/PB3PPP/2RQ1RK1 w - - 4 12",
    "8/8/1KP5/3r4/8/8/8/k7 w - - 0 1",
    "5k2/8/8/8/8/8/8/4KBN1 w - - 0 1",
    "1k6/1b6/8/8/7R/8/8/4K2R b K - 0 1",
};
constexpr int PositionCount = int(sizeof Positions / sizeof Positions[0]);
constexpr int Repeats = 2000;  // evaluations of each position per run
constexpr int Runs = 5;

constexpr uint32_t CacheEntries = 1u << 16;
constexpr uint32_t PawnEntries = 8191;
EvalCacheEntry cacheStorage[CacheEntries];
PawnHashEntry pawnStorage[PawnEntries];

enum Mode { ClearBoth, ClearEvalCache, Warm };

using Clock = std::chrono::steady_clock;

// One run: every position evaluated Repeats times in a row. A cleared cache is emulated by spoiling
// the key of the position's own slot before each call (the slot rules of the hash tables), so that
// no clearing of whole tables is timed.
double run(Mode mode, const std::vector<Board>& boards, long& checksum) {
    double seconds = 0;
    for (const Board& b : boards) {
        board = b;
        const uint32_t low = uint32_t(board.hashKey);
        EvalCacheEntry& slot = cacheStorage[(low ^ uint32_t(board.sideToMove)) & (CacheEntries - 1)];
        PawnHashEntry& pawnSlot = pawnStorage[board.pawnKey % PawnEntries];
        const auto start = Clock::now();
        for (int i = 0; i < Repeats; ++i) {
            if (mode != Warm) slot.keyLow = ~low;
            if (mode == ClearBoth) pawnSlot.keyLow = ~uint32_t(board.pawnKey);
            checksum += evaluate(-30000, 30000);
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    return double(Repeats) * double(boards.size()) / seconds;
}

} // namespace

int main() {
    initBoardTables();
    initAttackTables();
    initEvalTables();
    EvalCache = cacheStorage;
    evalCacheEntries = CacheEntries;
    PawnHashTable = pawnStorage;
    pawnHashEntries = PawnEntries;

    std::vector<Board> boards;
    for (const char* fen : Positions) {
        char text[128];
        std::snprintf(text, sizeof text, "%s", fen);
        setupFromFen(text);
        boards.push_back(board);
    }
    std::printf("%d positions x %d evaluations per run, median of %d runs\n", PositionCount,
                Repeats, Runs);

    const struct {
        Mode mode;
        const char* name;
    } modes[] = {
        {ClearBoth, "caches cleared"},
        {ClearEvalCache, "pawn hash warm, evaluation cache cleared"},
        {Warm, "warm (evaluation cache hits)"},
    };
    long checksum = 0;
    for (const auto& m : modes) {
        std::vector<double> rates;
        for (int r = 0; r < Runs; ++r) rates.push_back(run(m.mode, boards, checksum));
        std::sort(rates.begin(), rates.end());
        std::printf("%-42s %12.0f evaluations/s (min %.0f, max %.0f)\n", m.name, rates[Runs / 2],
                    rates.front(), rates.back());
    }
    std::printf("checksum %ld\n", checksum);
    return 0;
}
