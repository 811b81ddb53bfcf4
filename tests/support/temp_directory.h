// Runs a test inside a fresh temporary directory (created, entered, removed afterwards), with
// standard output sent to a file there so that printed text can be read back.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

class TempDirectory {
public:
    TempDirectory() {
        char here[4096];
        if (getcwd(here, sizeof here)) previous = here;
        char pattern[] = "/tmp/morvane_test_XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
        if (!path.empty() && chdir(path.c_str()) != 0) path.clear();
    }
    ~TempDirectory() {
        restoreStdout();
        if (!previous.empty() && chdir(previous.c_str()) != 0) return;
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    // Sends standard output into the file "stdout.txt" of the directory.
    void captureStdout() {
        fflush(stdout);
        savedStdout = dup(STDOUT_FILENO);
        int fd = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    void restoreStdout() {
        if (savedStdout < 0) return;
        fflush(stdout);
        dup2(savedStdout, STDOUT_FILENO);
        close(savedStdout);
        savedStdout = -1;
    }
    // The whole content of a file of the directory ("" when missing).
    static std::string read(const char* name) {
        std::string text;
        FILE* file = fopen(name, "rb");
        if (!file) return text;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
        fclose(file);
        return text;
    }
    static bool exists(const char* name) {
        struct stat info;
        return stat(name, &info) == 0;
    }
    std::string path;

private:
    std::string previous;
    int savedStdout = -1;
};
