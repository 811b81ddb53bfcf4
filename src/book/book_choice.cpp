// Weighted random choice among book candidates.
#include "book/book_choice.h"

void bookProbabilities(const uint32_t* scores, int count, int tournament, float* cumulative) {
    uint64_t total = 0;
    for (int j = 0; j < count; j++) total += scores[j];
    for (int j = 0; j < count; j++)
        cumulative[j] = static_cast<float>(scores[j]) / static_cast<float>(total);
    if (tournament) {
        float kept = 0.0f;
        for (int j = 0; j < count; j++) {
            if (cumulative[j] < 0.25f) cumulative[j] = 0.0f;
            kept += cumulative[j];
        }
        float running = 0.0f;
        for (int j = 0; j < count; j++) {
            if (cumulative[j] == 0.0f) continue;
            running += cumulative[j] / kept;
            cumulative[j] = running;
        }
    } else {
        float running = 0.0f;
        for (int j = 0; j < count; j++) {
            running += cumulative[j];
            cumulative[j] = running;
        }
    }
}

int pickBookCandidate(const float* cumulative, int count, float r) {
    for (int j = 0; j < count; j++)
        if (r < cumulative[j]) return j;
    return -1;
}
