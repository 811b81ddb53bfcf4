// The book file: record layout, and files that are not books.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "book/book_db.h"
#include "support/book_fixture.h"

namespace {

using BookDbTest = BookDirectoryTest;

bool dumpToolInstalled() {
    return system("command -v db5.3_dump >/dev/null 2>&1") == 0;
}

// A valid book with count records, big enough to span many pages.
void writeBook(const char* name, uint32_t count) {
    DB* db = openBookDatabase(name, BookForBuilding);
    ASSERT_NE(db, nullptr);
    for (uint32_t i = 0; i < count; i++) ASSERT_EQ(bookPut(db, i * 2654435761u, i), 0);
    closeBookDatabase(db);
}

TEST_F(BookDbTest, RecordsRoundTripAndDumpAsLittleEndian) {
    DB* db = openBookDatabase("negras.obk", BookForBuilding);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(bookPut(db, 0x12345678u, 0x0A0B0C0Du), 0);
    EXPECT_EQ(bookPut(db, 7, 5), 0);
    EXPECT_EQ(bookPut(db, 7, 15), 0); // overwrites
    closeBookDatabase(db);

    db = openBookDatabase("negras.obk", BookForProbing);
    ASSERT_NE(db, nullptr);
    uint32_t value = 0;
    EXPECT_EQ(bookGet(db, 0x12345678u, &value), 1);
    EXPECT_EQ(value, 0x0A0B0C0Du);
    EXPECT_EQ(bookGet(db, 7, &value), 1);
    EXPECT_EQ(value, 15u);
    EXPECT_EQ(bookGet(db, 8, &value), 0);
    EXPECT_EQ(bookPut(db, 9, 9), EACCES); // the probe's handle is read only
    closeBookDatabase(db);

    if (!dumpToolInstalled()) GTEST_SKIP() << "db5.3_dump is not installed";
    std::string dump = commandOutput("db5.3_dump negras.obk");
    EXPECT_NE(dump.find("type=btree"), std::string::npos);
    EXPECT_NE(dump.find("\n 78563412\n 0d0c0b0a\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\n 07000000\n 0f000000\n"), std::string::npos) << dump;
}

TEST_F(BookDbTest, FilesThatAreNotBooksAreRefusedAndLeftAlone) {
    std::string garbage;
    for (int i = 0; i < 5000; i++) garbage += static_cast<char>((i * 7919 + 13) % 251);
    const std::string contents[] = {"", "hello world\n", garbage};
    for (const std::string& content : contents) {
        writeFile("negras.obk", content);
        EXPECT_EQ(openBookDatabase("negras.obk", BookForProbing), nullptr);
        EXPECT_EQ(openBookDatabase("negras.obk", BookForLearning), nullptr);
        EXPECT_EQ(readFile("negras.obk"), content); // an empty file stays empty, too
    }
    ASSERT_EQ(mkdir("blancas.obk", 0777), 0);
    EXPECT_EQ(openBookDatabase("blancas.obk", BookForProbing), nullptr);
}

TEST_F(BookDbTest, DamagedBooksAreRefusedAndLeftAlone) {
    writeBook("sound.obk", 20000);
    std::string sound = readFile("sound.obk");
    ASSERT_GT(sound.size(), 100000u);

    // Zeroed pages in the middle: the library can loop forever on such a file.
    std::string zeroed = sound;
    std::fill(zeroed.begin() + 50 * 4096, zeroed.begin() + 60 * 4096, '\0');
    writeFile("zeroed.obk", zeroed);
    // A file cut short.
    writeFile("short.obk", sound.substr(0, sound.size() / 2));
    // Scrambled pages.
    std::string scrambled = sound;
    for (size_t i = 30 * 4096; i < 33 * 4096; i++) scrambled[i] = static_cast<char>(i * 31 + 7);
    writeFile("scrambled.obk", scrambled);

    for (const char* name : {"zeroed.obk", "short.obk", "scrambled.obk"}) {
        std::string before = readFile(name);
        EXPECT_EQ(openBookDatabase(name, BookForProbing), nullptr) << name;
        EXPECT_EQ(openBookDatabase(name, BookForLearning), nullptr) << name;
        EXPECT_EQ(readFile(name), before) << name;
    }
    DB* db = openBookDatabase("sound.obk", BookForLearning);
    ASSERT_NE(db, nullptr);
    uint32_t value;
    EXPECT_EQ(bookGet(db, 12345u * 2654435761u, &value), 1);
    EXPECT_EQ(value, 12345u);
    closeBookDatabase(db);
}

TEST_F(BookDbTest, RecordsOfAnotherSizeReadAsAbsent) {
    DB* raw = nullptr;
    ASSERT_EQ(db_create(&raw, nullptr, 0), 0);
    ASSERT_EQ(raw->open(raw, nullptr, "wide.obk", nullptr, DB_BTREE, DB_CREATE, 0664), 0);
    unsigned char key[4] = {1, 0, 0, 0};
    unsigned char data[2] = {9, 9};
    DBT keyEntry, dataEntry;
    memset(&keyEntry, 0, sizeof keyEntry);
    memset(&dataEntry, 0, sizeof dataEntry);
    keyEntry.data = key;
    keyEntry.size = 4;
    dataEntry.data = data;
    dataEntry.size = 2;
    ASSERT_EQ(raw->put(raw, nullptr, &keyEntry, &dataEntry, 0), 0);
    raw->close(raw, 0);
    DB* db = openBookDatabase("wide.obk", BookForProbing);
    ASSERT_NE(db, nullptr);
    uint32_t value = 77;
    EXPECT_EQ(bookGet(db, 1, &value), 0);
    EXPECT_EQ(value, 77u);
    closeBookDatabase(db);
}

} // namespace
