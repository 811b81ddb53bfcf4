// The transposition, quiescence, evaluation-cache and pawn hash tables.
#include "search/hash.h"

TransSlot* TransTable = nullptr;
uint32_t transSlots = 0;
QuiesceEntry* QuiesceTable = nullptr;
uint32_t quiesceEntries = 0;
EvalCacheEntry* EvalCache = nullptr;
uint32_t evalCacheEntries = 0;
PawnHashEntry* PawnHashTable = nullptr;
uint32_t pawnHashEntries = 0;
uint32_t hashStores = 0;
int hashMegabytes = 64;
