// Perft against the published counts and against stockfish over random playouts.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "board/perft.h"
#include "support/board_setup.h"

namespace {

struct Published {
    const char* fen;
    std::vector<uint32_t> counts; // depths 1, 2, ... as far as a unit test can afford
};

const Published publishedCounts[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902, 197281, 4865609}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
     {48, 2039, 97862, 4085603}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {14, 191, 2812, 43238, 674624}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {6, 264, 9467, 422333}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379, 2103487}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890, 3894594}},
};

TEST(Perft, PublishedCountsByListCountingAndByMakingEveryMove) {
    for (const Published& p : publishedCounts) {
        setPosition(p.fen);
        for (size_t depth = 1; depth <= p.counts.size(); depth++)
            EXPECT_EQ(perftCount(static_cast<int>(depth)), p.counts[depth - 1])
                << p.fen << " depth " << depth;
        // Making every move down to depth 0 reaches the same leaves (kept shallow: it is slower).
        for (int depth = 0; depth <= 3; depth++) {
            perftNodes = 0;
            perftLeaves(depth);
            EXPECT_EQ(perftNodes, depth == 0 ? 1u : p.counts[depth - 1]) << p.fen;
        }
        EXPECT_EQ(boardInconsistency(), "");
    }
    startPosition();
    EXPECT_EQ(perftCount(4), 197281u);
}

// Positions reached by fixed-seed random playouts from the initial position.
std::vector<std::string> playoutPositions(int count, uint64_t seed) {
    std::vector<std::string> fens;
    Playout random(seed);
    while (static_cast<int>(fens.size()) < count) {
        startPosition();
        int plies = 1 + static_cast<int>(random.next(120));
        for (int ply = 0; ply < plies; ply++) {
            std::vector<Move> moves = legalMoves();
            if (moves.empty()) break;
            makeMove(moves[random.next(static_cast<uint32_t>(moves.size()))]);
        }
        if (!legalMoves().empty()) fens.push_back(boardFen());
    }
    return fens;
}

// Runs stockfish's "go perft depth" on every position in one process; empty when unavailable.
std::vector<uint64_t> stockfishCounts(const std::vector<std::string>& fens, int depth) {
    const char* engine = "/usr/games/stockfish";
    if (access(engine, X_OK) != 0) return {};
    char commands[] = "/tmp/morvane_perft_XXXXXX";
    int fd = mkstemp(commands);
    if (fd < 0) return {};
    close(fd);
    {
        std::ofstream out(commands);
        for (const std::string& fen : fens)
            out << "position fen " << fen << "\ngo perft " << depth << "\n";
        out << "quit\n";
    }
    std::string command = std::string(engine) + " < " + commands;
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<uint64_t> counts;
    char line[512];
    unsigned long long nodes;
    while (pipe && fgets(line, sizeof line, pipe))
        if (sscanf(line, "Nodes searched: %llu", &nodes) == 1) counts.push_back(nodes);
    if (pipe) pclose(pipe);
    unlink(commands);
    return counts;
}

// Compares perftCount with stockfish's count for every position.
void expectStockfishCounts(const std::vector<std::string>& fens, int depth) {
    std::vector<uint64_t> expected = stockfishCounts(fens, depth);
    if (expected.empty()) GTEST_SKIP() << "stockfish is not installed (make test installs it)";
    ASSERT_EQ(expected.size(), fens.size());
    for (size_t i = 0; i < fens.size(); i++) {
        setPosition(fens[i]);
        EXPECT_EQ(perftCount(depth), expected[i]) << fens[i] << " depth " << depth;
    }
}

TEST(Perft, EqualsStockfishOnRandomPlayoutPositions) {
    expectStockfishCounts(playoutPositions(240, 20261208), 3);
    expectStockfishCounts(playoutPositions(60, 77), 4);
}

} // namespace
