// Make and take-back: every field restored, keys kept incrementally, the repetition test.
#include <gtest/gtest.h>

#include <set>

#include "support/board_setup.h"

namespace {

// Every field of the board that a make/take-back pair must restore. The generators' scratch
// fields (pinRays, maxVictimValue) and undo records above historyIndex are left out.
void expectSameBoard(const Board& before, const Board& after, const std::string& where) {
    for (int i = 0; i < 16; i++) EXPECT_EQ(before.bitboards[i], after.bitboards[i]) << where;
    for (int s = 0; s < 64; s++) {
        EXPECT_EQ(before.squares[s], after.squares[s]) << where << " square " << s;
        EXPECT_EQ(before.moveCounts[s], after.moveCounts[s]) << where << " count " << s;
    }
    EXPECT_EQ(before.sideToMove, after.sideToMove) << where;
    EXPECT_EQ(before.epSquare, after.epSquare) << where;
    EXPECT_EQ(before.fiftyCount, after.fiftyCount) << where;
    EXPECT_EQ(before.whiteKingSq, after.whiteKingSq) << where;
    EXPECT_EQ(before.blackKingSq, after.blackKingSq) << where;
    EXPECT_EQ(before.whiteCastled, after.whiteCastled) << where;
    EXPECT_EQ(before.blackCastled, after.blackCastled) << where;
    EXPECT_EQ(before.material, after.material) << where;
    EXPECT_EQ(before.whitePieceCount, after.whitePieceCount) << where;
    EXPECT_EQ(before.blackPieceCount, after.blackPieceCount) << where;
    EXPECT_EQ(before.menCount, after.menCount) << where;
    EXPECT_EQ(before.hashKey, after.hashKey) << where;
    EXPECT_EQ(before.pawnKey, after.pawnKey) << where;
    EXPECT_EQ(before.historyIndex, after.historyIndex) << where;
    for (int i = 0; i < before.historyIndex; i++) {
        EXPECT_EQ(before.undoStack[i].epSquare, after.undoStack[i].epSquare) << where;
        EXPECT_EQ(before.undoStack[i].fiftyCount, after.undoStack[i].fiftyCount) << where;
    }
}

// The kind of a move, for checking that the playouts met every kind.
std::string moveKind(Move m) {
    int piece = board.squares[moveFrom(m)];
    if (moveCastle(m)) return "castle" + std::to_string(moveCastle(m));
    if (moveIsEnPassant(m)) return "en passant";
    if (movePromotion(m)) return moveCaptured(m) ? "capture-promotion" : "promotion";
    if (piece <= BlackPawn && moveCaptured(m) && moveCaptured(m) <= BlackPawn)
        return "pawn takes pawn";
    if (moveCaptured(m)) return "capture";
    if (piece <= BlackPawn) return "pawn move";
    return "quiet";
}

// Makes m, checks the keys and sets against a recomputation and the key, material, piece count
// and check foretold without making it, takes it back and compares.
void checkMakeAndTakeBack(Move m, std::set<std::string>& kinds) {
    kinds.insert(moveKind(m));
    Board before = board;
    const uint64_t foretold = keyAfter(m);
    const int material = materialAfter(m), pieces = pieceCountAfter(m);
    const int check = moveGivesCheck(m);
    if (check) kinds.insert(moveKind(m) + " with check");
    makeMove(m);
    std::string where = boardFen() + " after " + std::to_string(m);
    EXPECT_EQ(boardInconsistency(), "") << where;
    EXPECT_EQ(board.hashKey, foretold) << where;
    EXPECT_EQ(board.material, material) << where;
    EXPECT_EQ(board.whitePieceCount + board.blackPieceCount, pieces) << where;
    EXPECT_EQ(sideToMoveInCheck(), check) << where;
    unmakeMove(m);
    expectSameBoard(before, board, where);
}

// From several starts, every legal move of every position along random playouts is made,
// checked (keys against a full recomputation, sets against the squares) and taken back.
TEST(MakeMove, TakeBackRestoresEveryFieldOverRandomPlayouts) {
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "r3k2r/1p4p1/8/2pPpP2/8/8/1P4P1/R3K2R w KQkq c6 0 1",
        "4k3/1P4p1/8/8/8/8/1p4P1/4K3 b - - 0 1",
    };
    std::set<std::string> kinds;
    Playout random(99);
    for (const char* start : starts) {
        for (int game = 0; game < 12; game++) {
            setPosition(start);
            board.historyIndex = 0;
            for (int ply = 0; ply < 80; ply++) {
                std::vector<Move> moves = legalMoves();
                if (moves.empty()) break;
                for (Move m : moves) checkMakeAndTakeBack(m, kinds);
                if (HasFailure()) return;
                makeMove(moves[random.next(static_cast<uint32_t>(moves.size()))]);
            }
        }
    }
    for (const char* kind :
         {"castle1", "castle2", "castle3", "castle4", "en passant", "promotion",
          "capture-promotion", "pawn takes pawn", "capture", "quiet", "pawn move",
          "promotion with check", "capture with check", "quiet with check", "pawn move with check"})
        EXPECT_TRUE(kinds.count(kind)) << "no " << kind << " was tried";
}

// A word that names no piece (a table move of another position, say) foretells no change and
// reads nothing outside the key table.
TEST(MakeMove, KeyAfterAWordNamingNoPieceIsTheCurrentKey) {
    setPosition("r3k2r/8/8/8/8/8/PP6/R3K2R w KQkq - 0 1");
    const uint64_t key = board.hashKey;
    const Move a2a3 = A2 | (A3 << 6);
    EXPECT_NE(keyAfter(a2a3), key);
    EXPECT_EQ(keyAfter(A5 | (A6 << 6)), key);          // from an empty square
    EXPECT_EQ(keyAfter(a2a3 | (15 << 12)), key);       // captured code 15
    EXPECT_EQ(keyAfter(a2a3 | (13 << 20)), key);       // promotion code 13
    EXPECT_EQ(keyAfter(E1 | (G1 << 6) | (7 << 16)), key); // castling kind 7
    EXPECT_EQ(keyAfter(A2 | (B1 << 6) | (1 << 24)), keyAfter(A2 | (B1 << 6))); // en passant off the board
}

Move moveFromText(const char* text) {
    Move m = 0;
    EXPECT_TRUE(findCoordinateMove(text, &m)) << text;
    return m;
}

TEST(MakeMove, EnPassantSquareAndFiftyCount) {
    setPosition("r3k2r/8/8/8/8/8/PP6/R3K2R w KQkq - 7 1");
    makeMove(moveFromText("a2a4")); // no black pawn can take: the square is set anyway
    EXPECT_EQ(board.epSquare, A3);
    EXPECT_EQ(board.fiftyCount, 0);
    makeMove(moveFromText("e8g8"));
    EXPECT_EQ(board.epSquare, 0);
    EXPECT_EQ(board.fiftyCount, 1); // castling counts as a quiet king move
    EXPECT_EQ(board.blackCastled, CastleBlackShort);
    EXPECT_EQ(board.squares[F8], BlackRook);
    EXPECT_EQ(board.moveCounts[H8], 1);
    makeMove(moveFromText("e1c1"));
    EXPECT_EQ(board.whiteCastled, CastleWhiteLong);
    EXPECT_EQ(board.fiftyCount, 2);
    makeMove(moveFromText("f8f1"));
    EXPECT_EQ(board.fiftyCount, 2 + 1);
    makeMove(moveFromText("d1f1"));
    EXPECT_EQ(board.fiftyCount, 0); // a capture
}

// A clock that a set-up may carry (above 127) survives make and take-back.
TEST(MakeMove, LargeFiftyCountSurvivesTakeBack) {
    setPosition("4k3/8/8/8/8/8/8/4K1N1 w - - 150 90");
    Move knight = moveFromText("g1f3");
    makeMove(knight);
    EXPECT_EQ(board.fiftyCount, 151);
    unmakeMove(knight);
    EXPECT_EQ(board.fiftyCount, 150);
    setPosition("4k3/8/8/8/8/5p2/8/4K1N1 w - - 200 90");
    Move capture = moveFromText("g1f3");
    makeMove(capture);
    unmakeMove(capture);
    EXPECT_EQ(board.fiftyCount, 200);
}

TEST(Keys, StartValueInitialConstantsAndPlacementOnly) {
    startPosition();
    uint64_t hashKey = board.hashKey, pawnKey = board.pawnKey;
    computeKeys();
    EXPECT_EQ(hashKey, board.hashKey);
    EXPECT_EQ(pawnKey, board.pawnKey);
    EXPECT_EQ(gameKeys[0], InitialHashKey);
    for (int s = 0; s < 64; s++) EXPECT_EQ(pieceKeys[0][s], 0u);
    setPosition("8/8/8/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(board.hashKey, KeyStartValue);
    EXPECT_EQ(board.pawnKey, KeyStartValue);
    // Side to move, castling and en passant are not in the keys.
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    uint64_t withEp = board.hashKey;
    setPosition("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w - - 0 1");
    EXPECT_EQ(board.hashKey, withEp);
    // Every key of the table is distinct and non-zero outside row 0.
    std::set<uint64_t> keys;
    for (int code = 1; code <= 12; code++)
        for (int s = 0; s < 64; s++) keys.insert(pieceKeys[code][s]);
    EXPECT_EQ(keys.size(), 768u);
    EXPECT_FALSE(keys.count(0));
}

// Plays the knight shuffle g1f3 g8f6 f3g1 f6g8 as the search does: the key of each position
// goes into gameKeys at gameIndex + historyIndex - 1. Returns isRepetition after each ply.
std::vector<int> shuffle(const char* fen, int plies) {
    setPosition(fen);
    board.historyIndex = 1;
    const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::vector<int> answers;
    for (int ply = 0; ply < plies; ply++) {
        makeMove(moveFromText(cycle[ply % 4]));
        gameKeys[gameIndex + board.historyIndex - 1] = board.hashKey;
        answers.push_back(isRepetition());
    }
    return answers;
}

TEST(Repetition, ThirdOccurrenceAtEvenDistancesBelowTheClock) {
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    // From a clock of 0 the first occurrence lies exactly fiftyCount plies back: not compared.
    std::vector<int> fromZero = shuffle(start, 12);
    for (int ply = 0; ply < 8; ply++) EXPECT_EQ(fromZero[ply], 0) << ply;
    EXPECT_EQ(fromZero[8], 1); // the position after g1f3 for the third time
    // With a clock of 2 the start itself counts: the third occurrence is at ply 8.
    std::string clocked = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 2 1";
    std::vector<int> fromTwo = shuffle(clocked.c_str(), 8);
    for (int ply = 0; ply < 7; ply++) EXPECT_EQ(fromTwo[ply], 0) << ply;
    EXPECT_EQ(fromTwo[7], 1);
    // A clock of 7 or less always answers 0.
    board.fiftyCount = 7;
    EXPECT_EQ(isRepetition(), 0);
}

// A set-up clock far larger than the recorded game never reads before the game record.
TEST(Repetition, ClockLargerThanTheRecordStaysInside) {
    setPosition("4k3/8/8/8/8/8/8/4K1N1 w - - 120 1");
    board.historyIndex = 1;
    for (int i = 0; i < GameRecordSize; i++) gameKeys[i] = 0;
    EXPECT_EQ(gameIndex, 0);
    EXPECT_EQ(isRepetition(), 0);
    // An entry equal to the current key twice inside the record is still found.
    setPosition("4k3/8/8/8/8/8/8/4K1N1 w - - 120 3");
    board.historyIndex = 1;
    gameKeys[0] = gameKeys[2] = board.hashKey;
    EXPECT_EQ(isRepetition(), 1);
}

// The check a move gives, foretold without making it, in the cases a playout seldom meets: checks
// uncovered by a king, a pawn or an en-passant capture that empties two squares of a rank, given
// by the castling rook or by the promoted man, and the same moves where nothing is uncovered.
TEST(MakeMove, CheckForetoldForUncoveredAndSpecialMoves) {
    struct Case {
        const char* fen;
        const char* move;
        int check;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2d2", 1},   // the king uncovers the rook
        {"4k3/8/8/8/8/8/4K3/4R3 w - - 0 1", "e2e3", 0},   // the king stays on the file
        {"7k/8/8/8/8/2P5/1B6/K7 w - - 0 1", "c3c4", 1},   // the pawn uncovers the bishop
        {"8/8/8/RPp4k/8/8/8/4K3 w - c6 0 1", "b5c6", 1},  // en passant opens the rank
        {"8/8/8/RPp4k/8/8/8/4K3 w - c6 0 1", "b5b6", 0},  // the other pawn still blocks
        {"8/8/8/1Pp4k/8/8/8/4K3 w - c6 0 1", "b5c6", 0},  // en passant with nothing behind
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 1},    // the castled rook checks
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 0},    // ...or not
        {"3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", 1},    // the long castled rook checks
        {"r3k3/8/8/8/8/8/8/3K4 b q - 0 1", "e8c8", 1},    // so does Black's
        {"7k/2P5/8/8/8/8/8/K7 w - - 0 1", "c7c8q", 1},    // promotion to a checking queen
        {"7k/2P5/8/8/8/8/8/K7 w - - 0 1", "c7c8n", 0},    // a knight on c8 does not check
        {"1n5k/P7/8/8/8/8/8/K7 w - - 0 1", "a7b8q", 1},   // a capturing promotion checks
        {"8/5k2/8/8/8/8/KpB5/8 b - - 0 1", "b2b1q", 1},   // Black's queen beside the king
        {"8/5k2/8/8/8/8/KpB5/8 b - - 0 1", "b2b1n", 0},   // Black's knight does not check
        {"k7/8/8/3b4/8/8/6P1/7K b - - 0 1", "d5e4", 0},   // the pawn on g2 still shields
        {"k7/8/8/8/3n4/8/6P1/6K1 b - - 0 1", "d4e2", 1},  // a knight checks
        {"k7/8/8/8/3n4/8/6P1/6K1 b - - 0 1", "d4c2", 0},
        {"8/8/8/8/8/2k5/8/K7 b - - 0 1", "c3b3", 0},      // kings never check
    };
    for (const Case& c : cases) {
        setPosition(c.fen);
        board.historyIndex = 0;
        const Move m = moveFromText(c.move);
        const int foretold = moveGivesCheck(m);
        EXPECT_EQ(foretold, c.check) << c.fen << " " << c.move;
        makeMove(m);
        EXPECT_EQ(sideToMoveInCheck(), foretold) << c.fen << " " << c.move;
        unmakeMove(m);
    }
}

} // namespace
