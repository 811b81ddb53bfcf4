// The transposition, quiescence, evaluation-cache and pawn hash tables.
#include "search/hash.h"

uint32_t hashStores = 0;
