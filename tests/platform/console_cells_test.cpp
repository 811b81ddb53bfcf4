// The terminal's colour cells: attribute mapping and the sequence written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

std::string sequenceOf(int attribute) {
    char out[32];
    consoleAttributeSequence(attribute, out, sizeof out);
    return out;
}

} // namespace

TEST(ConsoleCells, AttributesMapToTheDocumentedColours) {
    EXPECT_EQ(sequenceOf(0xF0), "\x1b[30;107m");
    EXPECT_EQ(sequenceOf(0xA0), "\x1b[30;102m");
    EXPECT_EQ(sequenceOf(0x77), "\x1b[37;47m");
    EXPECT_EQ(sequenceOf(0x70), "\x1b[30;47m");
    EXPECT_EQ(sequenceOf(0x0F), "\x1b[97;40m");
    EXPECT_EQ(sequenceOf(207), "\x1b[97;101m");
    // Console blue (1) is ANSI blue (4); console red (4) is ANSI red (1).
    EXPECT_EQ(sequenceOf(0x14), "\x1b[31;44m");
}

TEST(ConsoleCells, WritesAtTheColumnOfTheRowAboveAndRestoresTheCursor) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    fflush(stdout);
    int savedStdout = dup(STDOUT_FILENO);
    dup2(ends[1], STDOUT_FILENO);
    bool wasConsole = outputIsConsole;
    outputIsConsole = false;
    consoleWriteCells(3, -1, "hidden", 0xF0);
    outputIsConsole = true;
    consoleWriteCells(0, -1, "line", 207);
    consoleWriteCells(29, 0, "8", 0x0F);
    outputIsConsole = wasConsole;
    fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    close(ends[1]);
    std::string written;
    char buffer[256];
    ssize_t got;
    while ((got = read(ends[0], buffer, sizeof buffer)) > 0) written.append(buffer, static_cast<size_t>(got));
    close(ends[0]);
    EXPECT_EQ(written, "\x1b" "7\x1b[1A\x1b[1G\x1b[97;101mline\x1b[0m\x1b" "8"
                       "\x1b" "7\x1b[30G\x1b[97;40m8\x1b[0m\x1b" "8");
}
