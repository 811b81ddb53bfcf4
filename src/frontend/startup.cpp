// Start-up: the configuration file, the banner, the tables and the initial game; and quitting.
#include "frontend/startup.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/position.h"
#include "board/tables.h"
#include "book/book.h"
#include "eval/eval.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"
#include "tablebases/tablebases.h"

namespace {

const char* const bannerLines[15] = {
    "    ####    ####    ####    ####    ####    ####",
    "    ####    ####    ####    ####    ####    ####",
    "################################################",
    "################################################",
    "################################################",
    "    # ##    ##   ######   #######   ##    ##    ####    ##    ##  ########  #",
    "   # ###  ###  ##    ##  ##    ##  ##    ##   ##  ##   ###   ##  ##        #",
    "   # ########  ##    ##  ##    ##  ##    ##  ##    ##  ####  ##  ##        #",
    "   # ## ## ##  ##    ##  ##    ##  ##    ##  ##    ##  ## ## ##  ##        #",
    "  # ##    ##  ##    ##  #######   ##    ##  ########  ## ## ##  ######    #",
    "  # ##    ##  ##    ##  ## ##      ##  ##   ##    ##  ##  ####  ##        #",
    "  # ##    ##  ##    ##  ##  ##     ##  ##   ##    ##  ##   ###  ##        #",
    " # ##    ##  ##    ##  ##   ##     ####    ##    ##  ##    ##  ##        #",
    " # ##    ##  ##    ##  ##    ##    ####    ##    ##  ##    ##  ##        #",
    " # ##    ##   ######   ##    ##     ##     ##    ##  ##    ##  ########  #",
};

const char* const Section = "Preferences";

// Reads "%d %d" from a configuration text; a field that does not parse keeps its value.
void readTwoNumbers(const char* path, const char* key, const char* defaultText, int* first,
                    int* second) {
    char text[256];
    iniReadString(path, Section, key, defaultText, text, sizeof text);
    std::sscanf(text, "%d %d", first, second);
}

// What quitting does to the files: the game log finished, "process.out" written.
void finishLogFiles() {
    if (logEnabled) {
        if (logFile) CloseLog("");
        WriteProcessOut();
    }
}

// An interface that ends the engine with SIGTERM right after "quit" (xboard does) must not lose
// the end of the game log: finish the files as quitting does, then exit.
void terminationHandler(int) {
    finishLogFiles();
    _exit(0);
}

// The engine's fatal ends (a table it cannot allocate, a book it cannot create) leave the files
// finished as quitting does; after quit no log is left open and this does nothing.
void finishFilesAtExit() {
    if (logFile) finishLogFiles();
}

void blockTermination() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

} // namespace

bool ReadConfiguration() {
    char directory[sizeof baseDirectory - 2];
    if (!getcwd(directory, sizeof directory)) std::strcpy(directory, ".");
    std::snprintf(baseDirectory, sizeof baseDirectory, "%s/", directory);
    char path[sizeof baseDirectory + 16];
    std::snprintf(path, sizeof path, "%s%s.cfg", baseDirectory, engineName);

    long hashSize = iniReadInt(path, Section, "Hash Size", 64);
    selectHashRow(hashSize);
    hashMegabytes = hashRowMegabytes(hashSize);
    long pawnMegabytes = iniReadInt(path, Section, "PHash Size", 8);
    long pawnPower = 1;
    while (pawnPower <= 256 && pawnPower * 2 <= pawnMegabytes) pawnPower *= 2;
    selectPawnHashMegabytes(pawnPower);
    clearHashEachMove = iniReadInt(path, Section, "Keep Hash Tables", 1) ^ 1;
    long cacheMegabytes = iniReadInt(path, Section, "TB Cache", 0);
    // Held within the range the tbcache command takes: a slip in the file must not end the
    // engine before it has read a command.
    if (cacheMegabytes > MaxTbCacheMegabytes) cacheMegabytes = MaxTbCacheMegabytes;
    tbCacheBytes = cacheMegabytes > 0 ? cacheMegabytes * 1048576 : 0;
    char tablePath[4096];
    iniReadString(path, Section, "TB Path", "Z:\\TBs", tablePath, sizeof tablePath);
    SetTbPath(tablePath, std::strlen(tablePath));
    contempt = iniReadInt(path, Section, "Contempt Value", 1);
    readTwoNumbers(path, "Draw", "40    3", &drawMoveNumber, &drawMoves);
    readTwoNumbers(path, "Resign Value", "-30000   3", &resignScore, &resignMoves);
    iniReadString(path, Section, "Book Mode", "Tournament", bookModeText, sizeof bookModeText);
    if (bookModeText[0] == 'N') bookTournament = 0;
    int noise = static_cast<int8_t>(iniReadInt(path, Section, "Noise", 4));
    noiseDepth = noise < 2 ? 2 : noise > 6 ? 6 : noise;
    showCurrentMove = iniReadInt(path, Section, "Show Current Move", 0);
    logEnabled = iniReadInt(path, Section, "Log File", 0);

    mkdir("Logs", 0777);
    ReadProcessOut();
    if (logEnabled) {
        showCurrentMove = 0;
        OpenLog();
    }

    FILE* file = std::fopen(path, "r");
    if (!file) return false;
    std::fclose(file);
    return true;
}

void PrintBanner() {
    Print("\n");
    for (const char* line : bannerLines) Print("%s\n", line);
    Print("\nby %s, %s\n", engineAuthor, engineCountry);
    Print("Version %s %s\n\n", engineVersion, engineDate);
}

void StartUp() {
    initPlatform();
    struct sigaction action {};
    action.sa_handler = terminationHandler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) exitHandlerSet = std::atexit(finishFilesAtExit) == 0;
    bool found = ReadConfiguration();
    PrintBanner();
    if (found) Print("Found %s.cfg!\n", engineName);
    else Print("%s.cfg couldn't be found!\n", engineName);
    AllocateHashTables(1);
    AllocatePawnHash(1);
    InitTablebases(0);
    InitFrontEndState();
    initBoardTables();
    initAttackTables();
    initEvalTables();
    StartNewGame();
    ClearHashTables();
    ClearPawnHash();
}

void QuitEngine() {
    blockTermination(); // the log is being finished here already
    finishLogFiles();
    FreeHashTables();
    FreePawnHash();
}
