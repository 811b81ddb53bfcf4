// Sort keys for the three kinds of move list and the lazy selection steps.
#include "search/ordering.h"

#include <cstring>
#ifdef __SSE4_1__
#include <smmintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "board/board.h"
#include "board/tables.h"
#include "search/alphabeta.h"
#include "search/control.h"
#include "search/see.h"
#include "search/think.h"

int32_t historyScore[13][64];
Move killer1[KillerPlies];
Move killer2[KillerPlies];
Move killer3[KillerPlies];
uint32_t rootMoveNodes[4096];

void clearOrderingTables() {
    std::memset(historyScore, 0, sizeof historyScore);
    std::memset(killer1, 0, sizeof killer1);
    std::memset(killer2, 0, sizeof killer2);
    std::memset(killer3, 0, sizeof killer3);
    std::memset(rootMoveNodes, 0, sizeof rootMoveNodes);
}

void recordKiller(Move m, int ply) {
    if (m == killer1[ply]) return;
    if (killer2[ply] != m) killer3[ply] = killer2[ply];
    killer2[ply] = killer1[ply];
    killer1[ply] = m;
}

namespace {

// Exchange estimate of a capture by the side to move.
inline int exchangeOf(Move m) {
    return StaticExchange(board.sideToMove ^ 1, moveTo(m), moveFrom(m));
}

} // namespace

int OrderSearchMoves(const Move* moves, int* keys, int count, Move hashMove) {
    refreshSliderSets();
    const int ply = board.historyIndex;
    int bestIndex = 0;
    for (int i = 0; i < count; ++i) {
        const Move m = moves[i];
        if (m == hashMove) {
            keys[i] = 2147483647;
        } else if (moveCaptured(m)) {
            const int e = exchangeOf(m);
            keys[i] = e >= 0 ? 100000000 + e : e;
        } else {
            // The history count wraps like a 32-bit register; the killer bonus wraps with it.
            uint32_t key = static_cast<uint32_t>(historyScore[board.squares[moveFrom(m)]][moveTo(m)]);
            if (m == killer1[ply]) key += 700000;
            else if (m == killer2[ply]) key += 600000;
            else if (m == killer3[ply]) key += 500000;
            keys[i] = static_cast<int32_t>(key);
        }
        if (keys[i] > keys[bestIndex]) bestIndex = i;
    }
    PadPickKeys(keys, count);
    return bestIndex;
}

int OrderQuiesceMoves(const Move* moves, int* keys, int* exchange, int count, Move hashMove) {
    refreshSliderSets();
    int bestIndex = 0;
    for (int i = 0; i < count; ++i) {
        const Move m = moves[i];
        if (m == hashMove) {
            keys[i] = 30000;
            if (moveCaptured(m)) exchange[i] = exchangeOf(m);
        } else if (moveCaptured(m)) {
            const int e = exchangeOf(m);
            exchange[i] = keys[i] = e >= 0 ? e + 10000 : e;
        } else {
            keys[i] = static_cast<int>(victimValue[movePromotion(m)]) + 10000;
        }
        if (keys[i] > keys[bestIndex]) bestIndex = i;
    }
    return bestIndex;
}

void OrderRootMoves(const Move* moves, int* keys, int count) {
    refreshSliderSets();
    const bool multiLine = infiniteAnalysis && multiPV >= 2;
    const Move previousBest = pvTable[1][1];
    int matched = 0;
    for (int i = 0; i < count; ++i) {
        const Move m = moves[i];
        uint32_t base = rootMoveNodes[m & 4095] / 100;
        if (static_cast<uint32_t>(nodes) > 100000000u) base /= 10;
        int key = static_cast<int>(base);
        if (!multiLine && m == previousBest) {
            keys[i] = 2147483647;
            continue;
        }
        if (multiLine && matched < multiPV) {
            bool isLine = false;
            for (int j = lineIndex; j <= multiPV && j < MaxAnalysisLines; ++j) {
                if (m == lineMove[j]) {
                    key += (100 - j) * 1000000;
                    ++matched;
                    isLine = true;
                    break;
                }
            }
            if (isLine) {
                keys[i] = key;
                continue;
            }
        }
        if (moveCaptured(m)) {
            const int e = exchangeOf(m);
            if (e >= 0) key += e + 10000000;
            else key += iteration > 5 ? e + 100000 : e;
        }
        keys[i] = key;
    }
}

// The largest key of keys[from..count), or floor when it is larger. A plain maximum the compiler
// turns into vector code; the position is then found by a second, short scan.
inline int largestKey(const int* keys, int from, int count, int floor) {
    int best = floor;
    for (int j = from; j < count; ++j) best = keys[j] > best ? keys[j] : best;
    return best;
}

// The first position from 'from' on that holds value, which is known to be in keys[from..count).
// Four keys at a time where the processor compares vectors.
inline int firstPositionOf(const int* keys, int from, int count, int value) {
    int j = from;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi32(value);
    for (; j + 4 <= count; j += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j));
        const int hits = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, wanted)));
        if (hits) return j + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    while (keys[j] != value) ++j;
    return j;
}

namespace {

// The selection step once the largest key of positions i + 1 ... is known (floored at keys[i]).
inline Move pickLargest(int* keys, Move* moves, int i, int count, int bestKey) {
    if (bestKey > keys[i]) {
        // The earliest position holding the largest key.
        const int bestIndex = firstPositionOf(keys, i + 1, count, bestKey);
        keys[bestIndex] = keys[i];
        const Move m = moves[i];
        moves[i] = moves[bestIndex];
        moves[bestIndex] = m;
    }
    return moves[i];
}

} // namespace

Move PickNext(int* keys, Move* moves, int i, int count) {
    return pickLargest(keys, moves, i, count, largestKey(keys, i + 1, count, keys[i]));
}

void PadPickKeys(int* keys, int count) {
    for (int j = count; j & 3; ++j) keys[j] = SpentKey;
}

Move PickNextBounded(int* keys, Move* moves, int i, int count, int& bound) {
    const int head = keys[i];
    if (head < bound) {
        // The largest key of positions i ...: whole blocks of four from the one holding i, as
        // the places before i and the padding hold SpentKey.
        const int start = i & ~3, end = (count + 3) & ~3;
#ifdef __SSE4_1__
        __m128i largest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + start));
        for (int j = start + 4; j < end; j += 4)
            largest = _mm_max_epi32(largest,
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j)));
        largest = _mm_max_epi32(largest, _mm_shuffle_epi32(largest, 0x4E));
        largest = _mm_max_epi32(largest, _mm_shuffle_epi32(largest, 0xB1));
        const int best = _mm_cvtsi128_si32(largest);
#else
        const int best = largestKey(keys, start, end, head);
#endif
        // The largest key picked (or the head itself) bounds every key left behind position i.
        bound = best;
        if (best > head) {
            // Larger than the head, so larger than every spent place: the first place holding
            // it is after i.
            const int bestIndex = firstPositionOf(keys, start, end, best);
            keys[bestIndex] = head;
            const Move m = moves[i];
            moves[i] = moves[bestIndex];
            moves[bestIndex] = m;
        }
    }
    keys[i] = SpentKey;
    return moves[i];
}

Move PickFirst(int* keys, Move* moves, int bestIndex) {
    // The first largest key beats keys[0] strictly unless it is keys[0] itself.
    if (bestIndex > 0) {
        keys[bestIndex] = keys[0];
        const Move m = moves[0];
        moves[0] = moves[bestIndex];
        moves[bestIndex] = m;
    }
    keys[0] = SpentKey;
    return moves[0];
}

int PickBestIndex(int* keys, int count) {
    const int bestKey = largestKey(keys, 1, count, keys[0]);
    const int bestIndex = firstPositionOf(keys, 0, count, bestKey);
    keys[bestIndex] = -30000;
    return bestIndex;
}
