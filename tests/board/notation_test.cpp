// Coordinate and SAN notation, reading and writing, and the move-tree dump.
#include <gtest/gtest.h>

#include <cstdio>

#include "board/perft.h"
#include "support/board_setup.h"

namespace {

std::string coordinate(Move m) {
    char text[8];
    moveToCoordinate(m, text);
    return text;
}

std::string sanOf(const char* coordinateText) {
    Move m = 0;
    EXPECT_TRUE(findCoordinateMove(coordinateText, &m)) << coordinateText;
    char san[8];
    sanBeforeMove(m, san);
    return san;
}

std::string parsed(const char* san) {
    return coordinate(parseSan(san, board.sideToMove));
}

TEST(Coordinate, WritingAndExactLookUp) {
    setPosition("r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1");
    Move m = 0;
    ASSERT_TRUE(findCoordinateMove("e1g1", &m));
    EXPECT_EQ(moveCastle(m), CastleWhiteShort);
    ASSERT_TRUE(findCoordinateMove("b7b8q", &m));
    EXPECT_EQ(movePromotion(m), WhiteQueen);
    EXPECT_EQ(coordinate(m), "b7b8q");
    ASSERT_TRUE(findCoordinateMove("b7a8n", &m));
    EXPECT_EQ(moveCaptured(m), BlackRook);
    for (const char* bad : {"b7b8Q", "O-O", "e1g1 ", "b7b8", "", "e2e4", "b7c8q", "e1g1q"})
        EXPECT_EQ(findCoordinateMove(bad, &m), 0) << bad;
}

TEST(SanWriting, CaptureMarkersPromotionsAndCastling) {
    setPosition("r3k2r/1P6/8/3p4/4P3/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(sanOf("e4d5"), "exd5");
    EXPECT_EQ(sanOf("b7b8q"), "b8=Q");
    EXPECT_EQ(sanOf("b7a8n"), "bxa8=N");
    EXPECT_EQ(sanOf("e1g1"), "O-O");
    EXPECT_EQ(sanOf("e1c1"), "O-O-O");
    EXPECT_EQ(sanOf("a1a8"), "Rxa8");
    EXPECT_EQ(sanOf("e1f2"), "Kf2");
    setPosition("r3k2r/8/8/8/8/8/6p1/R3K2R b KQkq - 0 1");
    EXPECT_EQ(sanOf("g2h1q"), "gxh1=Q");
    EXPECT_EQ(sanOf("g2g1n"), "g1=N");
    EXPECT_EQ(sanOf("e8c8"), "O-O-O");
}

TEST(SanWriting, DisambiguationBeforeAndAfterTheMove) {
    setPosition("4k3/8/8/8/8/8/4K3/R4R2 w - - 0 1");
    EXPECT_EQ(sanOf("a1d1"), "Rad1");
    setPosition("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1");
    EXPECT_EQ(sanOf("a1a3"), "R1a3");
    EXPECT_EQ(sanOf("a5a3"), "R5a3");
    // After the move: the h1 rook sees d1 only through the vacated f1 square.
    setPosition("4k3/8/8/8/8/8/3K4/5R1R w - - 0 1");
    Move m = 0;
    ASSERT_TRUE(findCoordinateMove("f1d1", &m));
    makeMove(m);
    char san[8];
    sanAfterMove(m, san);
    EXPECT_STREQ(san, "Rd1");
    unmakeMove(m);
    // A true rival after the move: the knight on b1 could also have gone to d2.
    setPosition("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1");
    ASSERT_TRUE(findCoordinateMove("f3d2", &m));
    makeMove(m);
    sanAfterMove(m, san);
    EXPECT_STREQ(san, "Nfd2");
    unmakeMove(m);
    setPosition("4k3/8/8/8/8/8/3p4/2Q1K3 w - - 0 1");
    ASSERT_TRUE(findCoordinateMove("c1d2", &m));
    makeMove(m);
    sanAfterMove(m, san);
    EXPECT_STREQ(san, "Qxd2");
    unmakeMove(m);
    setPosition("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    ASSERT_TRUE(findCoordinateMove("b7b8r", &m));
    makeMove(m);
    sanAfterMove(m, san);
    EXPECT_STREQ(san, "b8=R");
}

// Writing and reading notation in the middle of a search leaves the generator's scratch fields
// (the pin rays and the largest victim) as the search left them.
TEST(SanWriting, LeavesTheGeneratorsScratchFieldsAlone) {
    setPosition("4k3/4r3/8/8/8/8/4N3/1N2K3 w - - 0 1");
    board.pinRays[E2] = 0x1234;
    board.maxVictimValue = 77;
    EXPECT_EQ(sanOf("b1d2"), "Nd2");
    EXPECT_EQ(parsed("Nd2"), "b1d2");
    EXPECT_EQ(board.pinRays[E2], 0x1234u);
    EXPECT_EQ(board.maxVictimValue, 77);
}

TEST(SanReading, CastlingPromotionsAndEnPassant) {
    setPosition("r3k2r/3P4/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
    EXPECT_EQ(parsed("o-o"), "e1g1");
    EXPECT_EQ(parsed("O-O+"), "e1g1");
    EXPECT_EQ(parsed("O-O-O"), "e1c1");
    EXPECT_EQ(parsed("d8=Q+"), "d7d8q");
    Move ep = parseSan("exd6", White);
    EXPECT_EQ(coordinate(ep), "e5d6");
    EXPECT_TRUE(moveIsEnPassant(ep));
    EXPECT_EQ(moveCaptured(ep), 0);
    setPosition("r2qk2r/4P3/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_EQ(parsed("exd8=N#"), "e7d8n");
    EXPECT_EQ(moveCaptured(parseSan("exd8=N#", White)), BlackQueen);
    setPosition("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_EQ(parsed("O-O-O"), "e8c8");
    EXPECT_EQ(parsed("O-O"), "e8g8");
}

TEST(SanReading, PiecesWithAndWithoutDisambiguation) {
    setPosition("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1");
    EXPECT_EQ(parsed("Nbd2"), "b1d2");
    EXPECT_EQ(parsed("Nfd2"), "f3d2");
    EXPECT_EQ(parsed("N1d2"), "b1d2");
    EXPECT_EQ(parsed("N3d2"), "f3d2");
    EXPECT_EQ(parsed("Nh4"), "f3h4");
    setPosition("4k3/8/8/8/8/5N2/3p4/1N2K3 w - - 0 1");
    EXPECT_EQ(parsed("Nbxd2"), "b1d2");
    EXPECT_EQ(parsed("Nxd2"), "b1d2"); // the first legal knight capture in generation order
    setPosition("4k3/8/8/8/8/8/4K3/R4R2 w - - 0 1");
    EXPECT_EQ(parsed("Rad1"), "a1d1");
    EXPECT_EQ(parsed("Rfd1"), "f1d1");
}

void expectSanReadsBack(Move m) {
    char san[8];
    sanBeforeMove(m, san);
    Move back = parseSan(san, board.sideToMove);
    // En passant reads back with its captured field 0.
    EXPECT_EQ(back & ~0xF000, m & ~0xF000) << boardFen() << " " << san;
}

// Every legal move along random playouts reads back from the SAN written for it.
TEST(SanReading, RoundTripOverRandomPlayouts) {
    Playout random(4242);
    int checked = 0;
    for (int game = 0; game < 30; game++) {
        startPosition();
        for (int ply = 0; ply < 100; ply++) {
            std::vector<Move> moves = legalMoves();
            if (moves.empty()) break;
            for (Move m : moves) expectSanReadsBack(m);
            checked += static_cast<int>(moves.size());
            makeMove(moves[random.next(static_cast<uint32_t>(moves.size()))]);
        }
    }
    EXPECT_GT(checked, 20000);
}

// Text that names no legal move yields 0, never an illegal move.
TEST(SanReading, MalformedOrUnresolvableTextYieldsZero) {
    startPosition();
    for (const char* bad : {"",     "e",    "N",   "x",     "e5",    "e9",    "z4",   "Nc4", "Bb2",
                            "Qxz9", "exd3", "O-O", "O-O-O", "Nf3!!", "e4!",   "e4??", "Ke2", "e8=Q",
                            "Pe4",  "1.e4", "Zf3", "h3=K",  "e3=Q",  "Nf3=Q", "e4!?", "a1"})
        EXPECT_EQ(parseSan(bad, White), 0) << bad;
    EXPECT_EQ(parseSan("e5", Black), 0); // not Black's move
    // A double push through a man, a push promotion with no pawn behind.
    setPosition("4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1");
    EXPECT_EQ(parseSan("e4", White), 0);
    setPosition("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(parseSan("a8=Q", White), 0);
    EXPECT_EQ(parseSan("bxa8=Q", White), 0);
    // The only candidate is pinned: its move is not legal.
    setPosition("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    EXPECT_EQ(parseSan("Nc3", White), 0);
    // Two knights reach d2 but one is pinned: plain "Nd2" is the legal one.
    setPosition("4k3/4r3/8/8/8/8/4N3/1N2K3 w - - 0 1");
    EXPECT_EQ(parsed("Nd2"), "b1d2");
}

// A disambiguator that names none of the candidates stands for the last candidate tried (from
// the lowest square up) that may legally move there, so a book line goes on; a pinned candidate
// is passed over.
TEST(SanReading, UnmatchedDisambiguatorGivesTheLastLegalCandidate) {
    setPosition("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1");
    EXPECT_EQ(parsed("Ncd2"), "f3d2");
    EXPECT_EQ(parsed("N5d2"), "f3d2");
    setPosition("4k3/8/8/3b4/8/5N2/8/1N5K w - - 0 1"); // the f3 knight is pinned to h1
    EXPECT_EQ(parsed("Ncd2"), "b1d2");
    setPosition("4k3/8/8/3b4/8/5N2/8/1N5K b - - 0 1");
    EXPECT_EQ(parseSan("Ncd2", White), 0); // not White's move: no candidate may move
}

TEST(Tree, OneLinePerMoveIndentedByDepth) {
    setPosition("7k/8/8/8/8/8/8/K7 w - - 0 1");
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    dumpTree(2, 0, file);
    rewind(file);
    std::string text;
    char line[64];
    while (fgets(line, sizeof line, file)) text += line;
    fclose(file);
    std::string expected;
    const char* whiteMoves[] = {"Kb1", "Ka2", "Kb2"};
    for (const char* move : whiteMoves) {
        expected += std::string(move) + "\n";
        for (const char* reply : {"Kg8", "Kh7", "Kg7"})
            expected += std::string("\t") + reply + "\n";
    }
    EXPECT_EQ(text, expected);
    startPosition();
    file = tmpfile();
    dumpTree(1, 0, file);
    long size = ftell(file);
    fclose(file);
    EXPECT_EQ(size, 4 * 4 + 16 * 3); // Na3 Nc3 Nf3 Nh3, then sixteen pawn moves
}

} // namespace
