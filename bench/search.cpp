// Search benchmark: nodes and nodes per second of fixed-depth searches from empty tables on a
// fixed set of positions. The total node count is the search's signature: it changes only when
// the search, the ordering or the evaluation changes.
//
//   bench_search                      the fixed-depth set
//   bench_search --epd FILE [--ms N]  solves an EPD suite ("bm" moves) at N ms a position
//                                     (default 1000) and counts the solved positions
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/think.h"

namespace {

struct BenchPosition {
    const char* fen;
    int depth;
};

const BenchPosition positions[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 8},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 7},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 10},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 7},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 7},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 7},
    {"2r3k1/pp3ppp/2n1p3/3pP3/3P1P2/2PB4/P5PP/2R3K1 b - - 0 25", 8},
    {"8/8/4k3/3p4/3P4/4K3/8/8 w - - 0 50", 14},
};

// An empty pipe as standard input: the search polls it and never sees end of input.
int quietStandardInput() {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    dup2(fds[0], 0);
    close(fds[0]);
    return fds[1];
}

// Output of Think goes to /dev/null; returns the saved standard output.
int silenceOutput() {
    fflush(stdout);
    const int saved = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    return saved;
}

void restoreOutput(int saved) {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
}

void initEngine() {
    initBoardTables();
    initAttackTables();
    initEvalTables();
    selectHashRow(64);
    AllocateHashTables(0);
    selectPawnHashMegabytes(8);
    AllocatePawnHash(0);
}

// Common settings: no book, no pondering, no thinking lines.
void quietSettings() {
    pondering = ponderEnabled = uciMode = xboardMode = 0;
    postThinking = 0;
    bookMisses = 3;
    ponderMove = 0;
    ponderedResult = 0;
    rootScore = lastScore = 0;
}

void setPosition(const char* fen) {
    char text[256];
    std::snprintf(text, sizeof text, "%s", fen);
    setupFromFen(text);
    board.historyIndex = 0;
    bookPly = 70;
}

int runFixedDepth() {
    std::printf("%-74s %5s %10s %8s %9s\n", "position", "depth", "nodes", "ms", "nps");
    long long totalNodes = 0;
    long long totalMs = 0;
    for (const BenchPosition& p : positions) {
        ClearHashTables();
        ClearPawnHash();
        quietSettings();
        setPosition(p.fen);
        infiniteAnalysis = 1;
        moveTimeBudget = 999999;
        savedDepthLimit = p.depth;
        const int saved = silenceOutput();
        const uint32_t start = tickCount();
        const Move best = Think();
        const uint32_t ms = tickCount() - start;
        restoreOutput(saved);
        char text[16] = "";
        if (best) moveToCoordinate(best, text);
        std::printf("%-74s %5d %10ld %8u %9lld  %s\n", p.fen, p.depth, static_cast<long>(nodes),
                    ms, static_cast<long long>(nodes) * 1000 / (ms + 1), text);
        totalNodes += static_cast<uint32_t>(nodes);
        totalMs += ms;
    }
    std::printf("\nTotal nodes (signature): %lld\nTotal time: %lld ms\nNodes per second: %lld\n",
                totalNodes, totalMs, totalNodes * 1000 / (totalMs + 1));
    infiniteAnalysis = 0;
    return 0;
}

// Removes check and mate signs and surrounding punctuation from a SAN word.
std::string plainSan(std::string text) {
    while (!text.empty() && (text.back() == '+' || text.back() == '#' || text.back() == ';' ||
                             text.back() == '!' || text.back() == '?'))
        text.pop_back();
    return text;
}

int runSuite(const char* path, int ms) {
    FILE* file = std::fopen(path, "r");
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    char line[1024];
    int total = 0;
    int solved = 0;
    while (std::fgets(line, sizeof line, file)) {
        // Four FEN fields, then operations; "bm" lists the best moves up to ";".
        std::vector<std::string> words;
        for (char* w = std::strtok(line, " \t\r\n"); w; w = std::strtok(nullptr, " \t\r\n"))
            words.push_back(w);
        if (words.size() < 6) continue;
        std::string fen = words[0] + " " + words[1] + " " + words[2] + " " + words[3] + " 0 1";
        std::vector<std::string> best;
        for (size_t k = 4; k < words.size(); ++k) {
            if (words[k] != "bm") continue;
            for (size_t j = k + 1; j < words.size(); ++j) {
                const bool last = words[j].find(';') != std::string::npos;
                best.push_back(plainSan(words[j]));
                if (last) break;
            }
            break;
        }
        if (best.empty()) continue;
        ClearHashTables();
        ClearPawnHash();
        quietSettings();
        setPosition(fen.c_str());
        infiniteAnalysis = 0;
        timeLeft = 100 * ms;
        movesPerControl = 0;
        fixedMoveTime = 1;
        moveTimeBudget = ms;
        savedDepthLimit = 50;
        const int saved = silenceOutput();
        char san[16] = "";
        const Move move = Think();
        if (move) sanBeforeMove(move, san);
        restoreOutput(saved);
        ++total;
        bool ok = false;
        for (const std::string& b : best) ok = ok || plainSan(san) == b;
        if (ok) ++solved;
        std::string id;
        for (size_t k = 4; k + 1 < words.size(); ++k)
            if (words[k] == "id") id = words[k + 1];
        std::printf("%3d %-8s %-10s %s\n", total, ok ? "solved" : "missed", san, id.c_str());
        std::fflush(stdout);
    }
    std::fclose(file);
    std::printf("\nSolved %d of %d at %d ms a position\n", solved, total, ms);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int writer = quietStandardInput();
    initEngine();
    const char* epd = nullptr;
    int ms = 1000;
    for (int k = 1; k < argc; ++k) {
        if (!std::strcmp(argv[k], "--epd") && k + 1 < argc) epd = argv[++k];
        else if (!std::strcmp(argv[k], "--ms") && k + 1 < argc) ms = std::atoi(argv[++k]);
    }
    const int status = epd ? runSuite(epd, ms > 0 ? ms : 1000) : runFixedDepth();
    if (writer >= 0) close(writer);
    return status;
}
