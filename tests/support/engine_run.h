// Runs build/morvane as a child process for fault tests: lines written to its standard input,
// its standard output read with a timeout, either end of the pipes closed at will, standard
// error kept in "stderr.txt" of the current directory. Optionally started inside a private mount
// namespace through /bin/sh, so that a test can make folders read-only even for root.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

class EngineRun {
public:
    // Starts the engine; shellPrefix (run by /bin/sh before exec of the engine) may prepare
    // the namespace, e.g. "mount --bind -o ro . . &&".
    explicit EngineRun(const std::string& shellPrefix = "") {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) dup2(err, STDERR_FILENO);
            close(in[1]);
            close(out[0]);
            // A sanitized engine sees a refused allocation as a null pointer, as in Release.
            setenv("ASAN_OPTIONS", "allocator_may_return_null=1", 1);
            if (shellPrefix.empty()) {
                execl(MORVANE_BINARY, MORVANE_BINARY, static_cast<char*>(nullptr));
            } else {
                std::string command = shellPrefix + " exec " MORVANE_BINARY;
                execl("/usr/bin/unshare", "unshare", "-m", "/bin/sh", "-c", command.c_str(),
                      static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = out[0];
        signal(SIGPIPE, SIG_IGN); // a closed engine must not end the test
    }
    ~EngineRun() {
        closeInput();
        closeOutput();
        if (pid > 0 && status < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;

    bool started() const { return pid > 0; }

    // Writes the text (lines with their newlines) to the engine; false when the pipe is gone.
    bool send(const std::string& text) {
        if (input < 0) return false;
        return write(input, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // Reads output until it contains text or milliseconds pass; true when found.
    bool waitFor(const std::string& text, int milliseconds = 20000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        size_t from = 0;
        while (output >= 0) {
            if (transcript.find(text, from) != std::string::npos) return true;
            from = transcript.size() > text.size() ? transcript.size() - text.size() : 0;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd ready{output, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[4096];
            ssize_t n = read(output, buffer, sizeof buffer);
            if (n <= 0) break;
            transcript.append(buffer, static_cast<size_t>(n));
        }
        return transcript.find(text) != std::string::npos;
    }

    void closeInput() {
        if (input >= 0) close(input);
        input = -1;
    }
    void closeOutput() {
        if (output >= 0) close(output);
        output = -1;
    }

    // Waits for the engine to end, reading (and keeping) its output meanwhile; the wait status,
    // or -1 when it is still running after milliseconds (it is then killed).
    int waitExit(int milliseconds = 20000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            int result = 0;
            if (waitpid(pid, &result, WNOHANG) == pid) return status = result;
            if (output >= 0) {
                pollfd ready{output, POLLIN, 0};
                if (poll(&ready, 1, 20) > 0) {
                    char buffer[4096];
                    ssize_t n = read(output, buffer, sizeof buffer);
                    if (n > 0) transcript.append(buffer, static_cast<size_t>(n));
                    else closeOutput();
                }
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        return -1;
    }

    std::string transcript;

private:
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    int status = -1;
};
