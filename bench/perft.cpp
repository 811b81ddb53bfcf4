// Perft speed: leaves per second of perftCount (median of several runs) on the initial position
// at depth 6 and the second reference position at depth 5, beside stockfish's "go perft" on the
// same positions in the same run, and the ratio of the two.
//
// Usage: bench_perft [runs]   (default 5 runs per position and program)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "board/attacks.h"
#include "board/perft.h"
#include "board/position.h"
#include "board/tables.h"

namespace {

struct Case {
    const char* name;
    const char* fen;
    int depth;
    uint32_t leaves;
};

const Case cases[] = {
    {"initial position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
    {"second position", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5,
     193690690},
};

const char* const stockfishPath = "/usr/games/stockfish";

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A stockfish child process spoken to through two pipes.
struct Stockfish {
    pid_t pid = -1;
    FILE* in = nullptr;  // our writes, its standard input
    FILE* out = nullptr; // its standard output, our reads

    bool start() {
        if (access(stockfishPath, X_OK) != 0) return false;
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) return false;
        pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            execl(stockfishPath, stockfishPath, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        in = fdopen(toChild[1], "w");
        out = fdopen(fromChild[0], "r");
        send("uci");
        return waitFor("uciok", nullptr);
    }

    void send(const std::string& line) {
        fprintf(in, "%s\n", line.c_str());
        fflush(in);
    }

    // Reads lines until one starts with prefix; the rest of that line goes to rest.
    bool waitFor(const char* prefix, std::string* rest) {
        char line[4096];
        size_t length = strlen(prefix);
        while (fgets(line, sizeof line, out)) {
            if (strncmp(line, prefix, length) == 0) {
                if (rest) *rest = line + length;
                return true;
            }
        }
        return false;
    }

    // Seconds that "go perft depth" takes on fen; 0 when the count is wrong or the pipe broke.
    double perftSeconds(const char* fen, int depth, uint32_t leaves) {
        send(std::string("position fen ") + fen);
        send("isready");
        if (!waitFor("readyok", nullptr)) return 0;
        auto start = std::chrono::steady_clock::now();
        send("go perft " + std::to_string(depth));
        std::string nodes;
        if (!waitFor("Nodes searched:", &nodes)) return 0;
        double elapsed = seconds(start);
        return strtoull(nodes.c_str(), nullptr, 10) == leaves ? elapsed : 0;
    }

    void stop() {
        if (pid <= 0) return;
        send("quit");
        fclose(in);
        fclose(out);
        waitpid(pid, nullptr, 0);
    }
};

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    signal(SIGPIPE, SIG_IGN);
    initBoardTables();
    initAttackTables();
    Stockfish stockfish;
    bool haveStockfish = stockfish.start();
    if (!haveStockfish)
        printf("stockfish not found at %s: only our speed is shown\n", stockfishPath);

    printf("perft speed, median of %d runs (leaves per second, millions)\n", runs);
    for (const Case& c : cases) {
        std::vector<double> ours, theirs;
        for (int run = 0; run < runs; run++) {
            std::string fen = c.fen;
            setupFromFen(fen.data());
            auto start = std::chrono::steady_clock::now();
            uint32_t leaves = perftCount(c.depth);
            ours.push_back(seconds(start));
            if (leaves != c.leaves) {
                printf("%s depth %d: %u leaves, expected %u\n", c.name, c.depth, leaves, c.leaves);
                return 1;
            }
            if (haveStockfish) {
                double t = stockfish.perftSeconds(c.fen, c.depth, c.leaves);
                if (t <= 0) {
                    printf("stockfish did not answer the expected count\n");
                    haveStockfish = false;
                } else {
                    theirs.push_back(t);
                }
            }
        }
        double ourRate = c.leaves / median(ours) / 1e6;
        printf("%-17s depth %d  %10u leaves  morvane %7.1f M/s (%.3f s)", c.name, c.depth, c.leaves,
               ourRate, median(ours));
        if (haveStockfish && !theirs.empty()) {
            double theirRate = c.leaves / median(theirs) / 1e6;
            printf("  stockfish %7.1f M/s (%.3f s)  ratio %.2f", theirRate, median(theirs),
                   ourRate / theirRate);
        }
        printf("\n");
    }
    stockfish.stop();
    return 0;
}
