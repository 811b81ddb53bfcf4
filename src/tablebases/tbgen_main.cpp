// morvane-tbgen: computes the engine's own distance-to-mate tables into a directory.
//   morvane-tbgen [--men 3|4] [--five | --only NAME] [--jobs N] [--level N] DIRECTORY
//   morvane-tbgen --verify NAME [--step N] DIRECTORY
// Without --five: every ending of 3 and 4 men (--men 3: of 3 only). With --five: those and then
// the five-men endings of 3 men against 2; --only: those and then the one ending NAME (a five-men
// one, say "krrkr"). With --five and --only the smaller tables already in the directory are read
// instead of computed again, and five-men tables already written whole are kept, so that a run
// cut short goes on where it stopped.
// --jobs N: up to N tables computed at once, each in a child process (as much memory each: up to
// about 10 GB for a five-men table with pawns); a table starts once the tables its captures and
// promotions lead into are written. The tables written are the same.
// --verify: a one-move look at the table NAME written in the directory: every N-th ordinary entry
// (default 1) and every en-passant entry of both sides, the successors read from the directory.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    std::fprintf(stderr, "usage: morvane-tbgen [--men 3|4] [--five | --only NAME] [--jobs N] [--level N] "
                         "DIRECTORY\n"
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

// Writes both sides of a computed table; the bytes written, or -1.
long writeTable(const char* directory, const TbMaterial& m, const TbGenTable& table, int level) {
    long total = 0;
    for (int side = 0; side < 2; side++) {
        char name[64], path[4200];
        tbFileName(m, side, name, sizeof name);
        std::snprintf(path, sizeof path, "%s/%s", directory, name);
        long bytes = tbWriteFile(path, m, side, table.values[side].data(), level);
        if (bytes < 0) {
            std::fprintf(stderr, "\nmorvane-tbgen: cannot write %s\n", path);
            return -1;
        }
        total += bytes;
    }
    return total;
}

// Bytes of both sides of a table as written in the directory.
long writtenBytes(const char* directory, const TbMaterial& m) {
    long total = 0;
    for (int side = 0; side < 2; side++) {
        char name[64], path[4200];
        tbFileName(m, side, name, sizeof name);
        std::snprintf(path, sizeof path, "%s/%s", directory, name);
        struct stat st;
        if (stat(path, &st) == 0) total += static_cast<long>(st.st_size);
    }
    return total;
}

void printTableLine(int t, int count, const TbMaterial& m, const TbGenStats& stats) {
    std::printf("%3d/%d %-8s %10llu positions %6.2f s  longest mate %d (White to move) "
                "%d (Black to move)\n", t + 1, count, m.name,
                static_cast<unsigned long long>(stats.positions), stats.seconds,
                stats.longestWin[0], stats.longestWin[1]);
}

enum JobState { Pending, Running, Done, Failed };

// True when every table a capture or a promotion of materials[t] leads into is done: computed
// (or kept) in this run when it is one of the run's tables, else kept or written whole before.
bool exitsReady(const TbMaterial* materials, int count, const JobState* state, int t) {
    TbMaterial targets[16];
    int n = tbGenExitMaterials(materials[t], targets, 16);
    if (n < 0) return false;
    for (int i = 0; i < n; i++) {
        int j = 0;
        while (j < count && materials[j].key != targets[i].key) j++;
        bool done = j < count ? state[j] == Done
                              : tbGenFind(targets[i].key) != nullptr || alreadyWritten(targets[i]);
        if (!done) return false;
    }
    return true;
}

// Computes the tables, up to jobs of them at once, each in a child process that inherits the
// smaller tables already read; with reuse, tables already in the directory are kept instead.
// Returns the number that failed.
int runJobs(const char* directory, const TbMaterial* materials, int count, int jobs, int level,
            bool reuse) {
    std::vector<JobState> state(count, Pending);
    std::vector<pid_t> pids(count, 0);
    auto started = std::chrono::steady_clock::now();
    uint64_t positions = 0;
    long totalBytes = 0;
    int failures = 0, running = 0, computed = 0;
    bool cannotStart = false;
    for (int t = 0; t < count && reuse; t++) {
        const TbMaterial& m = materials[t];
        if (m.men <= 4 && loadExisting(directory, m)) state[t] = Done;
        if (m.men == 5 && alreadyWritten(m)) {
            std::printf("%3d/%d %-8s kept\n", t + 1, count, m.name);
            state[t] = Done;
        }
    }
    for (;;) {
        for (int t = 0; t < count && running < jobs && !cannotStart; t++) {
            if (state[t] != Pending || !exitsReady(materials, count, state.data(), t)) continue;
            std::fflush(stdout);
            std::fflush(stderr);
            pid_t pid = fork();
            if (pid < 0) {
                std::fprintf(stderr, "morvane-tbgen: cannot start a job: %s\n", std::strerror(errno));
                cannotStart = true;
                break;
            }
            if (pid == 0) {
                TbGenStats stats;
                const TbGenTable* table = tbGenerate(materials[t], &stats);
                if (table == nullptr)
                    std::fprintf(stderr, "morvane-tbgen: %s cannot be computed (a smaller table is "
                                         "missing)\n", materials[t].name);
                int status = table == nullptr || writeTable(directory, materials[t], *table, level) < 0;
                if (status == 0) printTableLine(t, count, materials[t], stats);
                std::fflush(stdout);
                std::fflush(stderr);
                _exit(status);
            }
            pids[t] = pid;
            state[t] = Running;
            running++;
        }
        if (running == 0) break;
        int status;
        pid_t pid = wait(&status);
        if (pid < 0) break;
        int t = 0;
        while (t < count && pids[t] != pid) t++;
        if (t == count) continue;
        running--;
        pids[t] = 0;
        const TbMaterial& m = materials[t];
        // What the child wrote is read back as the next tables need it: the small ones into
        // memory, the five-men ones through the reader.
        ownTableBackend.addDirectory(directory);
        bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                  (m.men <= 4 ? loadExisting(directory, m) : alreadyWritten(m));
        state[t] = ok ? Done : Failed;
        if (!ok) {
            std::fprintf(stderr, "morvane-tbgen: %s failed\n", m.name);
            failures++;
            continue;
        }
        computed++;
        positions += 2 * m.size;
        totalBytes += writtenBytes(directory, m);
    }
    for (int t = 0; t < count; t++)
        if (state[t] == Pending) {
            std::fprintf(stderr, "morvane-tbgen: %s %s\n", materials[t].name,
                         cannotStart ? "not computed" : "cannot be computed (a smaller table is missing)");
            failures++;
        }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%d tables, %llu positions in %.1f s (%.1f s of CPU in %d jobs), %.1f MB in %s\n",
                computed, static_cast<unsigned long long>(positions), elapsed, cpu, jobs,
                static_cast<double>(totalBytes) / 1048576.0, directory);
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    bool five = false;
    const char* only = nullptr;
    const char* verify = nullptr;
    uint64_t step = 1;
    int level = 3;
    int men = 4;
    int jobs = 1;
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
        } else if (std::strcmp(argv[i], "--jobs") == 0 && i + 1 < argc) {
            jobs = std::atoi(argv[++i]);
            if (jobs < 1 || jobs > 64) {
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
        if (five || only != nullptr || jobs != 1 || !tbMaterialFromName(verify, &m)) {
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
    // through the reader, with the largest cache the engine allows. Jobs hand their tables over
    // through the files too.
    if (reuse || jobs > 1) {
        useLargestCache();
        tbGenUseFiles(true);
        ownTableBackend.addDirectory(directory);
    }
    if (jobs > 1) return runJobs(directory, materials, count, jobs, level, reuse) ? 1 : 0;
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
        long bytes = writeTable(directory, m, *table, level);
        if (bytes < 0) return 1;
        totalBytes += bytes;
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
            printTableLine(t, count, m, stats);
        std::fflush(stdout);
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s%d tables, %llu positions in %.1f s, %.1f MB in %s\n", terminal ? "\n" : "",
                count - failures, static_cast<unsigned long long>(positions), elapsed,
                static_cast<double>(totalBytes) / 1048576.0, directory);
    return failures ? 1 : 0;
}
