// Choosing book moves during play, and learning from the game's result.
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "book/book.h"
#include "book/book_choice.h"
#include "book/book_db.h"
#include "book/book_random.h"

int bookTournament = 1;
char bookFileName[64] = "";
// The positions entered from the book in the current game, for learning.
uint32_t bookPath[400];
int bookPathCount = 0;

// The book key of the current position: the high half of hashKey.
static uint32_t bookKey() {
    return static_cast<uint32_t>(board.hashKey >> 32);
}

Move ProbeBook() {
    // Step 1: the book of the side to move.
    int side = board.sideToMove;
    strcpy(bookFileName, side == White ? "blancas.obk" : "negras.obk");
    DB* db = openBookDatabase(bookFileName, BookForProbing);
    if (!db) return 0;
    // Step 2: the legal moves.
    int kingSquare = side == White ? board.whiteKingSq : board.blackKingSq;
    Move list[MaxMoves];
    Move* end = generateMoves(list, isAttacked(kingSquare, side == White ? 0 : 1));
    // Step 3: the book's record of each move's position.
    Move candidates[MaxMoves];
    uint32_t scores[MaxMoves];
    int count = 0;
    for (Move* m = list; m < end; m++) {
        makeMove(*m);
        if (isRepetition()) {
            unmakeMove(*m);
            closeBookDatabase(db);
            bookPly = 70;
            return 0;
        }
        uint32_t score = 0;
        int found = bookGet(db, bookKey(), &score);
        unmakeMove(*m);
        if (found < 0) { // a read error: the book is unusable
            closeBookDatabase(db);
            return 0;
        }
        if (found && score >= MinimumBookScore) {
            candidates[count] = *m;
            scores[count] = score;
            count++;
        }
    }
    // Step 4.
    closeBookDatabase(db);
    if (count == 0) return 0;
    int chosen = 0;
    if (count > 1) {
        // Steps 5 and 6: a weighted random choice.
        float cumulative[MaxMoves];
        bookProbabilities(scores, count, bookTournament, cumulative);
        chosen = pickBookCandidate(cumulative, count, bookRandom());
        if (chosen < 0) return 0;
    }
    // Step 7: remember the position entered, for learning.
    Move move = candidates[chosen];
    makeMove(move);
    if (bookPathCount < BookPathSize) bookPath[bookPathCount++] = bookKey();
    unmakeMove(move);
    return move;
}

void LearnBook(int weight) {
    if (bookPathCount == 0 || bookFileName[0] == '\0') return;
    DB* db = openBookDatabase(bookFileName, BookForLearning);
    if (!db) return;
    for (int i = 0; i < bookPathCount && i < BookPathSize; i++) {
        uint32_t score;
        int found = bookGet(db, bookPath[i], &score);
        if (found < 0) break;
        if (!found) continue;
        uint32_t gain = (weight == 10 || score > 50) ? static_cast<uint32_t>(weight) : 5;
        if (bookPut(db, bookPath[i], score + gain) != 0) break;
    }
    closeBookDatabase(db);
}
