// morvane-tbgen: computes the engine's own distance-to-mate tables into a directory.
//   morvane-tbgen [--men 3|4] [--five | --only NAME] [--level N] DIRECTORY
//   morvane-tbgen --verify NAME [--step N] DIRECTORY
// Without --five: every ending of 3 and 4 men (--men 3: of 3 only). With --five: those and then
// the five-men endings of 3 men against 2; --only: those and then the one ending NAME (a five-men
// one, say "krrkr"). With --five and --only the smaller tables already in the directory are read
// instead of computed again, and five-men tables already written whole are kept, so that a run
// cut short goes on where it stopped.
// --verify: a one-move look at the table NAME written in the directory: every N-th ordinary entry
// (default 1) and every en-passant entry of both sides, the successors read from the directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <vector>

#include "tablebases/own_tables.h"
#include "tablebases/tb_file.h"
#include "tablebases/tb_generator.h"

namespace {

int makeDirectories(const char* path) {
    char buffer[4096];
    if (std::snprintf(buffer, sizeof buffer, "%s", path) >= static_cast<int>(sizeof buffer)) return -1;
    for (char* p = buffer + 1; *p; p++) {
        if (*p != '/') continue;
        *p = 0;
        if (mkdir(buffer, 0755) != 0 && errno != EEXIST) return -1;
        *p = '/';
    }
    return mkdir(buffer, 0755) != 0 && errno != EEXIST ? -1 : 0;
}

void usage() {
    std::fprintf(stderr, "usage: morvane-tbgen [--men 3|4] [--five | --only NAME] [--level N] DIRECTORY\n"
                         "       morvane-tbgen --verify NAME [--step N] DIRECTORY\n");
}

// Reads both sides of a table from the directory into the generator's kept tables.
bool loadExisting(const char* directory, const TbMaterial& m) {
    TbGenTable table;
    table.material = m;
    for (int side = 0; side < 2; side++) {
        char name[64], path[4200];
        tbFileName(m, side, name, sizeof name);
        std::snprintf(path, sizeof path, "%s/%s", directory, name);
        table.values[side].assign(m.size, 0);
        if (!tbLoadFile(path, m, side, table.values[side].data())) return false;
    }
    tbGenAdd(std::move(table));
    return true;
}

// Tables read back through the reader get the largest cache the engine allows.
void useLargestCache() {
    static std::vector<int16_t> cache(static_cast<size_t>(256) << 19, 0);
    ownTableBackend.setCache(cache.data(), static_cast<long>(cache.size() * sizeof(int16_t)));
}

// True when both sides of a table are registered with the file reader (written whole and sound).
bool alreadyWritten(const TbMaterial& m) {
    int counts[10] = {0};
    for (int i = 2; i < m.men; i++) counts[(m.colours[i] ? 5 : 0) + m.types[i] - 1]++;
    return ownTableBackend.hasTable(counts, 0) && ownTableBackend.hasTable(counts, 1);
}

// Checks a written table against its successors; 0 when every entry looked at is consistent.
int verifyTable(const char* directory, const TbMaterial& m, uint64_t step) {
    ownTableBackend.addDirectory(directory);
    if (!loadExisting(directory, m)) {
        std::fprintf(stderr, "morvane-tbgen: %s is not in %s whole\n", m.name, directory);
        return 1;
    }
    const TbGenTable* table = tbGenFind(m.key);
    uint64_t wrong = 0;
    for (int side = 0; side < 2; side++) {
        uint64_t plain = 0, passant = 0;
        wrong += tbVerify(*table, side, 0, m.baseSize - 1, step, ownTableBackend.probe, &plain);
        if (m.epRegions)
            wrong += tbVerify(*table, side, m.baseSize, m.size - 1, 1, ownTableBackend.probe, &passant);
        std::printf("%s %s to move: %llu positions and %llu en-passant positions looked at\n", m.name,
                    side == 0 ? "White" : "Black", static_cast<unsigned long long>(plain),
                    static_cast<unsigned long long>(passant));
    }
    std::printf("%s: %llu values differ from what their successors give\n", m.name,
                static_cast<unsigned long long>(wrong));
    return wrong == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    bool five = false;
    const char* only = nullptr;
    const char* verify = nullptr;
    uint64_t step = 1;
    int level = 3;
    int men = 4;
    const char* directory = nullptr;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--five") == 0) {
            five = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--verify") == 0 && i + 1 < argc) {
            verify = argv[++i];
        } else if (std::strcmp(argv[i], "--step") == 0 && i + 1 < argc) {
            step = std::strtoull(argv[++i], nullptr, 10);
            if (step == 0) {
                usage();
                return 2;
            }
        } else if (std::strcmp(argv[i], "--men") == 0 && i + 1 < argc) {
            men = std::atoi(argv[++i]);
            if (men != 3 && men != 4) {
                usage();
                return 2;
            }
        } else if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
            level = std::atoi(argv[++i]);
        } else if (argv[i][0] == '-' || directory != nullptr) {
            usage();
            return 2;
        } else {
            directory = argv[i];
        }
    }
    TbMaterial single{};
    if (directory == nullptr || (only != nullptr && (five || !tbMaterialFromName(only, &single)))) {
        usage();
        return 2;
    }
    if (verify != nullptr) {
        TbMaterial m{};
        if (five || only != nullptr || !tbMaterialFromName(verify, &m)) {
            usage();
            return 2;
        }
        useLargestCache();
        return verifyTable(directory, m, step);
    }
    if (makeDirectories(directory) != 0) {
        std::fprintf(stderr, "morvane-tbgen: cannot create %s: %s\n", directory, std::strerror(errno));
        return 1;
    }
    static TbMaterial materials[512];
    int count = tbGenMaterials(men, 0, materials, 512);
    if (five && men == 4) count += tbGenMaterials(5, 5, materials + count, 512 - count);
    if (only != nullptr && single.men > men) materials[count++] = single;
    bool reuse = five || only != nullptr;
    // Five-men tables are too large to keep: once written they are read back from their files
    // through the reader, with the largest cache the engine allows.
    if (reuse) {
        useLargestCache();
        tbGenUseFiles(true);
        ownTableBackend.addDirectory(directory);
    }
    bool terminal = isatty(STDOUT_FILENO);
    auto started = std::chrono::steady_clock::now();
    uint64_t positions = 0;
    long totalBytes = 0;
    int failures = 0;
    for (int t = 0; t < count; t++) {
        const TbMaterial& m = materials[t];
        if (reuse && m.men <= 4 && loadExisting(directory, m)) continue;
        if (reuse && m.men == 5 && alreadyWritten(m)) {
            if (!terminal) std::printf("%3d/%d %-8s kept\n", t + 1, count, m.name);
            continue;
        }
        TbGenStats stats;
        const TbGenTable* table = tbGenerate(m, &stats);
        if (table == nullptr) {
            std::fprintf(stderr, "\nmorvane-tbgen: %s cannot be computed (a smaller table is "
                                 "missing)\n", m.name);
            failures++;
            continue;
        }
        positions += stats.positions;
        for (int side = 0; side < 2; side++) {
            char name[64], path[4200];
            tbFileName(m, side, name, sizeof name);
            std::snprintf(path, sizeof path, "%s/%s", directory, name);
            long bytes = tbWriteFile(path, m, side, table->values[side].data(), level);
            if (bytes < 0) {
                std::fprintf(stderr, "\nmorvane-tbgen: cannot write %s\n", path);
                return 1;
            }
            totalBytes += bytes;
        }
        if (reuse && m.men == 5) {
            tbGenForget(m.key);
            ownTableBackend.addDirectory(directory);
        }
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        double rate = elapsed > 0 ? static_cast<double>(positions) / elapsed : 0;
        if (terminal)
            std::printf("\r%3d/%d tables  %-8s %6.1f s  %5.1f M positions/s  ", t + 1, count,
                        m.name, elapsed, rate / 1e6);
        else
            std::printf("%3d/%d %-8s %10llu positions %6.2f s  longest mate %d (White to move) "
                        "%d (Black to move)\n", t + 1, count, m.name,
                        static_cast<unsigned long long>(stats.positions), stats.seconds,
                        stats.longestWin[0], stats.longestWin[1]);
        std::fflush(stdout);
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s%d tables, %llu positions in %.1f s, %.1f MB in %s\n", terminal ? "\n" : "",
                count - failures, static_cast<unsigned long long>(positions), elapsed,
                static_cast<double>(totalBytes) / 1048576.0, directory);
    return failures ? 1 : 0;
}
