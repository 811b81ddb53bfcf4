// Choosing book moves in play and learning from results.
#include <gtest/gtest.h>

#include <map>

#include "board/movegen.h"
#include "book/book.h"
#include "book/book_choice.h"
#include "book/book_random.h"
#include "support/book_fixture.h"
#include "support/book_test_support.h"

namespace {

class BookProbeTest : public BookDirectoryTest {
protected:
    void SetUp() override {
        BookDirectoryTest::SetUp();
        newGame();
        bookTournament = 1;
        bookPathCount = 0;
        seedBookRandom(20260101);
    }
    void TearDown() override {
        bookTournament = 1;
        bookPathCount = 0;
        BookDirectoryTest::TearDown();
    }
};

// Writes a book whose records are the positions after the given lines from the start.
void writeBook(const char* name, const std::vector<std::pair<std::vector<std::string>, uint32_t>>& lines) {
    std::vector<std::pair<uint32_t, uint32_t>> records;
    for (const auto& [moves, score] : lines) records.push_back({keyAfter(moves), score});
    remove(name);
    DB* db = openBookDatabase(name, BookForBuilding);
    ASSERT_NE(db, nullptr);
    for (auto [key, score] : records) ASSERT_EQ(bookPut(db, key, score), 0);
    closeBookDatabase(db);
}

// The legal move with this SAN in the current position.
Move sanMove(const char* san) {
    return parseSan(san, board.sideToMove);
}

// Probes as the root search does (historyIndex 1), checking the board is left as it was.
Move probe() {
    board.historyIndex = 1;
    uint64_t key = board.hashKey;
    int side = board.sideToMove;
    Move move = ProbeBook();
    EXPECT_EQ(board.hashKey, key);
    EXPECT_EQ(board.sideToMove, side);
    EXPECT_EQ(board.historyIndex, 1);
    board.historyIndex = 0;
    return move;
}

TEST_F(BookProbeTest, SingleCandidateIsPlayedInEitherModeAndRemembered) {
    writeBook("blancas.obk", {{{"e4"}, 10}, {{"d4"}, 4}, {{"c4"}, 0}});
    for (int mode : {1, 0}) {
        bookTournament = mode;
        bookPathCount = 0;
        EXPECT_EQ(probe(), sanMove("e4"));
        EXPECT_STREQ(bookFileName, "blancas.obk");
        ASSERT_EQ(bookPathCount, 1);
        EXPECT_EQ(bookPath[0], keyAfter({"e4"}));
    }
}

TEST_F(BookProbeTest, ScoresBelowFiveAreNeverCandidates) {
    writeBook("blancas.obk", {{{"e4"}, 4}, {{"d4"}, 0}, {{"Nf3"}, 1}});
    EXPECT_EQ(probe(), 0);
    EXPECT_EQ(bookPathCount, 0);
    writeBook("blancas.obk", {{{"e4"}, 4}, {{"d4"}, 5}, {{"Nf3"}, 1}});
    for (int i = 0; i < 20; i++) EXPECT_EQ(probe(), sanMove("d4"));
}

TEST_F(BookProbeTest, BlackUsesItsOwnBook) {
    writeBook("negras.obk", {{{"e4", "c5"}, 30}});
    writeBook("blancas.obk", {{{"e4", "e5"}, 30}}); // wrong colour's book: never consulted
    playMoves({"e4"});
    EXPECT_EQ(probe(), sanMove("c5"));
    EXPECT_STREQ(bookFileName, "negras.obk");
}

TEST_F(BookProbeTest, TournamentModePlaysOnlyTheMainMovesInProportion) {
    writeBook("blancas.obk", {{{"e4"}, 40}, {{"d4"}, 30}, {{"c4"}, 20}, {{"Nf3"}, 10}});
    std::map<Move, int> played;
    for (int i = 0; i < 700; i++) played[probe()]++;
    EXPECT_EQ(played.size(), 2u);
    EXPECT_NEAR(played[sanMove("e4")], 400, 60);
    EXPECT_NEAR(played[sanMove("d4")], 300, 60);

    bookTournament = 0;
    played.clear();
    for (int i = 0; i < 1000; i++) played[probe()]++;
    EXPECT_EQ(played.size(), 4u);
    EXPECT_NEAR(played[sanMove("Nf3")], 100, 40);
    EXPECT_EQ(played.count(0), 0u);
}

TEST_F(BookProbeTest, FiveEqualCandidatesGiveNoMoveInTournamentMode) {
    writeBook("blancas.obk",
              {{{"e4"}, 20}, {{"d4"}, 20}, {{"c4"}, 20}, {{"Nf3"}, 20}, {{"g3"}, 20}});
    for (int i = 0; i < 50; i++) EXPECT_EQ(probe(), 0);
    EXPECT_EQ(bookPathCount, 0);
    bookTournament = 0;
    EXPECT_NE(probe(), 0);
}

TEST_F(BookProbeTest, ThirdRepetitionSwitchesTheBookOff) {
    writeBook("negras.obk", {{{"Nf3", "Nf6", "Ng1", "Nc6"}, 50}});
    // Knights out and back twice, then once more: Black's Ng8 would repeat the start a third time.
    playMoves({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1"});
    bookPly = 11;
    EXPECT_EQ(probe(), 0);
    EXPECT_EQ(bookPly, 70);
    // One cycle fewer: Ng8 makes only a second occurrence, and the book move is played.
    newGame();
    playMoves({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1"});
    bookPly = 7;
    EXPECT_EQ(probe(), sanMove("Nc6"));
    EXPECT_EQ(bookPly, 7);
}

TEST_F(BookProbeTest, PathOfPlayedPositionsNeverOverflows) {
    writeBook("blancas.obk", {{{"e4"}, 10}});
    bookPathCount = BookPathSize;
    EXPECT_EQ(probe(), sanMove("e4"));
    EXPECT_EQ(bookPathCount, BookPathSize);
}

TEST_F(BookProbeTest, MissingBookIsCreatedAndGivesNoMove) {
    EXPECT_EQ(probe(), 0);
    EXPECT_TRUE(fileExists("blancas.obk"));
    EXPECT_TRUE(readWholeBook("blancas.obk").empty());
}

TEST_F(BookProbeTest, FileThatIsNotABookGivesNoMoveAndIsNeverWritten) {
    const std::string junk = "[Event \"not a book\"]\n";
    for (const std::string& content : {junk, std::string()}) {
        writeFile("blancas.obk", content);
        EXPECT_EQ(probe(), 0);
        bookPath[0] = keyAfter({"e4"});
        bookPathCount = 1;
        LearnBook(10);
        EXPECT_EQ(readFile("blancas.obk"), content);
        bookPathCount = 0;
    }
}

TEST_F(BookProbeTest, LearningAddsByResultOnlyToPositionsEnteredFromTheBook) {
    const uint32_t low = keyAfter({"e4"});
    const uint32_t high = keyAfter({"d4"});
    const uint32_t other = keyAfter({"c4"});
    DB* db = openBookDatabase("blancas.obk", BookForBuilding);
    ASSERT_NE(db, nullptr);
    bookPut(db, low, 50);
    bookPut(db, high, 51);
    bookPut(db, other, 40);
    closeBookDatabase(db);
    strcpy(bookFileName, "blancas.obk");
    bookPath[0] = low;
    bookPath[1] = high;
    bookPath[2] = 12345; // a position that is not in the book stays out of it
    bookPathCount = 3;
    struct Step {
        int weight;
        uint32_t low, high;
    };
    for (Step s : {Step{0, 55, 51}, Step{5, 60, 56}, Step{10, 70, 66}, Step{0, 70, 66}}) {
        LearnBook(s.weight);
        std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
        EXPECT_EQ(book.size(), 3u);
        EXPECT_EQ(book[low], s.low) << s.weight;
        EXPECT_EQ(book[high], s.high) << s.weight;
        EXPECT_EQ(book[other], 40u);
    }
    bookPathCount = 0;
    LearnBook(10);
    EXPECT_EQ(readWholeBook("blancas.obk")[low], 70u);
}

TEST_F(BookProbeTest, ProbeThenLearnAfterAWin) {
    writeBook("blancas.obk", {{{"e4"}, 10}, {{"d4"}, 3}});
    ASSERT_EQ(probe(), sanMove("e4"));
    LearnBook(10);
    std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
    EXPECT_EQ(book[keyAfter({"e4"})], 20u);
    EXPECT_EQ(book[keyAfter({"d4"})], 3u);
}

} // namespace
