// Building books from PGN: counting, weights, the filter threshold, ply limits, the token
// rules, and input that once broke the reader.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/book_fixture.h"
#include "support/book_test_support.h"

namespace {

using BookBuildTest = BookDirectoryTest;

// "Result" tag lines of a file, counted independently of the builder.
int resultTagLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) count += line.rfind("[Result", 0) == 0;
    return count;
}

std::string game(const char* result, const std::string& moves) {
    return std::string("[Event \"t\"]\n[Result \"") + result + "\"]\n[White \"a\"]\n\n" + moves +
           " " + result + "\n\n";
}

TEST_F(BookBuildTest, GamesCounterMatchesResultTagsOfTheCollections) {
    for (const char* name : {"Capablanca.pgn", "London1851.pgn", "tatamast22.pgn",
                             "anastasian-lewis.pgn", "chessbase-empty-line.pgn",
                             "kasparov-deep-blue-1997.pgn", "molinari-bordais-1979.pgn",
                             "nepomniachtchi-liren-game1.pgn", "stockfish-learning.pgn",
                             "utf8-bom.pgn"}) {
        BuildCounts counts = buildBookQuietly(dataFile(name), "negras.obk");
        EXPECT_EQ(counts.games, resultTagLines(dataFile(name))) << name;
        EXPECT_EQ(readWholeBook("negras.obk").size(), static_cast<size_t>(counts.uniques)) << name;
    }
    EXPECT_EQ(resultTagLines(dataFile("Capablanca.pgn")), 597);
}

TEST_F(BookBuildTest, SecondOccurrenceStoresTwiceItsWeightAndLaterOnesAdd) {
    const uint32_t e4 = keyAfter({"e4"});
    // White's book weights: 1-0 10, 1/2-1/2 5, 0-1 0, * 5.
    const std::string games[] = {game("1-0", "1. e4 e5"), game("1/2-1/2", "1. e4 c5"),
                                 game("0-1", "1. e4 e6"), game("*", "1. e4 d5")};
    std::string text;
    const uint32_t expected[] = {0, 2 * 5, 2 * 5 + 0, 2 * 5 + 0 + 5};
    for (int n = 0; n < 4; n++) {
        text += games[n];
        writeFile("games.pgn", text);
        BuildCounts counts = buildBookQuietly("games.pgn", "blancas.obk");
        EXPECT_EQ(counts.games, n + 1);
        std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
        if (n == 0) {
            EXPECT_TRUE(book.empty());
        } else {
            EXPECT_EQ(book.size(), 1u); // only 1.e4 was seen twice
            EXPECT_EQ(book[e4], expected[n]) << n;
        }
    }
    // minGames 1: every occurrence counts, the first with its own weight.
    buildBookQuietly("games.pgn", "blancas.obk", 0, 1);
    std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
    EXPECT_EQ(book.size(), 1u);
    EXPECT_EQ(book[e4], 10u + 5 + 0 + 5);
}

TEST_F(BookBuildTest, ThresholdOfThreeAndBlackBook) {
    std::string text = game("0-1", "1. d4 d5") + game("0-1", "1. d4 d5") +
                       game("1-0", "1. d4 d5") + game("0-1", "1. d4 d5");
    writeFile("games.pgn", text);
    buildBookQuietly("games.pgn", "negras.obk", 0, 3);
    std::map<uint32_t, uint32_t> book = readWholeBook("negras.obk");
    ASSERT_EQ(book.size(), 1u);
    EXPECT_EQ(book[keyAfter({"d4", "d5"})], 3u * 0 + 10); // third stores 3 x 0, fourth adds 10
}

// Keys after every ply of a real game, replayed independently of the builder's reader.
std::vector<uint32_t> keysOfGame(const std::string& movetext) {
    std::vector<std::string> moves;
    std::istringstream in(movetext);
    std::string token;
    while (in >> token) {
        size_t start = token.find_first_not_of("0123456789.");
        if (start == std::string::npos || token == "1/2-1/2" || token == "1-0") continue;
        moves.push_back(token.substr(start));
    }
    std::vector<uint32_t> keys;
    newGame();
    for (const std::string& san : moves) {
        if (!playMoves({san})) break;
        keys.push_back(static_cast<uint32_t>(board.hashKey >> 32));
    }
    return keys;
}

TEST_F(BookBuildTest, WhiteBookStopsAtPly59AndBlackBookAtPly60) {
    std::string text = readFile(dataFile("nepomniachtchi-liren-game1.pgn"));
    std::vector<uint32_t> keys = keysOfGame(text.substr(text.find("\n\n") + 2));
    ASSERT_EQ(keys.size(), 97u);
    struct Case {
        const char* book;
        int maxPly;
        int lastPly; // last ply stored
    };
    for (Case c : {Case{"blancas.obk", 0, 59}, Case{"negras.obk", 0, 60},
                   Case{"blancas.obk", 10, 9}, Case{"negras.obk", 10, 10},
                   Case{"negras.obk", 200, 96}, Case{"blancas.obk", 200, 97}}) {
        BuildCounts counts = buildBookQuietly(dataFile("nepomniachtchi-liren-game1.pgn"),
                                              c.book, c.maxPly, 1);
        std::map<uint32_t, uint32_t> book = readWholeBook(c.book);
        int colourParity = c.book[0] == 'b' ? 1 : 0; // White's plies are the odd ones
        size_t stored = 0;
        for (int ply = 1; ply <= 97; ply++) {
            bool expected = ply % 2 == colourParity && ply <= c.lastPly;
            EXPECT_EQ(book.count(keys[ply - 1]) == 1, expected)
                << c.book << " maxPly " << c.maxPly << " ply " << ply;
            stored += expected;
        }
        EXPECT_EQ(book.size(), stored);
        EXPECT_EQ(counts.uniques, static_cast<int>(stored));
        for (auto [key, value] : book) EXPECT_EQ(value, 5u); // a drawn game, once each
    }
}

TEST_F(BookBuildTest, OtherTargetNamesGiveAnEmptyDatabase) {
    for (const char* name : {"Blancas.obk", "Negras.obk", "book.txt", "blancas.obk.txt"}) {
        BuildCounts counts = buildBookQuietly(dataFile("tatamast22.pgn"), name, 0, 1);
        EXPECT_EQ(counts.games, 91) << name;
        EXPECT_EQ(counts.uniques, 0) << name;
        EXPECT_TRUE(fileExists(name)) << name;
        EXPECT_TRUE(readWholeBook(name).empty()) << name;
    }
}

TEST_F(BookBuildTest, CommentsVariationsGlyphsNumbersAndResultsAreSkipped) {
    writeFile("games.pgn",
              game("1-0", "1. e4 {1... c5 2. Nf3 d6} e5 (1... c5 2.Nf3) 2. Nf3 $1 Nc6\n"
                          "3.Bb5 ( 3. Bc4 Bc5 ) 3... a6 {the Spanish} 4. Ba4 [%clk 0:01:00] Nf6"));
    buildBookQuietly("games.pgn", "blancas.obk", 0, 1);
    std::map<uint32_t, uint32_t> white = readWholeBook("blancas.obk");
    EXPECT_EQ(white.size(), 4u);
    for (auto line : {std::vector<std::string>{"e4"}, {"e4", "e5", "Nf3"},
                      {"e4", "e5", "Nf3", "Nc6", "Bb5"},
                      {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4"}})
        EXPECT_EQ(white[keyAfter(line)], 10u);
    buildBookQuietly("games.pgn", "negras.obk", 0, 1);
    std::map<uint32_t, uint32_t> black = readWholeBook("negras.obk");
    EXPECT_EQ(black.size(), 4u);
    EXPECT_EQ(black.count(keyAfter({"e4", "c5"})), 0u);
    EXPECT_EQ(black[keyAfter({"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6"})], 0u);
}

TEST_F(BookBuildTest, UnresolvableMoveAbandonsTheRestOfThatGameOnly) {
    struct Case {
        const char* movetext;
        int storedWhitePlies; // White positions stored before the bad token
    };
    const Case cases[] = {
        {"1. e4 e5 2. Nf3 Zz9 3. Bb5 a6", 2},            // misspelt
        {"1. e4 e5 2. Nf3 Z0 3. Bb5 a6", 2},             // null move
        {"1. e4 e5 2. Nf3! Nc6 3. Bb5 a6", 1},           // annotation glued to a move
        {"1. e4 e5 2. Nf3$1 Nc6 3. Bb5 a6", 1},          // glyph glued to a move
        {"1. e4 e6 2. d4 Bb4+ 3. Nf3 Nf6 4. c3 a6", 2},  // ignores the check: illegal
        {"1. e4 e5 2. Ke3 Nc6 3. Bb5 a6", 1},            // no such king move
        {"1. e4 e5 2. e6 Nc6 3. Bb5 a6", 1},             // pawn blocked
    };
    for (const Case& c : cases) {
        writeFile("games.pgn", game("1-0", c.movetext) + game("1-0", "1. d4 d5 2. c4"));
        BuildCounts counts = buildBookQuietly("games.pgn", "blancas.obk", 0, 1);
        EXPECT_EQ(counts.games, 2) << c.movetext;
        EXPECT_EQ(counts.uniques, c.storedWhitePlies + 2) << c.movetext;
        std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
        EXPECT_EQ(book.count(keyAfter({"e4"})), 1u) << c.movetext;
        EXPECT_EQ(book.count(keyAfter({"d4", "d5", "c4"})), 1u) << c.movetext; // next game
    }
}

TEST_F(BookBuildTest, SmallAwkwardFilesAreSurvived) {
    // A byte-order mark and games without moves.
    BuildCounts bom = buildBookQuietly(dataFile("utf8-bom.pgn"), "blancas.obk", 0, 1);
    EXPECT_EQ(bom.games, 2);
    EXPECT_EQ(bom.uniques, 0);
    // An empty line among the tags.
    BuildCounts empty = buildBookQuietly(dataFile("chessbase-empty-line.pgn"), "negras.obk", 0, 1);
    EXPECT_EQ(empty.games, 1);
    EXPECT_EQ(empty.uniques, 30);
    EXPECT_EQ(readWholeBook("negras.obk")[keyAfter({"e4", "e5"})], 10u);
    // A null move at Black's 41st: the game ends there.
    BuildCounts null = buildBookQuietly(dataFile("anastasian-lewis.pgn"), "negras.obk", 200, 1);
    EXPECT_EQ(null.games, 1);
    EXPECT_EQ(null.uniques, 40);
    // Comments after every move; the bishops go back and forth, so two of White's positions
    // recur within the one game and are stored with twice its weight.
    BuildCounts comments = buildBookQuietly(dataFile("stockfish-learning.pgn"), "blancas.obk");
    EXPECT_EQ(comments.games, 1);
    EXPECT_EQ(comments.uniques, 2);
    const std::vector<std::string> opening = {"e4", "a6", "c4", "e5", "Nf3", "Nc6", "Nc3",
                                              "Nf6", "a3", "d6", "Be2", "Bg4", "d3", "g6",
                                              "O-O", "Bg7", "b4", "O-O", "Rb1", "Nd7", "Bg5"};
    std::map<uint32_t, uint32_t> book = readWholeBook("blancas.obk");
    EXPECT_EQ(book[keyAfter(opening)], 20u);
}

TEST_F(BookBuildTest, EndOfFileInsideTagsOrMovesEndsTheBuildCleanly) {
    const std::string cut[] = {
        "[Event \"x\"]\n[Result \"1-0\"]\n[White",
        "[Event \"x\"]\n[Result \"1-0\"]",
        "[Event \"x\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3",
        "[Event \"x\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3\n",
        "[Event \"x\"]\n[Result \"1-0\"]\n\n1. e4 {an endless comment",
        "[Event \"x\"]\n[Event \"y\"]\n",
        "",
    };
    const int games[] = {1, 1, 1, 1, 1, 0, 0};
    const int uniques[] = {0, 0, 2, 2, 1, 0, 0};
    for (int i = 0; i < 7; i++) {
        writeFile("cut.pgn", cut[i]);
        BuildCounts counts = buildBookQuietly("cut.pgn", "blancas.obk", 0, 1);
        EXPECT_EQ(counts.games, games[i]) << i;
        EXPECT_EQ(counts.uniques, uniques[i]) << i;
    }
}

TEST_F(BookBuildTest, LongLinesAreReadInPieces) {
    std::string comment(6000, 'x');
    std::string words;
    for (int i = 0; i < 900; i++) words += "word ";
    writeFile("long.pgn", game("1-0", "1. e4 {" + comment + "} e5 {" + words + "} 2. Nf3 Nc6 " +
                                          std::string(5000, ' ') + "3. Bb5"));
    BuildCounts counts = buildBookQuietly("long.pgn", "blancas.obk", 0, 1);
    EXPECT_EQ(counts.games, 1);
    EXPECT_EQ(counts.uniques, 3);
    EXPECT_EQ(readWholeBook("blancas.obk")[keyAfter({"e4", "e5", "Nf3", "Nc6", "Bb5"})], 10u);
}

TEST_F(BookBuildTest, CrLfCollectionBuildsTheSameBookAsItsLfCopy) {
    std::string crlf = readFile(dataFile("Capablanca.pgn"));
    ASSERT_NE(crlf.find("\r\n"), std::string::npos);
    std::string lf;
    for (size_t i = 0; i < crlf.size(); i++)
        if (!(crlf[i] == '\r' && i + 1 < crlf.size() && crlf[i + 1] == '\n')) lf += crlf[i];
    writeFile("lf.pgn", lf);
    BuildCounts a = buildBookQuietly(dataFile("Capablanca.pgn"), "negras.obk");
    std::map<uint32_t, uint32_t> fromCrLf = readWholeBook("negras.obk");
    BuildCounts b = buildBookQuietly("lf.pgn", "negras.obk");
    EXPECT_EQ(a.games, 597);
    EXPECT_EQ(a.games, b.games);
    EXPECT_EQ(a.uniques, b.uniques);
    EXPECT_GT(a.uniques, 100);
    EXPECT_EQ(readWholeBook("negras.obk"), fromCrLf);
}

TEST_F(BookBuildTest, ReplayNeverOutgrowsTheUndoStack) {
    EXPECT_EQ(settleMaxPly(1000, 0), UndoStackSize);
    EXPECT_EQ(settleMaxPly(0, 1), 59);
    EXPECT_EQ(settleMaxPly(-3, 0), -3);
    std::string moves;
    for (int i = 0; i < 80; i++) moves += "Nf3 Nf6 Ng1 Ng8 ";
    writeFile("long.pgn", game("1/2-1/2", moves));
    BuildCounts counts = buildBookQuietly("long.pgn", "negras.obk", 1000, 1);
    EXPECT_EQ(counts.games, 1);
    EXPECT_LE(board.historyIndex, UndoStackSize);
    EXPECT_EQ(readWholeBook("negras.obk")[keyAfter({"Nf3", "Nf6"})], 5u * (UndoStackSize / 4));
}

// The first move of each game, read directly from the text: the expected score of 1.e4.
uint32_t expectedScoreOfE4(const std::string& text) {
    std::vector<int> weights;
    size_t at = 0;
    while ((at = text.find("[Result \"", at)) != std::string::npos) {
        std::string result = text.substr(at + 9, 3);
        int weight = result == "1-0" ? 10 : result == "0-1" ? 0 : 5;
        size_t moves = text.find("\n1.", at);
        if (moves == std::string::npos) break;
        size_t first = text.find_first_not_of(". \r\n", moves + 3);
        if (text.compare(first, 3, "e4 ") == 0 || text.compare(first, 4, "e4\r\n") == 0)
            weights.push_back(weight);
        at = moves;
    }
    if (weights.size() < 2) return 0;
    uint32_t score = 2 * weights[1];
    for (size_t i = 2; i < weights.size(); i++) score += weights[i];
    return score;
}

TEST_F(BookBuildTest, DumpToolListsLittleEndianRecordsWithTheScoreOfE4) {
    BuildCounts counts = buildBookQuietly(dataFile("Capablanca.pgn"), "blancas.obk");
    if (system("command -v db5.3_dump >/dev/null 2>&1") != 0) GTEST_SKIP() << "no db5.3_dump";
    std::istringstream dump(commandOutput("db5.3_dump blancas.obk"));
    std::string line;
    while (std::getline(dump, line) && line != "HEADER=END") {
    }
    std::map<std::string, std::string> records;
    std::string key, value;
    while (std::getline(dump, key) && key != "DATA=END" && std::getline(dump, value)) {
        ASSERT_EQ(key.size(), 9u) << key;   // a blank and four bytes in hex
        ASSERT_EQ(value.size(), 9u) << value;
        records[key.substr(1)] = value.substr(1);
    }
    EXPECT_EQ(records.size(), static_cast<size_t>(counts.uniques));
    uint32_t e4 = keyAfter({"e4"});
    char keyHex[9];
    snprintf(keyHex, sizeof keyHex, "%02x%02x%02x%02x", e4 & 255, (e4 >> 8) & 255,
             (e4 >> 16) & 255, e4 >> 24);
    uint32_t score = expectedScoreOfE4(readFile(dataFile("Capablanca.pgn")));
    ASSERT_GT(score, 100u);
    char valueHex[9];
    snprintf(valueHex, sizeof valueHex, "%02x%02x%02x%02x", score & 255, (score >> 8) & 255,
             (score >> 16) & 255, score >> 24);
    ASSERT_EQ(records.count(keyHex), 1u);
    EXPECT_EQ(records[keyHex], valueHex);
}

} // namespace

namespace {

// Movetext soup from a fixed seed: moves, near-moves and plain junk, to be replayed without
// a crash, an overrun or an illegal move (the sanitizer build runs this too).
TEST_F(BookBuildTest, TokenSoupIsSurvived) {
    const char* vocabulary[] = {
        "e4", "e5", "Nf3", "Nc6", "d4", "exd4", "Nxd4", "O-O", "O-O-O", "o-o", "Bb5", "a6",
        "Nf3!", "e4!!", "e9", "Qxz1", "a", "x", "K", "Kx", "=Q", "e8=", "exd", "h8=K", "Rr1",
        "N1", "Nxx4", "Bxh9+", "Z0", "--", "$3", "1.", "2...", "{", "}", "(", ")", "[", "]",
        "\t", "\xc3\xa9", "\xff\xfe", "0-0", "1/2-1/2", "*", "e4+#", "Qh4#", "b8=Q+", "axb8=N",
        "Nbd7", "R1e2", "Qd1xd8", "ee", "4e", "O-", "OO", "P", "pe4", "@", "%", "e2e4"};
    const int words = sizeof vocabulary / sizeof vocabulary[0];
    uint32_t state = 12345;
    std::string text;
    for (int g = 0; g < 300; g++) {
        std::string moves;
        for (int t = 0; t < 80; t++) {
            state = state * 1103515245u + 12345u;
            moves += vocabulary[(state >> 8) % words];
            moves += (state >> 20) % 9 == 0 ? "\n" : " ";
        }
        text += game(g % 3 == 0 ? "1-0" : "0-1", moves);
    }
    writeFile("soup.pgn", text);
    for (const char* book : {"blancas.obk", "negras.obk"}) {
        BuildCounts counts = buildBookQuietly("soup.pgn", book, 200, 1);
        EXPECT_EQ(counts.games, 300);
        EXPECT_EQ(readWholeBook(book).size(), static_cast<size_t>(counts.uniques));
    }
}

} // namespace
