// Reading command lines: the dispatch key, cutting, CR LF and the end of input.
#include <gtest/gtest.h>

#include <cstring>

#include "frontend/command_line.h"
#include "support/stdin_pipe.h"

TEST(CommandLine, KeyIsTheSumOfTheFirstWord) {
    StdinPipe input;
    input.send("quit\nquit now\ne2e4\nsetoption name Hash value 64\n\n");
    char line[CommandLineSize];
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "quit");
    EXPECT_EQ(commandKey, 451);
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "quit now");
    EXPECT_EQ(commandKey, 451);
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_EQ(commandKey, 'e' + '2' + 'e' + '4');
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "setoption name Hash value 64");
    EXPECT_EQ(commandKey, 997);
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(commandKey, 0);
}

TEST(CommandLine, HighBytesCountFrom0To255AndCrLfReadsAsLf) {
    StdinPipe input;
    input.send("\xe9t\xe9\r\nucinewgame\r\nx\ry z\r\n");
    char line[64];
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_EQ(commandKey, 0xe9 + 't' + 0xe9);
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "ucinewgame");
    EXPECT_EQ(commandKey, 1061);
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "x\ry z") << "only a CR before the LF is dropped";
    EXPECT_EQ(commandKey, 'x' + '\r' + 'y');
}

TEST(CommandLine, LongLinesAreCutAndTheRestConsumed) {
    StdinPipe input;
    input.send("abcdefghijklmnop\nnext\n");
    char line[8 + 4];
    memset(line, '#', sizeof line);
    ASSERT_EQ(ReadCommandLine(line, 8), 1);
    EXPECT_STREQ(line, "abcdefg");
    EXPECT_EQ(line[8], '#') << "nothing written past the given size";
    ASSERT_EQ(ReadCommandLine(line, 8), 1);
    EXPECT_STREQ(line, "next");
}

TEST(CommandLine, EndOfInputReturnsZeroAfterAPartialLine) {
    StdinPipe input;
    input.send("stop");
    input.closeWriter();
    char line[64];
    ASSERT_EQ(ReadCommandLine(line, sizeof line), 1);
    EXPECT_STREQ(line, "stop");
    EXPECT_EQ(commandKey, 454);
    EXPECT_EQ(ReadCommandLine(line, sizeof line), 0);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(commandKey, 0);
    EXPECT_EQ(ReadCommandLine(line, sizeof line), 0);
}
