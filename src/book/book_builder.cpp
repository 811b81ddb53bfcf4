// Building a book: replaying PGN games into a book database, and buildBook around it with the
// files, the messages and the hash tables.
#include "book/book_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/hash.h"

int bookColourOf(const char* bookName) {
    if (strcmp(bookName, "blancas.obk") == 0) return 1;
    if (strcmp(bookName, "negras.obk") == 0) return 0;
    return -1;
}

int settleMaxPly(int maxPly, int bookColour) {
    if (maxPly == 0) maxPly = 60;
    if (bookColour == 1) maxPly--;
    // Moves are made without take-back, each one taking a record of the undo stack.
    if (maxPly > UndoStackSize) maxPly = UndoStackSize;
    return maxPly;
}

int settleThreshold(int minGames) {
    return minGames > 0 ? minGames - 1 : 1;
}

bool readGameResult(BookBuilder* builder, int* weight) {
    PgnReader* reader = &builder->reader;
    *weight = 0;
    // Step 1: skip to the line naming the result.
    for (;;) {
        if (!readPgnLine(reader)) return false;
        if (strstr(reader->line, "Result")) break;
    }
    // Step 2: count the game and weigh it.
    builder->games++;
    *weight = resultWeight(reader->line, builder->bookColour);
    // Step 3: the remaining tag lines and the first line without "[" are consumed.
    while (readPgnLine(reader) && strchr(reader->line, '[')) {
    }
    return true;
}

// The legal move of the current position that parsed matches, or 0. SAN read from a file
// may name a move that is not legal here; only generated moves are ever made.
static Move legalMoveMatching(Move parsed) {
    if (parsed == 0) return 0;
    int side = board.sideToMove;
    int kingSquare = side == White ? board.whiteKingSq : board.blackKingSq;
    Move list[MaxMoves];
    Move* end = generateMoves(list, isAttacked(kingSquare, side == White ? 0 : 1));
    for (Move* m = list; m < end; m++) {
        if (moveFrom(*m) == moveFrom(parsed) && moveTo(*m) == moveTo(parsed) &&
            movePromotion(*m) == movePromotion(parsed))
            return *m;
    }
    return 0;
}

// Replays the tokens of one movetext line. Returns false when the game's replay is over:
// maxPly reached or a token that is not a legal move (the rest of the game is abandoned).
static bool replayMoveLine(BookBuilder* builder, int weight, int* ply, int counters[3]) {
    char* line = builder->reader.line;
    char* newline = strchr(line, '\n');
    if (newline) *newline = '\0';
    char* save = nullptr;
    for (char* token = strtok_r(line, " ", &save); token; token = strtok_r(nullptr, " ", &save)) {
        if (countBrackets(token, &counters[0], &counters[1], &counters[2])) continue;
        if (counters[0] != 0 || counters[1] != 0 || counters[2] != 0) continue;
        const char* san = sanOfToken(token);
        if (!san) continue;
        int mover = board.sideToMove;
        Move move = legalMoveMatching(parseSan(san, mover));
        if (move == 0) return false;
        makeMove(move);
        (*ply)++;
        if (mover == builder->bookColour) storeBookPosition(builder, weight);
        if (*ply >= builder->maxPly) return false;
    }
    return true;
}

void readGameMoves(BookBuilder* builder, int weight) {
    PgnReader* reader = &builder->reader;
    // Step 1: the initial position.
    resetGame();
    installInitialKeys();
    int ply = 0;
    int counters[3] = {0, 0, 0}; // round brackets, square brackets, braces
    // Steps 2-4: movetext lines up to the blank line, while plies remain.
    if (builder->maxPly > 0) {
        bool replaying = true;
        while (readPgnLine(reader) && !pgnLineIsBlank(reader)) {
            if (replaying) replaying = replayMoveLine(builder, weight, &ply, counters);
            if (!replaying && ply >= builder->maxPly) break;
        }
    }
    // Step 5: skip to the next game's first tag line, which is consumed.
    while (readPgnLine(reader) && (reader->continuation || reader->line[0] != '[')) {
    }
}

void storeBookPosition(BookBuilder* builder, int weight) {
    uint32_t key = static_cast<uint32_t>(board.hashKey >> 32);
    uint8_t& counter = builder->occurrenceFilter[key & (OccurrenceFilterSize - 1)];
    if (counter < builder->threshold) {
        counter++;
        return;
    }
    uint32_t stored = 0;
    uint32_t value;
    const int found = bookGet(builder->db, key, &stored);
    if (found < 0) builder->writeFailed = 1;
    if (found == 1) {
        value = stored + weight;
    } else {
        builder->uniques++;
        value = static_cast<uint32_t>(weight) * static_cast<uint32_t>(builder->threshold + 1);
    }
    if (bookPut(builder->db, key, value) != 0) builder->writeFailed = 1;
}

void replayGames(BookBuilder* builder) {
    int weight;
    while (readGameResult(builder, &weight)) readGameMoves(builder, weight);
}

// Console attribute of the summary line: bright white on bright red.
constexpr int SummaryAttribute = 207;
// The book's name with ".new" after it.
constexpr int BuildNameSize = 1024;

// The counts of the build: on a terminal in colour over the row above the cursor, on a pipe
// as a plain line of standard output, so that scripts can read them. Never into the log.
static void writeBuildSummary(int games, int uniques) {
    char text[128];
    snprintf(text, sizeof text,
             "   ****   Processed %07d games and stored %07d uniques positions   ****   ", games,
             uniques);
    if (outputIsConsole) {
        consoleWriteCells(0, -1, text, SummaryAttribute);
    } else {
        fputs(text, stdout);
        fputc('\n', stdout);
        fflush(stdout);
    }
}

void buildBook(const char* pgnName, const char* bookName, int maxPly, int minGames) {
    // Step 1: the parameters.
    BookBuilder builder;
    memset(&builder, 0, sizeof builder);
    builder.bookColour = bookColourOf(bookName);
    builder.maxPly = settleMaxPly(maxPly, builder.bookColour);
    builder.threshold = settleThreshold(minGames);
    // Step 2: the PGN file, read in binary; the reader itself folds CR LF into LF.
    FILE* pgn = fopen(pgnName, "rb");
    if (!pgn) {
        Print("PGN file not found!\n");
        exit(1);
    }
    initPgnReader(&builder.reader, pgn);
    // Step 3: a fresh book, written under a temporary name so that the previous book stays
    // whole until the new one is complete (a full disk must not leave a damaged book in its
    // place); the hash tables make room for the build.
    char buildName[BuildNameSize];
    if (snprintf(buildName, sizeof buildName, "%s.new", bookName) >= BuildNameSize) {
        Print("Error opening book.\n");
        exit(1);
    }
    remove(buildName);
    FreeHashTables();
    FreePawnHash();
    // Step 4: the occurrence filter.
    builder.occurrenceFilter = static_cast<uint8_t*>(calloc(OccurrenceFilterSize, 1));
    if (!builder.occurrenceFilter) {
        Print("Not enough RAM!\n");
        exit(1);
    }
    // Step 5: the database.
    builder.db = openBookDatabase(buildName, BookForBuilding);
    if (!builder.db) {
        Print("Error opening book.\n");
        exit(1);
    }
    // Step 6.
    Print("\nBuilding opening book \"%s\":\n\n\n\n\nPlease wait ...\n", bookName);
    uint32_t start = tickCount();
    // Step 7: every game.
    replayGames(&builder);
    // Step 8: the summary and the clean-up.
    Print("\n\n");
    writeBuildSummary(builder.games, builder.uniques);
    free(builder.occurrenceFilter);
    if (closeBookDatabase(builder.db) != 0) builder.writeFailed = 1;
    if (!builder.writeFailed && rename(buildName, bookName) != 0) builder.writeFailed = 1;
    if (builder.writeFailed) remove(buildName);
    fclose(pgn);
    uint32_t end = tickCount();
    // Step 9: the tables back, the board at the start.
    AllocateHashTables(0);
    AllocatePawnHash(0);
    resetGame();
    installInitialKeys();
    Print("\nElapsed Time: %.2f\n", (end - start) * 0.001);
    if (builder.writeFailed) Print("Error writing book: the previous book is kept.\n");
    else Print("Done\n");
}
