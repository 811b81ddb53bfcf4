// Driving the engine in UCI mode through pipes: the switch, synchronisation on isready, waiting
// for bestmove, and reading "info" lines into their fields.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "board/tables.h"
#include "support/engine_process.h"

// What "isready" prints; every transcript synchronises on it.
inline const char* const UciReadyOk = "\nreadyok\n\n";

// Starts the engine, switches it to UCI and returns the reply to "uci" ("" when it never came).
inline std::string startUci(EngineProcess& engine) {
    if (startToPrompt(engine).empty()) return "";
    engine.send("uci");
    return engine.readUntil("uciok\n\n", 20000);
}

// Sends isready and returns everything printed before its answer ("<no readyok>" on timeout).
inline std::string outputBeforeReady(EngineProcess& engine, int timeoutMs = 30000) {
    engine.send("isready");
    std::string text = engine.readUntil(UciReadyOk, timeoutMs);
    if (text.empty()) return "<no readyok>";
    return text.substr(0, text.size() - std::string(UciReadyOk).size());
}

// Everything up to and including the next "bestmove" line ("" on timeout).
inline std::string untilBestmove(EngineProcess& engine, int timeoutMs = 60000) {
    std::string text = engine.readUntil("bestmove ", timeoutMs);
    if (text.empty()) return "";
    return text + engine.readUntil("\n", 5000);
}

// The move of the last "bestmove" line of text ("" when there is none).
inline std::string bestmoveOf(const std::string& text) {
    size_t at = text.rfind("bestmove ");
    if (at == std::string::npos) return "";
    std::istringstream words(text.substr(at + 9));
    std::string move;
    words >> move;
    return move;
}

inline int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One "info" line read the way a UCI interface reads it.
struct UciInfo {
    bool valid = false;        // every token was where an interface expects it
    std::string error;         // the first token that was not
    bool hasScore = false;
    bool isMate = false;
    long score = 0;
    long depth = -1, multipv = 1;
    std::vector<std::string> pv;
    bool isString = false;
};

inline bool isInteger(const std::string& word) {
    if (word.empty()) return false;
    char* end = nullptr;
    std::strtol(word.c_str(), &end, 10);
    return *end == '\0';
}

// Reads an "info" line: numeric fields with integer values, score cp/mate with an optional
// bound, currmove and pv with coordinate moves, "string" with free text to the end.
inline UciInfo parseUciInfo(const std::string& line) {
    UciInfo info;
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    auto fail = [&](const std::string& why) {
        info.valid = false;
        info.error = why;
        return info;
    };
    if (words.empty() || words[0] != "info") return fail("not an info line");
    static const char* const numeric[] = {"depth", "seldepth", "time", "nodes", "nps", "hashfull",
                                          "tbhits", "multipv", "currmovenumber"};
    auto isMove = [](const std::string& w) {
        return (w.size() == 4 || w.size() == 5) && w[0] >= 'a' && w[0] <= 'h' && w[1] >= '1' &&
               w[1] <= '8' && w[2] >= 'a' && w[2] <= 'h' && w[3] >= '1' && w[3] <= '8' &&
               (w.size() == 4 || std::string("qrbn").find(w[4]) != std::string::npos);
    };
    for (size_t i = 1; i < words.size(); i++) {
        const std::string& key = words[i];
        bool isNumeric = false;
        for (const char* name : numeric) isNumeric = isNumeric || key == name;
        if (isNumeric) {
            if (i + 1 >= words.size() || !isInteger(words[i + 1])) return fail(key + " without a number");
            long value = std::strtol(words[++i].c_str(), nullptr, 10);
            if (key == "depth") info.depth = value;
            if (key == "multipv") info.multipv = value;
        } else if (key == "score") {
            if (i + 2 >= words.size() || (words[i + 1] != "cp" && words[i + 1] != "mate") ||
                !isInteger(words[i + 2]))
                return fail("score without cp or mate and a number");
            info.hasScore = true;
            info.isMate = words[i + 1] == "mate";
            info.score = std::strtol(words[i + 2].c_str(), nullptr, 10);
            i += 2;
            if (i + 1 < words.size() && (words[i + 1] == "lowerbound" || words[i + 1] == "upperbound")) i++;
        } else if (key == "currmove") {
            if (i + 1 >= words.size() || !isMove(words[i + 1])) return fail("currmove without a move");
            i++;
        } else if (key == "pv") {
            for (i++; i < words.size(); i++) {
                if (!isMove(words[i])) return fail("pv word " + words[i]);
                info.pv.push_back(words[i]);
            }
        } else if (key == "string") {
            info.isString = true;
            break;
        } else {
            return fail("unknown token " + key);
        }
    }
    info.valid = true;
    return info;
}

// How many of moves are legal in sequence, checked with the engine's own coordinate parser on
// a board of this process, from the FEN ("" for the initial position) after the moves of
// startMoves (a blank-separated list).
inline size_t legalPrefix(const std::string& fen, const std::string& startMoves,
                          const std::vector<std::string>& moves) {
    static bool tablesReady = false;
    if (!tablesReady) {
        initBoardTables();
        initAttackTables();
        tablesReady = true;
    }
    if (fen.empty()) {
        resetGame();
        installInitialKeys();
    } else {
        std::vector<char> text(fen.begin(), fen.end());
        text.push_back('\0');
        setupFromFen(text.data());
    }
    board.historyIndex = 0;
    std::vector<std::string> sequence;
    std::istringstream words(startMoves);
    for (std::string word; words >> word;) sequence.push_back(word);
    size_t start = sequence.size();
    sequence.insert(sequence.end(), moves.begin(), moves.end());
    size_t played = 0;
    for (const std::string& move : sequence) {
        Move m = 0;
        if (board.historyIndex >= UndoStackSize - 1 || !findCoordinateMove(move.c_str(), &m)) break;
        makeMove(m);
        played++;
    }
    return played < start ? 0 : played - start;
}
