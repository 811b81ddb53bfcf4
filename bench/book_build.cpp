// Book building speed: Capablanca.pgn (597 games) into both books, several runs each.
// Prints the median wall time of buildBook and the number of positions stored.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <db.h>

#include "board/attacks.h"
#include "board/tables.h"
#include "book/book.h"
#include "search/hash.h"

// Records in a book file, as the library counts them.
static unsigned long bookRecords(const char* name) {
    DB* db = nullptr;
    if (db_create(&db, nullptr, 0) != 0) return 0;
    unsigned long records = 0;
    if (db->open(db, nullptr, name, nullptr, DB_BTREE, DB_RDONLY, 0) == 0) {
        DB_BTREE_STAT* stat = nullptr;
        if (db->stat(db, nullptr, &stat, 0) == 0) {
            records = stat->bt_nkeys;
            free(stat);
        }
    }
    db->close(db, 0);
    return records;
}

int main(int argc, char** argv) {
    // Run from the repository's root, as make bench does, or name the PGN file.
    const char* given = argc > 1 ? argv[1] : "data/pgn/Capablanca.pgn";
    char* resolved = realpath(given, nullptr);
    if (!resolved) {
        fprintf(stderr, "bench_book_build: cannot find %s\n", given);
        return 1;
    }
    std::string pgn = resolved;
    free(resolved);
    char pattern[] = "/tmp/morvane-book-bench-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) return 1;
    initBoardTables();
    initAttackTables();
    selectHashRow(16);
    selectPawnHashMegabytes(1);
    AllocateHashTables(0);
    AllocatePawnHash(0);
    // The builder's own messages go to a file; only the results reach the terminal.
    FILE* console = fdopen(dup(fileno(stdout)), "w");
    if (!freopen("build.log", "w", stdout)) return 1;
    const int runs = 7;
    for (const char* book : {"blancas.obk", "negras.obk"}) {
        std::vector<double> times;
        for (int run = 0; run < runs; run++) {
            auto start = std::chrono::steady_clock::now();
            buildBook(pgn.c_str(), book, 0, 0);
            std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            times.push_back(took.count());
        }
        std::sort(times.begin(), times.end());
        fprintf(console, "%-12s median %.1f ms (min %.1f, max %.1f) over %d runs, %lu positions\n",
                book, times[runs / 2], times[0], times[runs - 1], runs, bookRecords(book));
    }
    fclose(console);
    FreeHashTables();
    FreePawnHash();
    std::string cleanup = std::string("rm -rf '") + pattern + "'";
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
