// Replaying PGN games into a book database: the game weights, the occurrence filter and the
// threshold rule. buildBook wraps this with the files, the messages and the hash tables.
#pragma once

#include <cstdint>

#include "book/book_db.h"
#include "book/pgn_reader.h"

constexpr uint32_t OccurrenceFilterSize = 8388608; // one-byte counters, indexed by key & size-1

struct BookBuilder {
    PgnReader reader;
    DB* db;
    uint8_t* occurrenceFilter; // OccurrenceFilterSize counters, zeroed
    int bookColour;            // 1 "blancas.obk", 0 "negras.obk", -1 any other name (no records)
    int maxPly;                // plies of each game replayed
    int threshold;             // occurrences counted before a position is stored
    int games;                 // "Result" lines read
    int uniques;               // records created
    int writeFailed;           // a record could not be read back or stored (a full disk)
};

// 1 for exactly "blancas.obk", 0 for exactly "negras.obk", -1 for any other name.
int bookColourOf(const char* bookName);
// Plies replayed per game: 0 means 60, White's book replays one fewer, and never more than
// UndoStackSize, since the replay makes its moves without take-back.
int settleMaxPly(int maxPly, int bookColour);
// minGames - 1 when minGames > 0, else 1.
int settleThreshold(int minGames);

// Reads up to the next "Result" line and past the tag lines; false (weight 0) at end of file.
bool readGameResult(BookBuilder* builder, int* weight);
// Replays one game's movetext from the initial position, storing the book colour's positions.
void readGameMoves(BookBuilder* builder, int weight);
// Counts the current position and, once frequent enough, credits it in the book.
void storeBookPosition(BookBuilder* builder, int weight);
// Every game of the reader's file, in turn.
void replayGames(BookBuilder* builder);
