// The PGN line reader and the token rules of the book builder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/pgn_reader.h"
#include "support/book_fixture.h"

namespace {

struct Piece {
    std::string text;
    bool continuation;
};

std::vector<Piece> readPieces(const std::string& name) {
    std::vector<Piece> pieces;
    FILE* file = fopen(name.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    if (!file) return pieces;
    PgnReader reader;
    initPgnReader(&reader, file);
    while (readPgnLine(&reader)) {
        EXPECT_EQ(static_cast<size_t>(reader.length), std::string(reader.line).size());
        pieces.push_back({reader.line, reader.continuation});
    }
    fclose(file);
    return pieces;
}

using PgnReaderTest = BookDirectoryTest;

TEST_F(PgnReaderTest, LongLinesComeInPiecesWithTokensWhole) {
    std::string line;
    for (int i = 1; line.size() < 10000; i++) line += std::to_string(i) + ". Nf3 Nf6 Ng1 Ng8 ";
    line += "end\n";
    writeFile("long.pgn", line + "\nnext\n");
    std::vector<Piece> pieces = readPieces("long.pgn");
    ASSERT_GE(pieces.size(), 5u);
    std::string joined;
    size_t i = 0;
    for (; i < pieces.size() && joined.size() < line.size(); i++) {
        EXPECT_LE(pieces[i].text.size(), static_cast<size_t>(PgnLineSize) + 1);
        EXPECT_EQ(pieces[i].continuation, i > 0);
        char last = pieces[i].text.back();
        EXPECT_TRUE(last == ' ' || last == '\n'); // cut after a blank, never inside a token
        joined += pieces[i].text;
    }
    EXPECT_EQ(joined, line);
    ASSERT_EQ(pieces.size(), i + 2);
    EXPECT_EQ(pieces[i].text, "\n");
    EXPECT_FALSE(pieces[i].continuation);
    EXPECT_EQ(pieces[i + 1].text, "next\n");
}

TEST_F(PgnReaderTest, LineWithoutBlanksSplitsAtTheBufferAndItsNewlineIsNotABlankLine) {
    std::string word(PgnLineSize, 'x');
    writeFile("word.pgn", word + "\n" + word + "yz\n");
    FILE* file = fopen("word.pgn", "rb");
    ASSERT_NE(file, nullptr);
    PgnReader reader;
    initPgnReader(&reader, file);
    ASSERT_TRUE(readPgnLine(&reader));
    EXPECT_EQ(std::string(reader.line), word + "\n"); // exactly full: the newline still fits
    ASSERT_TRUE(readPgnLine(&reader));
    EXPECT_EQ(std::string(reader.line), word);
    ASSERT_TRUE(readPgnLine(&reader));
    EXPECT_EQ(std::string(reader.line), "yz\n");
    EXPECT_TRUE(reader.continuation);
    EXPECT_FALSE(readPgnLine(&reader));
    EXPECT_FALSE(readPgnLine(&reader)); // end of file stays the end
    fclose(file);

    writeFile("split.pgn", word + "\r\n");
    std::vector<Piece> pieces = readPieces("split.pgn");
    ASSERT_EQ(pieces.size(), 1u); // the CR LF straddling the buffer's end is one newline
    EXPECT_EQ(pieces[0].text, word + "\n");
}

TEST(PgnTokens, ResultWeightsForEachBook) {
    const char* white = "[Result \"1-0\"]";
    const char* black = "[Result \"0-1\"]";
    const char* draw = "[Result \"1/2-1/2\"]";
    const char* open = "[Result \"*\"]";
    const char* other = "[Result \"?\"]";
    EXPECT_EQ(resultWeight(white, 1), 10);
    EXPECT_EQ(resultWeight(white, 0), 0);
    EXPECT_EQ(resultWeight(black, 1), 0);
    EXPECT_EQ(resultWeight(black, 0), 10);
    EXPECT_EQ(resultWeight(draw, 1), 5);
    EXPECT_EQ(resultWeight(draw, 0), 5);
    EXPECT_EQ(resultWeight(open, 1), 5);
    EXPECT_EQ(resultWeight(open, 0), 5);
    EXPECT_EQ(resultWeight(other, 1), 0);
    EXPECT_EQ(resultWeight(other, 0), 0);
    EXPECT_EQ(resultWeight("Result", 1), 0); // the shortest line that reaches here
}

TEST(PgnTokens, MoveNumbersResultsAndGlyphsAreNotMoves) {
    for (const char* token : {"1.", "12...", "1-0", "0-1", "1/2-1/2", "*", "$14", "", "--"})
        EXPECT_EQ(sanOfToken(token), nullptr) << token;
    EXPECT_STREQ(sanOfToken("12.e4"), "e4");
    EXPECT_STREQ(sanOfToken("3...Nf6"), "Nf6");
    EXPECT_STREQ(sanOfToken("O-O"), "O-O");
    EXPECT_STREQ(sanOfToken("Z0"), "Z0");     // a null move is handed on, and fails there
    EXPECT_STREQ(sanOfToken("e4!?"), "e4!?"); // so is an annotation glued to a move
}

TEST(PgnTokens, BracketsAreCountedPerCharacter) {
    int parens = 0, brackets = 0, braces = 0;
    EXPECT_FALSE(countBrackets("Nf3", &parens, &brackets, &braces));
    EXPECT_TRUE(countBrackets("(1.", &parens, &brackets, &braces));
    EXPECT_TRUE(countBrackets("{a}", &parens, &brackets, &braces));
    EXPECT_TRUE(countBrackets("e4))", &parens, &brackets, &braces));
    EXPECT_TRUE(countBrackets("[%clk", &parens, &brackets, &braces));
    EXPECT_EQ(parens, -1);
    EXPECT_EQ(brackets, 1);
    EXPECT_EQ(braces, 0);
}

} // namespace
