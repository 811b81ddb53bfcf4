// Knuth's subtractive generator: a table of 55 values modulo 10^9, the two read indices 31
// apart, filled from the seed and stirred by four warm-up passes.
#include "book/book_random.h"

#include <ctime>

namespace {

constexpr int32_t RandomModulus = 1000000000;
constexpr int32_t RandomSeedConstant = 161803398;

int32_t randomTable[56]; // entries 1..55 are used
int nextIndex = 0;
int nextIndexBehind = 0;
bool randomSeeded = false;

} // namespace

// Fills the table from the seed and warms it up; draws then start from the beginning.
void seedBookRandom(long seed) {
    // |constant - |seed|| modulo 10^9, computed without overflow for any seed.
    unsigned long long magnitude = seed < 0 ? 0ULL - static_cast<unsigned long long>(seed)
                                            : static_cast<unsigned long long>(seed);
    unsigned long long constant = RandomSeedConstant;
    unsigned long long gap = magnitude > constant ? magnitude - constant : constant - magnitude;
    int32_t mj = static_cast<int32_t>(gap % RandomModulus);
    randomTable[55] = static_cast<int32_t>(mj);
    int32_t mk = 1;
    for (int i = 1; i <= 54; i++) {
        int ii = (21 * i) % 55;
        randomTable[ii] = mk;
        mk = mj - mk;
        if (mk < 0) mk += RandomModulus;
        mj = randomTable[ii];
    }
    for (int pass = 1; pass <= 4; pass++) {
        for (int i = 1; i <= 55; i++) {
            randomTable[i] -= randomTable[1 + (i + 30) % 55];
            if (randomTable[i] < 0) randomTable[i] += RandomModulus;
        }
    }
    nextIndex = 0;
    nextIndexBehind = 31;
    randomSeeded = true;
}

// One step of the generator: the difference of the two indexed entries replaces the first.
int32_t bookRandomInteger() {
    if (!randomSeeded) seedBookRandom(static_cast<long>(time(nullptr)));
    if (++nextIndex == 56) nextIndex = 1;
    if (++nextIndexBehind == 56) nextIndexBehind = 1;
    int32_t mj = randomTable[nextIndex] - randomTable[nextIndexBehind];
    if (mj < 0) mj += RandomModulus;
    randomTable[nextIndex] = mj;
    return mj;
}

float bookRandom() {
    return static_cast<float>(bookRandomInteger() * 1.0e-9);
}
