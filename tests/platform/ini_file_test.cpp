// The INI reader: case-insensitive names, stripping, atoi-like integers, defaults and cutting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/morvane_ini_XXXXXX";
        int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0);
        close(fd);
        name = pattern;
    }
    void TearDown() override { remove(name.c_str()); }
    void write(const char* text) {
        FILE* file = fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fputs(text, file);
        fclose(file);
    }
    std::string readString(const char* key, const char* fallback = "dflt", int size = 256) {
        char out[300];
        iniReadString(name.c_str(), "Preferences", key, fallback, out, size);
        return out;
    }
    std::string name;
};

} // namespace

TEST_F(IniFile, NamesMatchWithoutRegardToCase) {
    write("[other]\nHash Size=8\n[PREFERENCES]\nhash size = 32\nlog file=1\n");
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "Hash Size", 64), 32);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "Log File", 0), 1);
    EXPECT_EQ(iniReadInt(name.c_str(), "Other", "HASH SIZE", 64), 8);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "Noise", 4), 4);
}

TEST_F(IniFile, MissingFileGivesDefaults) {
    remove(name.c_str());
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "Hash Size", 64), 64);
    EXPECT_EQ(readString("TB Path", "Z:\\TBs"), "Z:\\TBs");
}

TEST_F(IniFile, IntegersReadLikeAtoi) {
    write("[Preferences]\nA=-12abc\nB=+7\nC=abc\nD=\nE=99999999999999\nF=-99999999999999\nG=\"42\"\n");
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "A", 1), -12);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "B", 1), 7);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "C", 1), 0);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "D", 1), 0);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "E", 1), INT_MAX);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "F", 1), INT_MIN);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "G", 1), 42);
}

TEST_F(IniFile, StringsLoseBlanksAndOnePairOfQuotes) {
    write("[Preferences]\r\nDraw =   40    3   \r\nTB Path = \"C:\\My TBs\" \r\n"
          "Book Mode=\"\"Normal\"\"\r\nQ='x'\r\nHalf=\"open\r\n");
    EXPECT_EQ(readString("Draw"), "40    3");
    EXPECT_EQ(readString("TB Path"), "C:\\My TBs");
    EXPECT_EQ(readString("Book Mode"), "\"Normal\"");
    EXPECT_EQ(readString("Q"), "x");
    EXPECT_EQ(readString("Half"), "\"open");
}

TEST_F(IniFile, ValuesAreCutToTheBuffer) {
    write("[Preferences]\nBook Mode=Tournament\n");
    EXPECT_EQ(readString("Book Mode", "x", 10), "Tournamen");
    EXPECT_EQ(readString("Missing", "a very long default", 5), "a ve");
    char guard[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    iniReadString(name.c_str(), "Preferences", "Book Mode", "", guard, 1);
    EXPECT_EQ(guard[0], '\0');
    EXPECT_EQ(guard[1], '#');
}

TEST_F(IniFile, OverlongLinesAndIndentedKeysAreSafe) {
    std::string text = "[Preferences]\nTB Path=" + std::string(1000, 'p') + "=9\n  Noise = 5\nFirst=1\nFirst=2\n";
    write(text.c_str());
    std::string path = readString("TB Path");
    EXPECT_GT(path.size(), 100u);
    EXPECT_EQ(path.find_first_not_of('p'), std::string::npos) << "the tail of the line is dropped";
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "Noise", 4), 5);
    EXPECT_EQ(iniReadInt(name.c_str(), "Preferences", "First", 0), 1);
}
