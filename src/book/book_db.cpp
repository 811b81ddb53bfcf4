// Book file access through the C API of Berkeley DB.
#include "book/book_db.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t BuildCacheBytes = 8388608;
constexpr uint32_t BuildMinKeysPerPage = 64;

// Files that passed verification, by identity; a changed file is verified again.
struct VerifiedFile {
    dev_t device;
    ino_t inode;
    off_t size;
    struct timespec modified;
};
constexpr int VerifiedFileSlots = 4;
VerifiedFile verifiedFiles[VerifiedFileSlots];
int verifiedFileCount = 0;
int nextVerifiedSlot = 0;

// The library's own error messages would go to standard error; the caller reports instead.
void ignoreDbMessage(const DB_ENV*, const char*, const char*) {}

bool sameFile(const VerifiedFile& known, const struct stat& info) {
    return known.device == info.st_dev && known.inode == info.st_ino &&
           known.size == info.st_size && known.modified.tv_sec == info.st_mtim.tv_sec &&
           known.modified.tv_nsec == info.st_mtim.tv_nsec;
}

// True when the existing file is a sound B-tree database. A garbage file must never reach
// open with create (an empty file would be overwritten) and a damaged one can make the
// library loop, so each file is checked by the library's verifier before first use.
bool bookFileIsSound(const char* name, const struct stat& info) {
    if (!S_ISREG(info.st_mode) || info.st_size == 0) return false;
    for (int i = 0; i < verifiedFileCount; i++)
        if (sameFile(verifiedFiles[i], info)) return true;
    DB* checker = nullptr;
    if (db_create(&checker, nullptr, 0) != 0) return false;
    checker->set_errcall(checker, ignoreDbMessage);
    // verify destroys the handle whatever its result.
    if (checker->verify(checker, name, nullptr, nullptr, 0) != 0) return false;
    VerifiedFile& slot = verifiedFiles[nextVerifiedSlot];
    slot = {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
    nextVerifiedSlot = (nextVerifiedSlot + 1) % VerifiedFileSlots;
    if (verifiedFileCount < VerifiedFileSlots) verifiedFileCount++;
    return true;
}

// A library record descriptor over size bytes at data.
void describeEntry(DBT* entry, void* data, uint32_t size) {
    memset(entry, 0, sizeof *entry);
    entry->data = data;
    entry->size = size;
}

} // namespace

void encodeBookInt(uint32_t value, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(value);
    bytes[1] = static_cast<unsigned char>(value >> 8);
    bytes[2] = static_cast<unsigned char>(value >> 16);
    bytes[3] = static_cast<unsigned char>(value >> 24);
}

uint32_t decodeBookInt(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

DB* openBookDatabase(const char* name, BookOpenMode mode) {
    uint32_t flags = DB_CREATE | DB_EXCL; // a new file: never reuse what is there
    if (mode != BookForBuilding) {
        struct stat info;
        if (stat(name, &info) == 0) {
            if (!bookFileIsSound(name, info)) return nullptr;
            flags = mode == BookForProbing ? DB_RDONLY : 0;
        }
    }
    DB* db = nullptr;
    if (db_create(&db, nullptr, 0) != 0) return nullptr;
    db->set_errcall(db, ignoreDbMessage);
    if (mode == BookForBuilding) {
        db->set_cachesize(db, 0, BuildCacheBytes, 1);
        db->set_bt_minkey(db, BuildMinKeysPerPage);
    }
    if (db->open(db, nullptr, name, nullptr, DB_BTREE, flags, 0664) != 0) {
        db->close(db, 0);
        return nullptr;
    }
    return db;
}

int closeBookDatabase(DB* db) {
    return db->close(db, 0);
}

int bookGet(DB* db, uint32_t key, uint32_t* value) {
    unsigned char keyBytes[4];
    encodeBookInt(key, keyBytes);
    DBT keyEntry;
    DBT dataEntry;
    describeEntry(&keyEntry, keyBytes, 4);
    describeEntry(&dataEntry, nullptr, 0);
    dataEntry.flags = DB_DBT_MALLOC;
    int result = db->get(db, nullptr, &keyEntry, &dataEntry, 0);
    if (result == DB_NOTFOUND) return 0;
    if (result != 0) return -1;
    // A record of another size is not one of ours: treat it as absent, never read past it.
    int found = dataEntry.size == 4 ? 1 : 0;
    if (found) *value = decodeBookInt(static_cast<const unsigned char*>(dataEntry.data));
    free(dataEntry.data);
    return found;
}

int bookPut(DB* db, uint32_t key, uint32_t value) {
    unsigned char keyBytes[4];
    unsigned char valueBytes[4];
    encodeBookInt(key, keyBytes);
    encodeBookInt(value, valueBytes);
    DBT keyEntry;
    DBT dataEntry;
    describeEntry(&keyEntry, keyBytes, 4);
    describeEntry(&dataEntry, valueBytes, 4);
    return db->put(db, nullptr, &keyEntry, &dataEntry, 0);
}
