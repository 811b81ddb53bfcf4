// The book's random source: a subtractive generator (modulus 10^9, 55-entry table).
#pragma once

#include <cstdint>

// Seeds the generator; without a call the first draw seeds it from the calendar time.
void seedBookRandom(long seed);
// Next integer of the generator, in [0, 10^9).
int32_t bookRandomInteger();
// Next draw in [0, 1): the integer times 10^-9, rounded to single precision.
float bookRandom();
