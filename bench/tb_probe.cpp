// Probe speed of the engine's own tables with a warm cache: random positions of a few endings
// probed once to fill the cache, then timed again. Arguments: the timed rounds (5), the
// directory (the build's set, build/home/tablebases, from the source root as make bench runs it).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "tablebases/own_tables.h"
#include "tablebases/tb_file.h"
#include "tablebases/tb_index.h"

namespace {

struct Position {
    TbPieceList white, black;
    int side;
};

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) rounds = 1;
    const char* directory = argc > 2 ? argv[2] : "build/home/tablebases";
    // The largest cache "TB Cache" allows (256 MB), so that the blocks of these endings all fit.
    static std::vector<int16_t> cache(128u << 20);
    ownTableBackend.setCache(cache.data(), static_cast<long>(cache.size() * sizeof(int16_t)));
    if (ownTableBackend.addDirectory(directory) < 4) {
        std::printf("tb_probe: no four-men set in %s (make tablebases)\n", directory);
        return 1;
    }
    std::mt19937 random(2026);
    std::vector<Position> positions;
    for (const char* name : {"kqkr", "krpk", "kbnk", "krk"}) {
        TbMaterial m{};
        tbMaterialFromName(name, &m);
        for (int n = 0; n < 50000; n++) {
            Position p{{1, {TbKing}, {0}}, {1, {TbKing}, {0}}, static_cast<int>(random() & 1)};
            uint64_t used = 0;
            for (int i = 0; i < m.men; i++) {
                int square;
                do square = m.types[i] == TbPawn ? 8 + static_cast<int>(random() % 48)
                                                 : static_cast<int>(random() % 64);
                while (used & (1ULL << square));
                used |= 1ULL << square;
                TbPieceList& list = m.colours[i] == 0 ? p.white : p.black;
                if (i < 2) {
                    list.squares[0] = square;
                } else {
                    list.types[list.count] = m.types[i];
                    list.squares[list.count++] = square;
                }
            }
            positions.push_back(p);
        }
    }
    long answered = 0;
    for (const Position& p : positions)
        answered += ownTableBackend.probe(&p.white, &p.black, p.side, TbNoEnPassant) != TbNoValue;
    auto start = std::chrono::steady_clock::now();
    long sum = 0;
    for (int r = 0; r < rounds; r++)
        for (const Position& p : positions)
            sum += ownTableBackend.probe(&p.white, &p.black, p.side, TbNoEnPassant);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double probes = static_cast<double>(positions.size()) * rounds;
    std::printf("Own tables: %.0f probes in %.3f s, %.2f M probes per second with a warm cache "
                "(%ld of %zu positions legal, checksum %ld)\n",
                probes, seconds, probes / seconds / 1e6, answered, positions.size(), sum);
    ownTableBackend.reset();
    return 0;
}
