// Test helpers for the opening book: a scratch directory made current for each test, and
// small file utilities.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// Runs each test inside a fresh temporary directory (book files are opened by relative name).
class BookDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/morvane-book-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(directory.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous), 0);
        std::string command = "rm -rf '" + directory + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
    std::string directory;
    char previous[4096];
};

inline void writeFile(const std::string& name, const std::string& text) {
    std::ofstream out(name, std::ios::binary);
    out << text;
}

inline std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool fileExists(const std::string& name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0;
}

inline std::string dataFile(const std::string& name) {
    return std::string(MORVANE_DATA_DIR) + "/pgn/" + name;
}

// Output of a shell command, or an empty string when it cannot run.
inline std::string commandOutput(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
    return text;
}
