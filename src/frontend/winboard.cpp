// The WinBoard/console command handler: protocol commands, engine commands and moves.
//
// Commands are chosen by commandKey, the sum of the first word's character codes; the key gets
// 4000 more when the line's second character is a digit, which sends moves past every command.
//
//   key  command    key  command    key  command     key  command     key  command
//   100  d          415  hard       441  otim        547  reset       756  analyze
//   214  go         420  hash       442  exit        548  drawv       766  resignv
//   215  sd         422  edit       444  stat        559  servo       786  testpos
//   231  st         424  eval       454  post        640  xboard      852  setboard
//   321  uci        427  book       509  black       643  tbpath      874  contempt
//   322  log        430  ping/draw  512  bench       648  ponder/resign  897 protover
//   330  new        431  time       527  force       654  mperft/remove
//   432  tree       434  easy       530  offer       671  result      675  nopost
//   438  undo       536  level      545  perft/white 714  tbcache     725  diagram
#include "frontend/winboard.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/board.h"
#include "board/position.h"
#include "eval/eval.h"
#include "frontend/benchmark.h"
#include "frontend/command_line.h"
#include "frontend/frontend.h"
#include "frontend/game_commands.h"
#include "frontend/output.h"
#include "frontend/tools.h"
#include "platform/platform.h"
#include "search/control.h"
#include "search/hash.h"
#include "search/think.h"
#include "search/thinking_output.h"
#include "tablebases/tablebases.h"

#include "frontend/uci.h"

namespace {

// The fixed move time of a depth limit without a time per move: long enough never to cut it.
constexpr int DepthOnlyMoveTime = 9999999;

// The text after the command word and one blank ("" when there is none).
const char* arguments() {
    const char* space = std::strchr(commandLine, ' ');
    return space ? space + 1 : "";
}

// A "%ld" argument bounded to [low, high]; 0 when the number is missing.
int readBounded(long low, long high, long* value) {
    long number = 0;
    if (std::sscanf(arguments(), "%ld", &number) != 1) return 0;
    *value = number < low ? low : number > high ? high : number;
    return 1;
}

int isMoveShape(const char* line) {
    return std::isalpha(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isalpha(static_cast<unsigned char>(line[2])) &&
           std::isdigit(static_cast<unsigned char>(line[3]));
}

// A number of seconds with an optional decimal fraction ("0.3", "12", "2.25") as milliseconds,
// rounded to the nearest one and bounded to [0, limit] seconds; 0 when text has no number.
int readSeconds(const char* text, long limit, long* ms) {
    double seconds = 0;
    if (std::sscanf(text, "%lf", &seconds) != 1 || seconds != seconds) return 0;
    if (seconds < 0) seconds = 0;
    if (seconds > limit) seconds = static_cast<double>(limit);
    *ms = std::lround(seconds * 1000);
    return 1;
}

// level MPS BASE INC: BASE in minutes or minutes:seconds, INC in seconds; seconds may carry a
// decimal fraction. A word that does not read keeps its setting.
void levelCommand() {
    char words[3][32] = {"", "", ""};
    std::sscanf(arguments(), "%31s %31s %31s", words[0], words[1], words[2]);
    long moves = movesPerControl, minutes = baseMinutes, seconds = 0, baseMs = -1;
    std::sscanf(words[0], "%ld", &moves);
    if (char* colon = std::strchr(words[1], ':')) {
        *colon = '\0';
        long secondsMs = 0;
        if (std::sscanf(words[1], "%ld", &minutes) == 1 && readSeconds(colon + 1, 3600, &secondsMs)) {
            seconds = secondsMs / 1000;
            baseMs = secondsMs;
        }
    } else {
        std::sscanf(words[1], "%ld", &minutes);
    }
    long incMs = 0;
    // Only the increment's presence matters to the search; a fraction of a second still counts.
    long inc = readSeconds(words[2], 3600, &incMs) ? (incMs + 999) / 1000 : increment;
    // Bounds keep every clock product inside an int.
    if (moves < 0) moves = 0;
    if (moves > 10000) moves = 10000;
    if (minutes < 0) minutes = 0;
    if (minutes > 30000) minutes = 30000;
    if (seconds < 0) seconds = 0;
    if (seconds > 3600) seconds = 3600;
    if (baseMs < 0) baseMs = seconds * 1000;
    timeLeft = opponentTimeLeft = static_cast<int>(minutes * 60000 + baseMs);
    baseSeconds = static_cast<int>(seconds);
    movesPerControl = static_cast<int>(moves);
    baseMinutes = static_cast<int>(minutes);
    increment = static_cast<int>(inc);
    movesToGo = movesPerControl;
    fixedMoveTime = 0;
    savedDepthLimit = depthLimit = 50;
}

// 1 when the position can be played; otherwise the illegal-position reply and 0.
int playableOrReport() {
    if (positionIsPlayable()) return 1;
    ReportIllegalPosition();
    return 0;
}

void goCommand() {
    if (forceMode) {
        if (whiteMovesPlayed) fullMoveNumber = board.sideToMove + whiteMovesPlayed;
        whiteMovesPlayed = blackMovesPlayed = 0;
        forceMode = 0;
    }
    // A refused position is never searched: the interface is told instead of left waiting.
    if (!playableOrReport()) return;
    moveRequested = 1;
    gameStarted = 1;
}

void sideCommand(int side) {
    board.sideToMove = side;
    otherSideFlag = side == White ? 0 : 1;
    int played = side == White ? whiteMovesPlayed : blackMovesPlayed;
    if (forceMode && played && movesPerControl) movesToGo = movesPerControl - played;
}

void analyzeCommand() {
    if (!playableOrReport()) return;
    savedDepthLimit = depthLimit;
    infiniteAnalysis = 1;
    moveTimeBudget = 999999;
    Think();
    gameStarted = 0;
}

void resetCommand() {
    if (clearAtReset) {
        ClearHashTables();
        ClearPawnHash();
        clearAtReset = 0;
    }
    if (logEnabled && gameStarted) {
        if (logFile) CloseLog("");
        OpenLog();
    }
    gameStarted = resignCounter = drawCounter = rootScore = lastScore = learnRecorded = 0;
    hashStores = 0;
    bookMisses = 0;
}

void setboardCommand() {
    forceMode = 1;
    if (std::strlen(commandLine) < 9) return;
    setupFromFen(commandLine + 9);
    board.historyIndex = 0;
    setupIndex = gameIndex;
    playableOrReport();
}

void enterUciMode() {
    uciMode = 1;
    promptOff = 1;
    showBoard = 0;
    ignoreInterruptSignal();
    PrintUciReply();
}

void twoNumbers(int* first, int* second) { std::sscanf(arguments(), "%d %d", first, second); }

} // namespace

void WinBoardCommand() {
    long value = 0;
    int key = commandKey;
    if (commandLine[0] && std::isdigit(static_cast<unsigned char>(commandLine[1]))) key += 4000;
    switch (key) {
    case 640: // xboard
        xboardMode = promptOff = 1;
        showBoard = 0;
        ignoreInterruptSignal();
        Print("\n");
        break;
    case 897: // protover
        Print("feature setboard=1 analyze=1 draw=1 reuse=1 ping=1\n");
        Print("feature myname=\"%s %s\" done=1\n", engineName, engineVersion);
        break;
    case 330: NewGame(adapterMode); break;                   // new
    case 527: // force
        pendingLine = 0;
        forceMode = 1;
        break;
    case 214: goCommand(); break;                            // go (and tb)
    case 545:                                                // white or perft
        if (commandLine[0] == 'w') sideCommand(White);
        else if (std::sscanf(arguments(), "%ld", &value) == 1 && playableOrReport())
            PerftReport(static_cast<int>(value), 0);
        break;
    case 509: sideCommand(Black); break;
    case 536: levelCommand(); break;
    case 231: // st: seconds per move, to the millisecond
        if (readSeconds(arguments(), 2000000, &value)) fixedMoveTime = moveTimeBudget = static_cast<int>(value);
        break;
    case 215: // sd: a depth limit; alone it needs an unlimited budget, beside st it keeps st's
        if (readBounded(1, 50, &value)) {
            savedDepthLimit = depthLimit = static_cast<int>(value);
            if (fixedMoveTime == 0 || fixedMoveTime == DepthOnlyMoveTime)
                fixedMoveTime = moveTimeBudget = DepthOnlyMoveTime;
        }
        break;
    case 431: // time
        if (readBounded(0, INT_MAX / 10, &value)) timeLeft = opponentTimeLeft = static_cast<int>(value) * 10;
        break;
    case 441: // otim
        if (readBounded(0, INT_MAX / 10, &value)) opponentTimeLeft = static_cast<int>(value) * 10;
        break;
    case 430: // ping or draw
        if (commandLine[0] == 'p') {
            int number = 0;
            if (std::sscanf(arguments(), "%d", &number) == 1) Print("pong %d\n", number);
        } else {
            DrawOffer();
        }
        break;
    case 530: DrawOffer(); break;                            // offer
    case 671: ResultCommand(arguments()); break;             // result
    case 852: setboardCommand(); break;
    case 422: // edit
        EditMode();
        if (!endOfInput) playableOrReport();
        break;
    case 438: TakeBack(1); break;                            // undo
    case 654:                                                // mperft or remove
        if (commandLine[0] == 'm') {
            if (std::sscanf(arguments(), "%ld", &value) == 1 && playableOrReport())
                PerftReport(static_cast<int>(value), 1);
        } else {
            TakeBack(2);
        }
        break;
    case 415: ponderEnabled = 1; break;                      // hard
    case 434: ponderEnabled = 0; break;                      // easy
    case 454: postThinking = 1; break;                       // post (and stop)
    case 675: postThinking = 0; break;                       // nopost
    case 756: analyzeCommand(); break;
    case 442: // exit
        infiniteAnalysis = 0;
        moveTimeBudget = 0;
        depthLimit = savedDepthLimit;
        clearAtReset = clearHashEachMove;
        break;
    case 321: enterUciMode(); break;
    case 100:                                                // d
    case 725: showBoard ^= 1; break;                         // diagram
    case 547: resetCommand(); break;
    case 648:                                                // ponder or resign
        if (commandLine[0] == 'p') {
            PonderCommand(arguments());
        } else {
            pendingLine = 0;
            gameResultCode = 6;
        }
        break;
    case 548: twoNumbers(&drawMoveNumber, &drawMoves); break;  // drawv
    case 766: twoNumbers(&resignScore, &resignMoves); break;   // resignv
    case 874: std::sscanf(arguments(), "%d", &contempt); break;
    case 420: // hash: the tables change, the configured size stays
        if (std::sscanf(arguments(), "%ld", &value) == 1) {
            int configured = hashMegabytes;
            ResizeHashTables(value);
            hashMegabytes = configured;
        }
        break;
    case 643: { // tbpath
        const char* word = arguments();
        word += std::strspn(word, " \t");
        const size_t length = std::strcspn(word, " \t\r\n");
        if (length > 0) {
            SetTbPath(word, length);
            InitTablebases(2);
        }
        break;
    }
    case 714: // tbcache
        if (readBounded(0, MaxTbCacheMegabytes, &value)) {
            tbCacheBytes = value * 1048576;
            InitTablebases(1);
        }
        break;
    case 322: // log: nonzero with no log open starts one
        if (readBounded(-1000000, 1000000, &value)) {
            logEnabled = static_cast<int>(std::labs(value));
            if (logEnabled && !logFile) OpenLog();
        }
        break;
    case 427: BookCommand(arguments()); break;
    case 424: // eval
        if (playableOrReport()) Print("Score: %ld\n\n", static_cast<long>(evaluate(-30000, 30000)));
        break;
    case 786: // testpos
        if (playableOrReport()) Print("Evaluation score=%i\n", evaluate(-30000, 30000));
        break;
    case 444: PrintStatistics(); break;                      // stat (and list)
    case 432: // tree
        if (playableOrReport()) treeCommand();
        break;
    case 512: // bench
        benchmarkMode = 1;
        RunBenchmark();
        benchmarkMode = 0;
        break;
    case 559: // servo: driven by an adapter
        adapterMode = xboardMode = promptOff = 1;
        showBoard = 0;
        break;
    default:
        if (isMoveShape(commandLine)) EnterMove(commandLine);
        break;
    }
}
