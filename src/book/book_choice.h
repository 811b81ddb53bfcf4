// Choosing among the book's candidate moves.
#pragma once

#include <cstdint>

constexpr uint32_t MinimumBookScore = 5; // records scoring less are never candidates
constexpr int BookPathSize = 400;

// Turns candidate scores into the cumulative probabilities of the choice, in single precision.
// Tournament mode drops every candidate under a quarter of the total (its entry becomes 0) and
// spreads the rest to a distribution ending at 1; Normal mode keeps them all.
void bookProbabilities(const uint32_t* scores, int count, int tournament, float* cumulative);
// The first candidate whose cumulative entry is above r, or -1 when none is.
int pickBookCandidate(const float* cumulative, int count, float r);
