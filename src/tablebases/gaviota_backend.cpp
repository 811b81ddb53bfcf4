// Tables read through Debian's probing library. The library takes whole directories and trusts
// every file in them (a truncated file or a broken header makes it read out of bounds), so the
// backend checks each file itself and shows the library only a private directory of links to the
// files that passed, one per material, the first directory of the list winning.
//
// What the library needs handled (found by probing it):
// - it probes nothing until its cache exists, and a table probed before that fails for good
//   until the next restart: the cache is set up right after every (re)start, before any probe;
// - its cache outlives a restart and answers from files no longer on its path: flushed, so that
//   a table replaced under the same name is read afresh;
// - a probe after shutting it down crashes: it is started once and only restarted afterwards.
#include "tablebases/gaviota_backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtb-probe.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char Suffix[] = ".gtb.cp4";
constexpr size_t SuffixLength = sizeof Suffix - 1;
// Every table of up to five men fits with room to spare.
constexpr int MaxTables = 512;
// Men of a table file name: two kings and at most four others.
constexpr int MaxNameMen = 6;
// The cache used when none is asked for: the library probes nothing without one.
constexpr long OwnCacheBytes = 1L << 20;
// Offsets after the 40-byte header: the first one is where the blocks start, as the header's
// word at byte 32 repeats.
constexpr long OffsetsStart = 40;
constexpr long BlocksStartCopy = 32;

struct Table {
    int counts[10];
    char name[16];
};

Table tables[MaxTables];
int tableCount = 0;
// The links live in /tmp/morvane_tb_<process id>_XXXXXX.
constexpr char LinkPrefix[] = "morvane_tb_";
char linkDirectory[64] = "";
pid_t linkOwner = 0;
const char** libraryPaths = nullptr;
bool libraryStarted = false;
// The links changed since the library last read them.
bool libraryStale = true;
long cacheBytes = OwnCacheBytes;
bool cacheStarted = false;

int readWord(int fd, long offset, uint32_t* word) {
    unsigned char bytes[4];
    if (pread(fd, bytes, 4, offset) != 4) return 0;
    *word = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return 1;
}

// Counts of a file name's material ("kqkr" -> one White queen, one Black rook); 0 when the name
// is not one of a table.
int parseMaterial(const char* name, size_t length, int counts[10]) {
    static const char Letters[] = "pnbrq";
    std::memset(counts, 0, 10 * sizeof(int));
    if (length < 3 || length > MaxNameMen || name[0] != 'k') return 0;
    int side = 0;
    for (size_t i = 1; i < length; i++) {
        if (name[i] == 'k') {
            if (side == 1) return 0;
            side = 1;
            continue;
        }
        const char* letter = std::strchr(Letters, name[i]);
        if (letter == nullptr || name[i] == '\0') return 0;
        counts[side * 5 + static_cast<int>(letter - Letters)]++;
    }
    return side == 1;
}

int menOf(const int counts[10]) {
    int men = 2;
    for (int i = 0; i < 10; i++) men += counts[i];
    return men;
}

int findTable(const int counts[10]) {
    for (int i = 0; i < tableCount; i++)
        if (std::memcmp(tables[i].counts, counts, sizeof tables[i].counts) == 0) return i;
    return -1;
}

void removeLinks() {
    for (int i = 0; i < tableCount; i++) {
        char link[96];
        std::snprintf(link, sizeof link, "%s/%s", linkDirectory, tables[i].name);
        unlink(link);
    }
    tableCount = 0;
}

// At exit; a forked child leaves its parent's links alone.
void removeLinkDirectory() {
    if (getpid() != linkOwner) return;
    removeLinks();
    if (linkDirectory[0] != '\0') rmdir(linkDirectory);
}

// Removes the link directories of engines that ended without their exit handlers (killed):
// their names carry the process id.
void removeStaleLinkDirectories() {
    DIR* listing = opendir("/tmp");
    if (listing == nullptr) return;
    while (const dirent* entry = readdir(listing)) {
        if (std::strncmp(entry->d_name, LinkPrefix, sizeof LinkPrefix - 1) != 0) continue;
        char* end = nullptr;
        long pid = std::strtol(entry->d_name + sizeof LinkPrefix - 1, &end, 10);
        if (pid <= 0 || *end != '_' || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        char stale[300];
        std::snprintf(stale, sizeof stale, "/tmp/%s", entry->d_name);
        if (DIR* links = opendir(stale)) {
            while (const dirent* link = readdir(links)) {
                char name[600];
                struct stat info;
                std::snprintf(name, sizeof name, "%s/%s", stale, link->d_name);
                if (lstat(name, &info) == 0 && S_ISLNK(info.st_mode)) unlink(name);
            }
            closedir(links);
        }
        rmdir(stale);
    }
    closedir(listing);
}

int makeLinkDirectory() {
    if (linkDirectory[0] != '\0') return 1;
    removeStaleLinkDirectories();
    char pattern[64];
    std::snprintf(pattern, sizeof pattern, "/tmp/%s%ld_XXXXXX", LinkPrefix, static_cast<long>(getpid()));
    if (mkdtemp(pattern) == nullptr) return 0;
    std::snprintf(linkDirectory, sizeof linkDirectory, "%s", pattern);
    linkOwner = getpid();
    std::atexit(removeLinkDirectory);
    return 1;
}

// Starts or restarts the library on the links when they changed; 1 when it has tables to probe.
int readyLibrary() {
    if (tableCount == 0) return 0;
    if (!libraryStale) return 1;
    if (libraryPaths == nullptr) libraryPaths = tbpaths_add(tbpaths_init(), linkDirectory);
    if (libraryPaths == nullptr) return 0;
    if (libraryStarted) {
        tb_restart(0, tb_CP4, libraryPaths);
    } else {
        tb_init(0, tb_CP4, libraryPaths);
        libraryStarted = true;
    }
    if (cacheStarted) {
        tbcache_flush();
    } else {
        cacheStarted = tbcache_init(static_cast<size_t>(cacheBytes), 0) != 0;
        if (!cacheStarted) return 0;
    }
    libraryStale = false;
    return 1;
}

void reset() {
    removeLinks();
    libraryStale = true;
}

int addDirectory(const char* directory) {
    DIR* listing = opendir(directory);
    if (listing == nullptr) return 0;
    int most = 0;
    while (const dirent* entry = readdir(listing)) {
        const char* name = entry->d_name;
        size_t length = std::strlen(name);
        if (length <= SuffixLength || std::strcmp(name + length - SuffixLength, Suffix) != 0) continue;
        int counts[10];
        if (!parseMaterial(name, length - SuffixLength, counts)) continue;
        char path[PATH_MAX];
        if (std::snprintf(path, sizeof path, "%s/%s", directory, name) >= static_cast<int>(sizeof path))
            continue;
        if (!gaviotaFileIsSound(path)) continue;
        int men = menOf(counts);
        if (men > most) most = men;
        if (findTable(counts) >= 0 || tableCount == MaxTables || !makeLinkDirectory()) continue;
        Table& table = tables[tableCount];
        std::memcpy(table.counts, counts, sizeof table.counts);
        // The name's length was bounded by its material and suffix above.
        std::memcpy(table.name, name, std::min(length + 1, sizeof table.name));
        table.name[sizeof table.name - 1] = '\0';
        char link[PATH_MAX];
        std::snprintf(link, sizeof link, "%s/%s", linkDirectory, name);
        unlink(link);
        if (symlink(path, link) != 0) continue;
        tableCount++;
        libraryStale = true;
    }
    closedir(listing);
    return most;
}

// The library keeps its own cache: only the size is taken.
void setCache(void*, long bytes) {
    cacheBytes = bytes > 0 ? bytes : OwnCacheBytes;
    if (cacheStarted) cacheStarted = tbcache_restart(static_cast<size_t>(cacheBytes), 0) != 0;
}

long bytesUsed() { return readyLibrary() ? static_cast<long>(tb_indexmemory()) : 0; }

int hasTable(const int counts[10], int side) { return (side == 0 || side == 1) && findTable(counts) >= 0; }

// The library's lists: squares and types ended by its terminators; 0 when the list is unusable.
int fillList(const TbPieceList* list, unsigned squares[7], unsigned char types[7], int counts[5]) {
    if (list->count < 1 || list->count > 4 || list->types[0] != TbKing) return 0;
    for (int i = 0; i < list->count; i++) {
        int type = list->types[i];
        if (list->squares[i] < 0 || list->squares[i] > 63 || type < TbPawn || type > TbKing) return 0;
        if ((type == TbKing) != (i == 0)) return 0;
        if (type != TbKing) counts[type - 1]++;
        squares[i] = static_cast<unsigned>(list->squares[i]);
        types[i] = static_cast<unsigned char>(type);
    }
    squares[list->count] = tb_NOSQUARE;
    types[list->count] = tb_NOPIECE;
    return 1;
}

int probe(const TbPieceList* white, const TbPieceList* black, int side, int epSquare) {
    unsigned whiteSquares[7], blackSquares[7];
    unsigned char whiteTypes[7], blackTypes[7];
    int counts[10] = {};
    if (side != 0 && side != 1) return TbNoValue;
    if (!fillList(white, whiteSquares, whiteTypes, counts) || !fillList(black, blackSquares, blackTypes, counts + 5))
        return TbNoValue;
    if (findTable(counts) < 0 || !readyLibrary()) return TbNoValue;
    unsigned ep = tb_NOSQUARE;
    if (epSquare >= 0 && epSquare < 64) ep = static_cast<unsigned>(epSquare);
    unsigned info = tb_UNKNOWN, plies = 0;
    if (!tb_probe_hard(static_cast<unsigned>(side), ep, tb_NOCASTLE, whiteSquares, blackSquares, whiteTypes,
                       blackTypes, &info, &plies))
        return TbNoValue;
    if (info == tb_DRAW) return 0;
    if (info != tb_WMATE && info != tb_BMATE) return TbNoValue;
    // Distances come in plies: odd when the winner is to move, even when the loser is. Any
    // other parity, or a distance no table holds, means a damaged block.
    const bool moverWins = (info == tb_WMATE) == (side == 0);
    if (plies > 2000 || (plies % 2 == 1) != moverWins) return TbNoValue;
    if (moverWins) return 32767 - static_cast<int>((plies + 1) / 2);
    return -32766 + static_cast<int>(plies / 2);
}

} // namespace

int gaviotaFileIsSound(const char* path) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) return 0;
    struct stat info;
    int sound = 0;
    uint32_t first = 0, copy = 1;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size < INT32_MAX &&
        readWord(fd, OffsetsStart, &first) && readWord(fd, BlocksStartCopy, &copy) && copy == first &&
        first >= OffsetsStart + 8 && (first - OffsetsStart) % 4 == 0 &&
        first <= info.st_size) {
        const long offsets = (first - OffsetsStart) / 4;
        uint32_t previous = first, offset = first;
        sound = 1;
        for (long i = 1; i < offsets && sound; i++) {
            sound = readWord(fd, OffsetsStart + 4 * i, &offset) && offset > previous;
            previous = offset;
        }
        sound = sound && offset == info.st_size;
    }
    close(fd);
    return sound;
}

const TbBackend gaviotaBackend = {
    "gaviota", reset, addDirectory, setCache, bytesUsed, hasTable, probe,
};
