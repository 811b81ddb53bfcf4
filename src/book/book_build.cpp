// The book command: builds "blancas.obk" or "negras.obk" from a PGN collection.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/position.h"
#include "book/book.h"
#include "book/book_builder.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/hash.h"

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
