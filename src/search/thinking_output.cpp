// The thinking lines of both protocols: principal variations, root marks, current-move and
// status lines, statistics.
#include "search/thinking_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/alphabeta.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/think.h"
#include "tablebases/tablebases.h"

namespace {

// Appends printf-style text to a bounded buffer; what does not fit is dropped.
void append(char* buffer, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
void append(char* buffer, int size, const char* format, ...) {
    const int used = static_cast<int>(std::strlen(buffer));
    if (used >= size - 1) return;
    va_list args;
    va_start(args, format);
    vsnprintf(buffer + used, static_cast<size_t>(size - used), format, args);
    va_end(args);
}

// nps as the interfaces see it: the division first, in integers.
long npsOf(int ms) { return static_cast<long>(nodes) / (ms + 1) * 1000; }

// The line of pvTable row 1 in SAN (san 1) or coordinates (san 0), extended with hash moves up
// to the iteration, written into moves (the moves) and tail (the extension). The board is left
// as it was; the extension is also written into row 1 beyond pvLength[1].
void pvMoves(int san, char* moves, int movesSize, char* tail, int tailSize) {
    Move made[MaxPly];
    int madeCount = 0;
    int number = fullMoveNumber;
    char text[16];
    moves[0] = 0;
    tail[0] = 0;
    for (int k = 1; k < pvLength[1] && k < MaxPly; ++k) {
        const Move m = pvTable[1][k];
        if (!isLegalHere(m)) break;
        makeMove(m);
        made[madeCount++] = m;
        if (san) {
            sanAfterMove(m, text);
            if (board.sideToMove == Black && k != 1) append(moves, movesSize, "%d.%s ", ++number, text);
            else append(moves, movesSize, "%s ", text);
        } else {
            moveToCoordinate(m, text);
            append(moves, movesSize, "%s ", text);
        }
    }
    if (pvLength[1] < iteration) {
        for (int k = pvLength[1]; k < iteration && k < MaxPly; ++k) {
            Move m = HashMoveOf();
            // A stored move is played only when it is legal here (castling rights and the
            // en-passant square are not part of the key).
            if (m != 0 && !isLegalHere(m)) m = 0;
            pvTable[1][k] = m;
            if (m == 0) break;
            makeMove(m);
            made[madeCount++] = m;
            if (san) {
                sanAfterMove(m, text);
                if (board.sideToMove == Black) append(tail, tailSize, "%d.", ++number);
            } else {
                moveToCoordinate(m, text);
            }
            append(tail, tailSize, "%s ", text);
        }
    }
    while (madeCount > 0) unmakeMove(made[--madeCount]);
}

} // namespace

int elapsedNow() { return static_cast<int>(tickCount() - searchStart); }

int mateNumber(int score) {
    return score >= 29800 ? (30001 - score) / 2 : (-30000 - score) / 2;
}

void formatUciScore(int score, const char* label, char* out, int size) {
    if (score >= 29800 || score <= -29800) snprintf(out, size, "mate %d ", mateNumber(score));
    else snprintf(out, size, "cp %ld %s", static_cast<long>(score), label);
}

void PrintPvLine(int score) {
    const int ms = elapsedNow();
    Print("%2d %7ld %5ld %8ld  ", iteration, static_cast<long>(score), static_cast<long>(ms / 10),
          static_cast<long>(nodes));
    char moves[sizeof pvText];
    char tail[sizeof pvText];
    pvMoves(1, moves, sizeof moves, tail, sizeof tail);
    snprintf(pvText, sizeof pvText, " %d%s", fullMoveNumber, otherSideFlag ? "..." : ".");
    append(pvText, sizeof pvText, "%s%s", moves, tail);
    Print("%s\n", pvText);
}

void PrintRootMark(int score, const char* text, int kind) {
    static const char* const marks[3] = {"!", "!!", "?"};
    const int ms = elapsedNow();
    char line[128];
    snprintf(line, sizeof line, " %d%s%s%s\n", fullMoveNumber, otherSideFlag ? "..." : ".", text,
             marks[kind < 0 || kind > 2 ? 0 : kind]);
    Print("%2d %7ld %5ld %8ld  %s", iteration, static_cast<long>(score), static_cast<long>(ms / 10),
          static_cast<long>(nodes), line);
}

void PrintUciPv(int score) {
    const int ms = elapsedNow();
    char scoreText[64];
    formatUciScore(score, boundLabel, scoreText, sizeof scoreText);
    char moves[sizeof pvText];
    char tail[sizeof pvText];
    pvMoves(0, moves, sizeof moves, tail, sizeof tail);
    pvText[0] = 0;
    append(pvText, sizeof pvText, "%s%s", moves, tail);
    char line[sizeof pvText + 256];
    snprintf(line, sizeof line,
             "info multipv %d depth %d seldepth %d time %ld score %snodes %ld nps %ld pv %s",
             lineIndex, iteration, selDepth, static_cast<long>(ms), scoreText,
             static_cast<long>(nodes), npsOf(ms), pvText);
    Print("%s\n", line);
    if (!(infiniteAnalysis && multiPV >= 2)) return;
    // Multi-line analysis keeps each line's last text and shows the others after an update.
    if (lineIndex >= 1 && lineIndex < MaxAnalysisLines) {
        char* stored = lineText[lineIndex];
        const size_t length = std::strlen(line);
        const size_t kept = length < sizeof lineText[0] ? length : sizeof lineText[0] - 1;
        std::memcpy(stored, line, kept);
        stored[kept] = 0;
        if (kept < length) {
            char* blank = std::strrchr(stored, ' ');
            if (blank) blank[1] = 0;
        }
    }
    if (iteration > noiseDepth)
        for (int j = lineIndex + 1; j <= multiPV && j <= lineCount && j < MaxAnalysisLines; ++j)
            if (lineText[j][0]) Print("%s\n", lineText[j]);
}

void PrintUciMoveLine(int score, const char* text) {
    const int ms = elapsedNow();
    char scoreText[32];
    formatUciScore(score, "", scoreText, sizeof scoreText);
    Print("info multipv %d depth %d seldepth %d time %ld score %snodes %ld nps %ld pv %s\n",
          lineIndex, iteration, selDepth, static_cast<long>(ms), scoreText,
          static_cast<long>(nodes), npsOf(ms), text);
}

void PrintLastLine(int score, const char* text, int kind) {
    const int ms = elapsedNow();
    if (kind == 1) {
        Print("%2d %7ld %5ld %8ld  %s\n", iteration, static_cast<long>(score),
              static_cast<long>(ms / 10), static_cast<long>(nodes), text);
        return;
    }
    char scoreText[64];
    formatUciScore(score, boundLabel, scoreText, sizeof scoreText);
    Print("info multipv %d depth %d seldepth %d time %ld score %snodes %ld nps %ld pv %s\n",
          lineIndex, iteration, selDepth, static_cast<long>(ms), scoreText,
          static_cast<long>(nodes), npsOf(ms), text);
}

void PrintStatistics() {
    if (uciMode) Print("info string\ninfo string ");
    Print("Move Ordering Efficiency: %.2f%%\n", firstMoveCutoffs * 100.0 / (cutoffs + 1.0));
    if (uciMode) Print("info string ");
    Print("Futility Cutoff: %.2f%%, reductions: %.2f%%\n\n",
          futilityPrunes * 100.0 / (static_cast<double>(nodes) + 1.0),
          reductions * 100.0 / (static_cast<double>(nodes) + 1.0));
}

void PrintStat01() {
    Print("stat01: %ld %ld %d %d %d %s\n", static_cast<long>(elapsedNow() / 10),
          static_cast<long>(nodes), iteration, rootMovesLeft, rootPassCount, currentMoveText);
}

void PrintCurrentMoveLine() {
    const int ms = elapsedNow();
    if (uciMode) {
        Print("info currmovenumber %d currmove %s depth %d seldepth %d time %ld nodes %ld nps %ld "
              "hashfull %d tbhits %ld\n",
              rootPassCount - rootMovesLeft, currentMoveText, iteration, selDepth,
              static_cast<long>(ms), static_cast<long>(nodes), npsOf(ms), hashFull(),
              static_cast<long>(tbHits));
    } else if (xboardMode && showCurrentMove && !infiniteAnalysis) {
        Print("\nstat01: %ld %ld %d %d %d %s\n", static_cast<long>(ms / 10),
              static_cast<long>(nodes), iteration, rootMovesLeft, rootPassCount,
              currentMoveText);
    }
}
