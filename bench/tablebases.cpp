// Tablebase probe speed: ProbeTablebases over a fixed sample of king and queen, king and rook and
// king and pawn against king positions (both sides to move, either colour strong), first with an
// empty cache and then warm. Each warm figure is the median of several runs.
//   bench_tablebases [runs] [directories]   (default: 5 runs, Debian's 3-men set)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "tablebases/tablebases.h"

namespace {

constexpr int SampleSize = 20000;
constexpr int PassesPerRun = 10;

struct Sample {
    int squares[3];
    int codes[3];
    int side;
};

void place(const Sample& s) {
    for (int i = 0; i < 3; i++) {
        board.squares[s.squares[i]] = s.codes[i];
        if (s.codes[i] == WhiteKing) board.whiteKingSq = s.squares[i];
        if (s.codes[i] == BlackKing) board.blackKingSq = s.squares[i];
    }
    board.sideToMove = s.side;
    board.epSquare = 0;
    board.historyIndex = 0;
}

void clear(const Sample& s) {
    for (int square : s.squares) board.squares[square] = 0;
}

std::vector<Sample> makeSample() {
    std::vector<Sample> sample;
    uint64_t state = 0x5DEECE66DULL;
    auto next = [&](int bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<int>((state >> 33) % static_cast<uint64_t>(bound));
    };
    const int men[3] = {WhiteQueen, WhiteRook, WhitePawn};
    while (static_cast<int>(sample.size()) < SampleSize) {
        Sample s;
        int man = men[next(3)] + next(2); // White's or Black's
        s.codes[0] = WhiteKing;
        s.codes[1] = BlackKing;
        s.codes[2] = man;
        for (int i = 0; i < 3; i++) s.squares[i] = next(64);
        if (s.squares[0] == s.squares[1] || s.squares[1] == s.squares[2] || s.squares[0] == s.squares[2]) continue;
        int rank = s.squares[2] / 8;
        if ((man == WhitePawn || man == BlackPawn) && (rank == 0 || rank == 7)) continue;
        s.side = next(2) == 0 ? White : Black;
        sample.push_back(s);
    }
    return sample;
}

// Probes per second of one pass over the sample; known counts the answers with a value.
double pass(const std::vector<Sample>& sample, long* known) {
    auto start = std::chrono::steady_clock::now();
    long found = 0;
    for (const Sample& s : sample) {
        place(s);
        if (ProbeTablebases() != 30000) found++;
        clear(s);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *known = found;
    return sample.size() / seconds;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 5;
    const char* path = argc > 2 ? argv[2] : "/usr/share/gaviotatb/gtb4";
    SetTbPath(path, std::strlen(path));
    tbCacheBytes = 4 * 1048576;
    InitTablebases(0);
    if (maxTbMen < 3) {
        std::printf("bench_tablebases: no 3-men tables under %s\n", path);
        return 1;
    }
    std::memset(board.squares, 0, sizeof board.squares);
    const std::vector<Sample> sample = makeSample();
    long known = 0;
    const double cold = pass(sample, &known);
    std::vector<double> warm;
    for (int run = 0; run < runs; run++) {
        double total = 0;
        for (int p = 0; p < PassesPerRun; p++) total += pass(sample, &known);
        warm.push_back(total / PassesPerRun);
    }
    std::sort(warm.begin(), warm.end());
    std::printf("Tablebase probes: %d positions, %ld with a value (the rest illegal)\n", SampleSize, known);
    std::printf("  cold cache: %.0f probes/s\n", cold);
    std::printf("  warm cache: %.0f probes/s (median of %d runs)\n", warm[runs / 2], runs);
    return 0;
}
