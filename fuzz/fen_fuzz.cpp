// FEN set-up of arbitrary text, then what the engine does with any position it accepted: move
// generation, perft to depth 2 (every move made and taken back), the static evaluation, and the
// tablebase probe over Debian's 3-men set (installed by the Makefile).
#include <cstring>

#include "board/perft.h"
#include "fuzz_support.h"
#include "tablebases/tablebases.h"

namespace {

void prepareTables() {
    static bool done = false;
    if (done) return;
    done = true;
    const char* tables = "/usr/share/gaviotatb/gtb4";
    SetTbPath(tables, std::strlen(tables));
    tbCacheBytes = 0;
    InitTablebases(2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::prepareEngine();
    prepareTables();
    fuzz::Text text(data, size);
    fuzz::setFen(text.chars);

    const uint64_t key = board.hashKey;
    const int material = board.material;
    Move list[MaxMoves];
    Move* end = generateMoves(list, sideToMoveInCheck());
    const uint32_t count = static_cast<uint32_t>(end - list);
    if (perftCount(1) != count) fuzz::fail();
    perftCount(2);
    perftNodes = 0;
    perftLeaves(2);
    // Every make was taken back: the position is the one set up.
    if (board.hashKey != key || board.material != material || board.historyIndex != 0)
        fuzz::fail();
    evaluate(-30000, 30000);
    evaluate(-50, 50);
    // Any position the set-up accepted, even one the search would not probe: no information,
    // a draw, or a mate score.
    const int probed = ProbeTablebases();
    const bool mateScore = (probed >= 29800 && probed < 30000) || (probed >= -30000 && probed <= -29800);
    if (probed != 30000 && probed != 0 && !mateScore) fuzz::fail();
    return 0;
}
