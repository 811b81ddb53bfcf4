// Test helpers for building and reading books in-process.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book_builder.h"
#include "book/book_db.h"
#include "support/board_setup.h"

struct BuildCounts {
    int games;
    int uniques;
};

// Replays pgnName into a fresh bookName the way the book command does, without its messages
// and without touching the hash tables.
inline BuildCounts buildBookQuietly(const std::string& pgnName, const char* bookName,
                                    int maxPly = 0, int minGames = 2) {
    ensureBoardTables();
    BookBuilder builder;
    memset(&builder, 0, sizeof builder);
    builder.bookColour = bookColourOf(bookName);
    builder.maxPly = settleMaxPly(maxPly, builder.bookColour);
    builder.threshold = settleThreshold(minGames);
    FILE* pgn = fopen(pgnName.c_str(), "rb");
    EXPECT_NE(pgn, nullptr) << pgnName;
    if (!pgn) return {-1, -1};
    initPgnReader(&builder.reader, pgn);
    remove(bookName);
    builder.occurrenceFilter = static_cast<uint8_t*>(calloc(OccurrenceFilterSize, 1));
    builder.db = openBookDatabase(bookName, BookForBuilding);
    EXPECT_NE(builder.db, nullptr);
    if (builder.db) {
        replayGames(&builder);
        closeBookDatabase(builder.db);
    }
    free(builder.occurrenceFilter);
    fclose(pgn);
    return {builder.games, builder.uniques};
}

// Every record of a book, read with a cursor of the library, bytes decoded here.
inline std::map<uint32_t, uint32_t> readWholeBook(const char* name) {
    std::map<uint32_t, uint32_t> records;
    DB* db = nullptr;
    EXPECT_EQ(db_create(&db, nullptr, 0), 0);
    if (db->open(db, nullptr, name, nullptr, DB_BTREE, DB_RDONLY, 0) != 0) {
        ADD_FAILURE() << "cannot open " << name;
        db->close(db, 0);
        return records;
    }
    DBC* cursor = nullptr;
    EXPECT_EQ(db->cursor(db, nullptr, &cursor, 0), 0);
    DBT key, data;
    memset(&key, 0, sizeof key);
    memset(&data, 0, sizeof data);
    while (cursor->get(cursor, &key, &data, DB_NEXT) == 0) {
        EXPECT_EQ(key.size, 4u);
        EXPECT_EQ(data.size, 4u);
        const unsigned char* k = static_cast<const unsigned char*>(key.data);
        const unsigned char* d = static_cast<const unsigned char*>(data.data);
        records[k[0] | k[1] << 8 | k[2] << 16 | static_cast<uint32_t>(k[3]) << 24] =
            d[0] | d[1] << 8 | d[2] << 16 | static_cast<uint32_t>(d[3]) << 24;
    }
    cursor->close(cursor);
    db->close(db, 0);
    return records;
}

// The initial position at the start of a game record, as the new-game command leaves it.
inline void newGame() {
    startPosition();
    gameIndex = 0;
}

// Plays SAN moves from the current position the way the front end records game moves.
// Returns false at the first move that does not parse.
inline bool playMoves(const std::vector<std::string>& moves) {
    for (const std::string& san : moves) {
        Move move = parseSan(san.c_str(), board.sideToMove);
        EXPECT_NE(move, 0) << san;
        if (move == 0) return false;
        gameIndex++;
        makeMove(move);
        gameKeys[gameIndex] = board.hashKey;
        board.historyIndex = 0;
    }
    return true;
}

// The book key (high half of hashKey) after the moves from the initial position.
inline uint32_t keyAfter(const std::vector<std::string>& moves) {
    newGame();
    playMoves(moves);
    uint32_t key = static_cast<uint32_t>(board.hashKey >> 32);
    newGame();
    return key;
}
