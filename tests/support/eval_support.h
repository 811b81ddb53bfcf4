// Test helpers for the evaluation: start-up tables, caches on static storage, positions from FEN
// and their colour mirror.
#pragma once

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/position.h"
#include "board/tables.h"
#include "eval/eval.h"
#include "eval/eval_internal.h"
#include "search/hash.h"

namespace evaltest {

constexpr uint32_t CacheEntries = 1u << 12;
constexpr uint32_t PawnEntries = 1021;
inline EvalCacheEntry cacheStorage[CacheEntries];
inline PawnHashEntry pawnStorage[PawnEntries];

// Builds the tables once and points the evaluation's caches at static storage, emptied.
inline void prepare() {
    static bool tablesBuilt = false;
    if (!tablesBuilt) {
        initBoardTables();
        initAttackTables();
        initEvalTables();
        tablesBuilt = true;
    }
    EvalCache = cacheStorage;
    evalCacheEntries = CacheEntries;
    PawnHashTable = pawnStorage;
    pawnHashEntries = PawnEntries;
    std::memset(static_cast<void*>(cacheStorage), 0, sizeof cacheStorage);
    std::memset(static_cast<void*>(pawnStorage), 0, sizeof pawnStorage);
}

inline void setPosition(const std::string& fen) {
    char text[256];
    std::snprintf(text, sizeof text, "%s", fen.c_str());
    setupFromFen(text);
}

// The evaluation state as the pipeline has it before the king terms, for a position.
inline EvalState stateBeforeKings(const char* fen) {
    prepare();
    setPosition(fen);
    EvalState state{};
    state.nonKingPieces = board.whitePieceCount + board.blackPieceCount - 2;
    state.allMen = board.bitboards[WhiteMen] | board.bitboards[BlackMen];
    state.pawns = pawnEntry();
    return state;
}

// Full evaluation (empty caches, widest window) from the side to move's point of view.
inline int evaluateFen(const std::string& fen) {
    prepare();
    setPosition(fen);
    return evaluate(-30000, 30000);
}

// The same evaluation from White's point of view.
inline int whiteView(const std::string& fen) {
    const int score = evaluateFen(fen);
    return board.sideToMove == White ? score : -score;
}

// The position turned upside down with the colours exchanged (side to move too).
inline std::string mirrorFen(const std::string& fen) {
    auto swapCase = [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return char(std::isupper(u) ? std::tolower(u) : std::toupper(u));
    };
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < fen.size()) {
        size_t end = fen.find(' ', pos);
        if (end == std::string::npos) end = fen.size();
        if (end > pos) fields.push_back(fen.substr(pos, end - pos));
        pos = end + 1;
    }
    std::vector<std::string> ranks(1);
    for (char c : fields.at(0)) {
        if (c == '/') ranks.emplace_back();
        else ranks.back().push_back(swapCase(c));
    }
    std::string out;
    for (size_t i = ranks.size(); i-- > 0;) {
        out.append(ranks[i]);
        if (i) out.push_back('/');
    }
    if (fields.size() > 1) out.append(fields[1] == "w" ? " b" : " w");
    if (fields.size() > 2) {
        out.push_back(' ');
        for (char c : fields[2]) out.push_back(c == '-' ? c : swapCase(c));
    }
    if (fields.size() > 3) {
        std::string ep = fields[3];
        if (ep.size() == 2) ep[1] = char('1' + ('8' - ep[1]));
        out.append(" ").append(ep);
    }
    for (size_t i = 4; i < fields.size(); ++i) out.append(" ").append(fields[i]);
    return out;
}

} // namespace evaltest
