// Shared set-up of the fuzz targets: the engine's tables and small evaluation caches (the
// tests' helpers), and input bytes as a NUL-terminated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/position.h"
#include "support/eval_support.h"

namespace fuzz {

// Start-up tables in the engine's order, and the evaluation caches on small static tables.
inline void prepareEngine() {
    evaltest::prepare();
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
