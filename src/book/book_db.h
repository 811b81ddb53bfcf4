// The book file: a Berkeley DB B-tree of 4-byte little-endian keys (the high half of a
// position's hashKey) and 4-byte little-endian scores.
#pragma once

#include <cstdint>

#include <db.h>

enum BookOpenMode {
    BookForBuilding, // a fresh file: 8 MB cache, at least 64 keys per page
    BookForProbing,  // read only; a missing file is created empty
    BookForLearning, // read and write; a missing file is created empty
};

// Opens the book, or nullptr. An existing file is used only when the library verifies it as a
// sound database, so a file that is not a book (or is damaged) is never written to.
DB* openBookDatabase(const char* name, BookOpenMode mode);
// Closes the file, writing what is cached; 0 on success.
int closeBookDatabase(DB* db);
// 1 with *value set when the key has a 4-byte record, 0 when absent, -1 on a library error.
int bookGet(DB* db, uint32_t key, uint32_t* value);
// Stores (overwrites) the record; 0 on success.
int bookPut(DB* db, uint32_t key, uint32_t value);

// The 4-byte little-endian form of a book key or score, and back.
void encodeBookInt(uint32_t value, unsigned char* bytes);
uint32_t decodeBookInt(const unsigned char* bytes);
