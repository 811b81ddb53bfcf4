// Searches the 32-bit two-half magic multipliers of the slider attack tables and prints them as
// C++ initialisers. Rook index: 12 bits, shift 20; bishop index: 9 bits, shift 23. A collision
// is allowed only between occupancies with the same attack set. Fixed seed: the output is
// reproducible. Build: g++ -O2 -std=c++20 scripts/find_magics.cpp -o /tmp/find_magics
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

uint64_t rngState = 0x4D6F7276616E6521ULL;

uint64_t nextRandom() {
    // xorshift64*
    rngState ^= rngState >> 12;
    rngState ^= rngState << 25;
    rngState ^= rngState >> 27;
    return rngState * 0x2545F4914F6CDD1DULL;
}

uint32_t sparseRandom() {
    return static_cast<uint32_t>(nextRandom() & nextRandom() & nextRandom());
}

uint64_t walk(int square, uint64_t occupancy, const int (*steps)[2], bool edgesOff) {
    uint64_t set = 0;
    for (int d = 0; d < 4; d++) {
        int file = square & 7, rank = square >> 3;
        for (;;) {
            file += steps[d][0];
            rank += steps[d][1];
            if (file < 0 || file > 7 || rank < 0 || rank > 7) break;
            if (edgesOff) {
                int nextFile = file + steps[d][0], nextRank = rank + steps[d][1];
                if (nextFile < 0 || nextFile > 7 || nextRank < 0 || nextRank > 7) break;
            }
            uint64_t bit = 1ULL << (rank * 8 + file);
            set |= bit;
            if (occupancy & bit) break;
        }
    }
    return set;
}

const int rookSteps[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
const int bishopSteps[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};

bool findMagic(int square, bool rook, uint32_t* lo, uint32_t* hi) {
    const int(*steps)[2] = rook ? rookSteps : bishopSteps;
    int shift = rook ? 20 : 23;
    uint64_t mask = walk(square, 0, steps, true);
    std::vector<uint64_t> occupancies, attacks;
    uint64_t subset = 0;
    do {
        occupancies.push_back(subset);
        attacks.push_back(walk(square, subset, steps, false));
        subset = (subset - mask) & mask;
    } while (subset != 0);
    std::vector<uint64_t> table(1u << (32 - shift));
    std::vector<uint32_t> stamp(table.size(), 0);
    for (uint32_t attempt = 1; attempt < 2000000000u; attempt++) {
        uint32_t a = sparseRandom(), b = sparseRandom();
        bool ok = true;
        for (size_t i = 0; i < occupancies.size() && ok; i++) {
            uint32_t x = static_cast<uint32_t>(occupancies[i]) * a;
            uint32_t y = static_cast<uint32_t>(occupancies[i] >> 32) * b;
            uint32_t index = (x ^ y) >> shift;
            if (stamp[index] != attempt) {
                stamp[index] = attempt;
                table[index] = attacks[i];
            } else if (table[index] != attacks[i]) {
                ok = false;
            }
        }
        if (ok) {
            *lo = a;
            *hi = b;
            return true;
        }
    }
    return false;
}

} // namespace

int main() {
    for (int kind = 0; kind < 2; kind++) {
        bool rook = kind == 0;
        printf("const uint32_t %s[64][2] = {\n", rook ? "rookMagic" : "bishopMagic");
        for (int square = 0; square < 64; square++) {
            uint32_t lo = 0, hi = 0;
            if (!findMagic(square, rook, &lo, &hi)) {
                fprintf(stderr, "no magic for square %d\n", square);
                return 1;
            }
            printf("    {0x%08XU, 0x%08XU},%s", lo, hi, square % 2 ? "\n" : "");
            fflush(stdout);
        }
        printf("};\n");
    }
    return 0;
}
