// Perft against the published counts and against stockfish over random playouts.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
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

// A depth deeper than the undo stack can hold is refused instead of running past the stack.
TEST(Perft, DepthBeyondTheUndoStackIsRefused) {
    startPosition();
    Board before = board;
    EXPECT_EQ(perftCount(UndoStackSize + 2), 0u);
    perftNodes = 7;
    perftLeaves(UndoStackSize + 1);
    EXPECT_EQ(perftNodes, 7u);
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    dumpTree(1000, 0, file);
    EXPECT_EQ(ftell(file), 0);
    fclose(file);
    EXPECT_EQ(memcmp(before.squares, board.squares, sizeof board.squares), 0);
    EXPECT_EQ(board.historyIndex, 0);
    // Near the top of the stack the room left still counts.
    board.historyIndex = UndoStackSize - 2;
    EXPECT_EQ(perftCount(3), 8902u);
    EXPECT_EQ(perftCount(4), 0u);
    board.historyIndex = 0;
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

// The position with colours and ranks swapped: the generator must count it the same.
std::string mirrored(const std::string& fen) {
    std::string placement = fen.substr(0, fen.find(' ')), rest = fen.substr(fen.find(' ') + 1);
    std::vector<std::string> ranks;
    for (size_t start = 0;;) {
        size_t slash = placement.find('/', start);
        ranks.push_back(placement.substr(start, slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    auto swapCase = [](std::string text) {
        for (char& c : text)
            c = isupper(c) ? static_cast<char>(tolower(c)) : static_cast<char>(toupper(c));
        return text;
    };
    std::string out;
    for (size_t i = ranks.size(); i-- > 0;) out += swapCase(ranks[i]) + (i ? "/" : "");
    char side = rest[0] == 'w' ? 'b' : 'w';
    std::string castling = swapCase(rest.substr(2, rest.find(' ', 2) - 2));
    std::string tail = rest.substr(rest.find(' ', 2) + 1);
    if (tail[0] != '-') tail[1] = static_cast<char>('1' + '8' - tail[1]);
    return out + " " + side + " " + castling + " " + tail;
}

// Small positions full of pins through en passant, promotions, castling rights and checks.
TEST(Perft, EqualsStockfishOnTrickyPositionsAndTheirMirrors) {
    std::vector<std::string> fens = {
        "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
        "8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1",
        "8/5k2/8/2Pp4/2B5/1K6/8/8 w - d6 0 1",
        "5k2/8/8/8/8/8/8/4K2R w K - 0 1",
        "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1",
        "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
        "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1",
        "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1",
        "8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1",
        "4k3/1P6/8/8/8/8/K7/8 w - - 0 1",
        "8/P1k5/K7/8/8/8/8/8 w - - 0 1",
        "K1k5/8/P7/8/8/8/8/8 w - - 0 1",
        "8/k1P5/8/1K6/8/8/8/8 w - - 0 1",
        "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1",
        "3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1",
        "8/8/8/8/k1p4R/8/3P4/3K4 w - - 0 1",
        "r3k2r/p1pp1pb1/bn2Qnp1/2qPN3/1p2P3/2N5/PPPBBPPP/R3K2R b KQkq - 3 2",
        "rnb2k1r/pp1Pbppp/2p5/q7/2B5/8/PPPQNnPP/RNB1K2R w KQ - 3 9",
    };
    size_t count = fens.size();
    for (size_t i = 0; i < count; i++) fens.push_back(mirrored(fens[i]));
    expectStockfishCounts(fens, 4);
}

} // namespace
