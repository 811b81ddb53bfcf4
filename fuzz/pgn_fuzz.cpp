// The book builder's PGN reader and game replay fed an arbitrary file, for either book colour
// (the first byte chooses), into a fresh book database in a scratch folder.
#include <cstdio>
#include <unistd.h>

#include "book/book_builder.h"
#include "book/book_db.h"
#include "fuzz_support.h"

namespace {

// A scratch folder of the run's own, entered once; the two books live there.
void enterScratchFolder() {
    static bool entered = false;
    if (entered) return;
    char folder[] = "/tmp/morvane-pgn-fuzz-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0) abort();
    entered = true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    fuzz::prepareEngine();
    enterScratchFolder();
    static uint8_t* filter = static_cast<uint8_t*>(calloc(OccurrenceFilterSize, 1));
    const int colour = data[0] & 1;
    const char* bookName = colour ? "blancas.obk" : "negras.obk";
    // A fresh book each time, opened and closed as the book command does.
    remove(bookName);
    DB* db = openBookDatabase(bookName, BookForBuilding);
    if (!filter || !db) abort();
    memset(filter, 0, OccurrenceFilterSize);

    // The file as the builder sees it: a stream over the remaining bytes.
    FILE* pgn = tmpfile();
    if (!pgn) abort();
    if (size > 1) fwrite(data + 1, 1, size - 1, pgn);
    rewind(pgn);

    BookBuilder builder;
    memset(&builder, 0, sizeof builder);
    builder.bookColour = bookColourOf(bookName);
    builder.maxPly = settleMaxPly(data[0] >> 1 & 7 ? (data[0] >> 1) * 4 : 0, builder.bookColour);
    builder.threshold = settleThreshold(data[0] >> 6);
    builder.db = db;
    builder.occurrenceFilter = filter;
    initPgnReader(&builder.reader, pgn);
    replayGames(&builder);
    closeBookDatabase(db);
    fclose(pgn);
    return 0;
}
