// The UCI handler. Lines are chosen by commandKey alone, the sum of the first word's codes:
//
//   key   command      effect
//   214   go           search parameters; the loop runs Think and prints "bestmove"
//   454   stop         ends pondering ("bestmove" of the ponder search) and analysis
//   519   debug        on / off: statistics and planning lines as "info string"
//   753   isready      "readyok"
//   885   position     startpos or fen, with a move list; detects a new game
//   973   ponderhit    the expected reply came: search on the engine's own time
//   997   setoption    the options printed in the reply to "uci"
//   1061  ucinewgame   log rotation
//
// "uci" itself is handled by the WinBoard handler, which switches modes and calls PrintUciReply;
// "quit" is the loop's. Any other key is ignored.
#include "frontend/uci.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/makemove.h"
#include "board/notation.h"
#include "board/position.h"
#include "book/book.h"
#include "frontend/command_line.h"
#include "frontend/frontend.h"
#include "frontend/output.h"
#include "search/control.h"
#include "search/hash.h"
#include "tablebases/tablebases.h"

int uciClearPending = 0;
int uciNewGameSeen = 0;
int uciRotateArmed = 0;
int lastPositionLength = 0;
int16_t previousMovesToGo = 0;
int uciPonderIdle = 0;
int uciAwaitStop = 0;

namespace {

// Length of "position startpos moves e2e4": what a bare "position startpos" counts as.
constexpr int BarePositionLength = 28;
// A continued game adds at most two moves of up to six characters to the previous line.
constexpr int ContinuationGrowth = 12;
// A FEN's move number that puts the game index beyond this is brought down to it, so that the
// game record keeps room for the moves and the search that follow.
constexpr int FenIndexLimit = 300;

using Words = std::vector<std::string>;

// The blank-separated words of text.
Words splitWords(const char* text) {
    Words words;
    std::string word;
    for (const char* p = text; *p; p++) {
        if (*p == ' ' || *p == '\t') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

// The whole word as a decimal integer (optional sign), clamped to [low, high]; 0 when the word
// is not a number.
int readNumber(const std::string& word, long low, long high, long* value) {
    if (word.empty()) return 0;
    errno = 0;
    char* end = nullptr;
    long long number = std::strtoll(word.c_str(), &end, 10);
    if (end == word.c_str() || *end != '\0') return 0;
    if (errno == ERANGE) number = number < 0 ? low : high;
    *value = number < low ? low : number > high ? high : static_cast<long>(number);
    return 1;
}

// The value word after words[*at], when there is one and it is a number: *at moves onto it.
// A missing or non-numeric value leaves everything as it was.
int takeValue(const Words& words, size_t* at, long low, long high, long* value) {
    if (*at + 1 >= words.size() || !readNumber(words[*at + 1], low, high, value)) return 0;
    (*at)++;
    return 1;
}

// White is to move exactly when both sides have played the same number of moves.
bool whiteToMove() { return whiteMovesPlayed == blackMovesPlayed; }

// A new game's tables: main hash tables and pawn hash.
void clearTables() {
    ClearHashTables();
    ClearPawnHash();
}

// Plays the coordinate moves of words from index first on. A word that is not a legal move
// ends the list there, and so does a full game record.
void applyMoveList(const Words& words, size_t first) {
    if (!ownBook) bookPly = 70;
    Move last = 0;
    for (size_t i = first; i < words.size(); i++) {
        Move m = 0;
        if (gameIndex >= LastRecordedMove || words[i].size() > 5 ||
            !findCoordinateMove(words[i].c_str(), &m))
            break;
        gameIndex++;
        bookPly++;
        makeMove(m);
        board.historyIndex = 0; // there is no take-back under UCI: keep the undo stack empty
        gameKeys[gameIndex] = board.hashKey;
        otherSideFlag ^= 1;
        if (otherSideFlag == 1) whiteMovesPlayed++;
        else blackMovesPlayed++;
        last = m;
    }
    lastMoveCapture = moveCaptured(last) != 0;
}

// position startpos [moves ...]: the initial position, the new-game test by line length.
void startposCommand(const Words& words) {
    bool withMoves = words.size() > 2 && words[2] == "moves";
    if (!withMoves) {
        clearTables();
        rootScore = lastScore = bookMisses = 0;
        previousMovesToGo = 0;
        lastPositionLength = BarePositionLength;
    } else {
        int length = static_cast<int>(std::strlen(commandLine));
        if (!pondering && lastPositionLength != 0 &&
            (length < lastPositionLength || length > lastPositionLength + ContinuationGrowth)) {
            if (logEnabled && !uciNewGameSeen) RotateLogMovingInputLine(commandLine, "");
            clearTables();
            hashStores = 0;
            previousMovesToGo = 0;
            bookMisses = 0;
        }
        lastPositionLength = length;
    }
    StartNewGame();
    // OwnBook false keeps the book out from the initial position on, move list or not.
    if (!ownBook) bookPly = 70;
    if (withMoves) {
        applyMoveList(words, 3);
        fullMoveNumber = board.sideToMove + whiteMovesPlayed;
    }
}

// position fen <FEN> [moves ...]: the set-up; no table is cleared and the clocks stay.
void fenCommand() {
    // The FEN runs from after "fen " to " moves" (or the end of the line).
    const char* fen = std::strstr(commandLine, " fen");
    fen = fen ? fen + 4 : "";
    if (*fen == ' ') fen++;
    const char* moves = std::strstr(fen, " moves");
    std::string text = moves ? std::string(fen, moves) : std::string(fen);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    setupFromFen(buffer.data());
    board.historyIndex = 0;
    // A far move number would leave the game record no room for the game that follows.
    if (gameIndex > FenIndexLimit || gameIndex < 0) {
        gameIndex = FenIndexLimit + (board.sideToMove == Black ? 1 : 0);
        gameKeys[gameIndex] = board.hashKey;
    }
    setupIndex = gameIndex;
    whiteMovesPlayed = board.sideToMove == Black ? 1 : 0;
    blackMovesPlayed = 0;
    // Moves are looked up only on a board the generator can work on (one king a side).
    if (moves && moves[6] != '\0' && positionIsPlayable()) applyMoveList(splitWords(moves + 6), 0);
}

// position: by its first word, startpos or fen; anything else is ignored.
void positionCommand(const Words& words) {
    if (words.size() < 2) return;
    if (words[1] == "startpos") startposCommand(words);
    else if (words[1] == "fen") fenCommand();
}

// The two lines of a go that carried movestogo, by what the previous one said.
void movesToGoRules() {
    if (previousMovesToGo == 1) {
        movesPerControl = movesToGo;
        Print("\nmoves to time control: %d\n", movesPerControl);
    } else if (previousMovesToGo == 0) {
        movesPerControl = movesToGo + (whiteToMove() ? whiteMovesPlayed : blackMovesPlayed);
        Print("\nmoves to time control: %d\n", movesPerControl);
        baseMinutes = (timeLeft + 5000) / 60000;
        // A control under a minute still has time to keep for its later moves: with 0 minutes
        // the time extension reserves nothing and spends a seventh of the clock at a time.
        if (baseMinutes < 1 && timeLeft > 0) baseMinutes = 1;
        Print("minutes assignment: %d\n", baseMinutes);
    }
    previousMovesToGo = static_cast<int16_t>(movesToGo);
}

// go: the search settings from the parameters; the loop then searches (or ponders).
void goCommand(const Words& words) {
    savedDepthLimit = depthLimit = 50;
    infiniteAnalysis = 0;
    pondering = 0;
    uciPonderIdle = 0;
    uciAwaitStop = 0;
    uciClearPending = clearHashEachMove;
    // A fixed time belongs to the go that gave it; an earlier movetime must not linger.
    fixedMoveTime = 0;
    bool movesToGoSeen = false, moveTimeSeen = false;
    // About 27 hours: the time rules multiply budgets of this size and must stay within an int.
    constexpr long TimeLimit = 100000000;
    for (size_t i = 1; i < words.size(); i++) {
        const std::string& word = words[i];
        int sum = static_cast<unsigned char>(word[0]) + static_cast<unsigned char>(word[1]);
        long n = 0;
        switch (sum) {
        case 201: // depth
            if (takeValue(words, &i, 1, 50, &n)) {
                savedDepthLimit = depthLimit = static_cast<int>(n);
                infiniteAnalysis = 1;
                moveTimeBudget = 999999;
            }
            break;
        case 206: // mate: twice as many plies as moves
            if (takeValue(words, &i, 1, 25, &n)) {
                savedDepthLimit = depthLimit = static_cast<int>(2 * n);
                infiniteAnalysis = 1;
                moveTimeBudget = 999999;
            }
            break;
        case 203: // binc
        case 224: // winc
            if (takeValue(words, &i, -TimeLimit, TimeLimit, &n)) increment = static_cast<int>(n);
            break;
        case 214: // btime
            if (takeValue(words, &i, -TimeLimit, TimeLimit, &n)) {
                if (whiteToMove()) opponentTimeLeft = static_cast<int>(n);
                else timeLeft = static_cast<int>(n);
            }
            break;
        case 235: // wtime
            if (takeValue(words, &i, -TimeLimit, TimeLimit, &n)) {
                if (whiteToMove()) timeLeft = static_cast<int>(n);
                else opponentTimeLeft = static_cast<int>(n);
            }
            break;
        case 215: // infinite
            infiniteAnalysis = 1;
            uciAwaitStop = 1;
            uciRotateArmed = 0;
            moveTimeBudget = 999999;
            break;
        case 220: // movestogo, or movetime (any other word beginning "mo")
            if (word == "movestogo") {
                if (takeValue(words, &i, 1, 10000, &n)) {
                    movesToGoSeen = true;
                    movesToGo = static_cast<int>(n);
                }
            } else if (takeValue(words, &i, 0, TimeLimit, &n)) {
                moveTimeSeen = true;
                movesToGo = movesPerControl = 1;
                timeLeft = fixedMoveTime = moveTimeBudget = static_cast<int>(n);
            }
            break;
        case 223: // ponder
            pondering = 1;
            ponderStartKey = board.hashKey;
            break;
        default: break; // unsupported words, and the values of unsupported parameters
        }
    }
    if (movesToGoSeen) movesToGoRules();
    else if (!moveTimeSeen) movesPerControl = 0;

    // A board without one king a side is never searched: its go is answered "bestmove 0000"
    // by the loop, or by the stop or ponderhit that ends a ponder request.
    if (pondering && !positionIsPlayable()) {
        pondering = 0;
        uciPonderIdle = 1;
    }
    bool ponderRequest = pondering || uciPonderIdle;
    moveRequested = ponderRequest ? 0 : 1;
    if (ponderRequest) Print("\n");
}

// stop: a ponder request gets the bestmove of its search (0000 when that is no legal move
// here, or when nothing was searched); analysis and pending moves end.
void stopCommand() {
    if (pondering || uciPonderIdle) {
        Move m = 0;
        bool legal = pondering && positionIsPlayable() && findCoordinateMove(moveText, &m);
        Print("\nbestmove %s\n\n", legal ? moveText : "0000");
    }
    infiniteAnalysis = pondering = pendingLine = moveRequested = 0;
    uciPonderIdle = 0;
}

// ponderhit: the ponder request becomes a search on the engine's own time.
void ponderhitCommand() {
    // Only a ponder request is waiting for this; a stray ponderhit must not add a bestmove.
    if (!pondering && !uciPonderIdle) return;
    pondering = 0;
    uciPonderIdle = 0;
    moveRequested = 1;
}

// ucinewgame: from the second one on, a new log; the position and tables stay.
void ucinewgameCommand() {
    uciNewGameSeen = 1;
    if (logEnabled && uciRotateArmed) RotateLogMovingInputLine("ucinewgame", "              ");
    uciRotateArmed = 1;
}

// debug on / off.
void debugCommand(const Words& words) {
    if (words.size() < 2) return;
    if (words[1] == "on") debugOutput = 1;
    else if (words[1] == "off") debugOutput = 0;
}

// Log File true opens a log when logging is off; anything else closes an open one.
void logFileOption(const std::string& value) {
    if (value == "true") {
        if (!logEnabled) {
            logEnabled = 1;
            OpenLog();
        }
    } else if (logEnabled) {
        CloseLog("");
        logEnabled = 0;
    }
}

// OwnBook true consults the book again from the current position on.
void ownBookOption(const std::string& value) {
    ownBook = value == "true" ? 1 : 0;
    if (ownBook) bookPly = 0;
}

// setoption name W1 W2 W3 W4: the option by the letters of W1, the value W3 for one-word names
// and W4 for two-word names.
void setoptionCommand(const Words& words) {
    std::string w[5];
    for (int k = 1; k <= 4; k++) w[k] = words.size() > static_cast<size_t>(k + 1) ? words[k + 1] : "";
    const std::string& name = w[1];
    char first = name.empty() ? '\0' : name[0];
    char second = name.size() > 1 ? name[1] : '\0';
    char eighth = name.size() > 7 ? name[7] : '\0';
    long n = 0;
    switch (first) {
    case 'B': bookTournament = w[4] == "Tournament" ? 1 : 0; break;
    case 'C':
        if (uciClearPending) {
            clearTables();
            uciClearPending = 0;
        }
        break;
    case 'H':
        if (readNumber(w[3], 1, 1000000, &n)) ResizeHashTables(n);
        break;
    case 'K': clearHashEachMove = w[4] == "true" ? 0 : 1; break;
    case 'L': logFileOption(w[4]); break;
    case 'M': // the analysis keeps one stored line per PV: 1 to 255
        if (readNumber(w[3], 1, 255, &n)) multiPV = static_cast<int>(n);
        break;
    case 'N':
        if (eighth == 'C') {
            if (readNumber(w[3], 0, MaxTbCacheMegabytes, &n)) {
                tbCacheBytes = n * 1048576;
                InitTablebases(1);
            }
        } else if (eighth == 'P') {
            if (!w[3].empty()) {
                SetTbPath(w[3].c_str(), w[3].size());
                InitTablebases(2);
            }
        } else if (second == 'o') {
            if (readNumber(w[3], -1000000, 1000000, &n)) {
                int noise = static_cast<int8_t>(n);
                noiseDepth = noise < 2 ? 2 : noise > 6 ? 6 : noise;
            }
        } else {
            ownBookOption(w[3]); // any other name beginning with 'N'
        }
        break;
    case 'O': ownBookOption(w[3]); break;
    case 'P':
        if (second == 'a') {
            if (readNumber(w[4], 1, 1000000, &n)) ResizePawnHash(n);
        } else {
            ponderEnabled = w[3] == "true" ? 1 : 0;
        }
        break;
    default: break;
    }
}

} // namespace

void PrintUciReply() {
    Print("\nid name %s %s\n", engineName, engineVersion);
    Print("id author %s\n\n", engineAuthor);
    Print("option name Hash type spin default %ld min 1 max 512\n", static_cast<long>(hashMegabytes));
    Print("option name Pawn Hash type spin default %ld min 1 max 512\n",
          static_cast<long>(pawnHashMegabytes()));
    // 0 is no cache; the range is the one the configuration and tbcache accept, so the
    // default always lies inside it.
    Print("option name NalimovCache type spin default %d min 0 max %d\n",
          static_cast<int>(tbCacheBytes / 1048576), static_cast<int>(MaxTbCacheMegabytes));
    Print("option name NalimovPath type string default %s\n", tbPath);
    Print("option name MultiPV type spin min 1 max 255 default 1\n");
    Print("option name Noise type spin default %d min 2 max 6\n", noiseDepth);
    // The default names one of the two values, whatever text the configuration held.
    Print("option name Book Mode type combo default %s var Tournament var Normal\n",
          bookTournament ? "Tournament" : "Normal");
    Print("option name Ponder type check default false\n");
    Print("option name Keep HashTables type check default %s\n", clearHashEachMove ? "false" : "true");
    Print("option name OwnBook type check default true\n");
    Print("option name Log File type check default %s\n", logEnabled ? "true" : "false");
    Print("option name Clear Hash type button\n");
    Print("uciok\n\n");
}

void UciCommand() {
    Words words = splitWords(commandLine);
    switch (commandKey) {
    case 519: debugCommand(words); break;
    case 753: Print("\nreadyok\n\n"); break;
    case 997: setoptionCommand(words); break;
    case 1061: ucinewgameCommand(); break;
    case 885: positionCommand(words); break;
    case 214: goCommand(words); break;
    case 454: stopCommand(); break;
    case 973: ponderhitCommand(); break;
    default: break;
    }
}
