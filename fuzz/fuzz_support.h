// Shared set-up of the fuzz targets: the engine's tables once per process, small evaluation
// caches on static storage, and input bytes as a NUL-terminated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "search/hash.h"

namespace fuzz {

constexpr uint32_t CacheEntries = 1u << 10;
constexpr uint32_t PawnEntries = 509;
inline EvalCacheEntry cacheStorage[CacheEntries];
inline PawnHashEntry pawnStorage[PawnEntries];

// Start-up tables in the engine's order, and the evaluation caches pointed at small tables.
inline void prepareEngine() {
    static bool built = false;
    if (built) return;
    initBoardTables();
    initAttackTables();
    initEvalTables();
    EvalCache = cacheStorage;
    evalCacheEntries = CacheEntries;
    PawnHashTable = pawnStorage;
    pawnHashEntries = PawnEntries;
    built = true;
}

// The input as a text of exactly its bytes (an embedded NUL ends it early, as in C input),
// in a heap block of its own size so that the sanitizer sees any read past the end.
struct Text {
    char* chars;
    Text(const uint8_t* data, size_t size) : chars(static_cast<char*>(malloc(size + 1))) {
        memcpy(chars, data, size);
        chars[size] = '\0';
    }
    ~Text() { free(chars); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
};

// Stops the run as a finding: libFuzzer records the input as a crash.
[[noreturn]] inline void fail() {
    __builtin_trap();
}

// The position set from the FEN text, with an empty undo stack as after setboard.
inline void setFen(char* text) {
    board.historyIndex = 0;
    setupFromFen(text);
}

} // namespace fuzz
