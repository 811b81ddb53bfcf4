// Runs build/morvane as a child process in a fresh temporary directory, talking through pipes:
// write lines, read lines (or text up to a marker) with a timeout, close the input, wait for exit.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class EngineProcess {
public:
    // Makes a fresh directory; with configText non-empty, writes it there as "Morvane.cfg".
    explicit EngineProcess(const std::string& configText = "") {
        char pattern[] = "/tmp/morvane_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        directory = made ? made : "/tmp";
        if (!configText.empty()) writeFile("Morvane.cfg", configText);
    }

    ~EngineProcess() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (toEngine >= 0) close(toEngine);
        if (fromEngine >= 0) close(fromEngine);
        std::error_code ignored;
        if (directory.rfind("/tmp/morvane_test_", 0) == 0)
            std::filesystem::remove_all(directory, ignored);
    }

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    // Writes a file into the engine's directory (before or after start).
    void writeFile(const std::string& name, const std::string& text) const {
        std::ofstream out(directory + "/" + name, std::ios::binary);
        out << text;
    }

    // Reads a whole file of the engine's directory ("" when missing).
    std::string readFile(const std::string& name) const {
        std::ifstream in(directory + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    bool fileExists(const std::string& name) const {
        return std::filesystem::exists(directory + "/" + name);
    }

    // Starts the program (by default build/morvane) with the pipes as standard input and output.
    bool start(const std::string& program = MORVANE_BINARY) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return false;
        pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            if (chdir(directory.c_str()) != 0) _exit(126);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toEngine = in[1];
        fromEngine = out[0];
        signal(SIGPIPE, SIG_IGN);
        return true;
    }

    // Sends one line (a newline is added).
    void send(const std::string& line) {
        std::string text = line + "\n";
        const char* p = text.data();
        size_t left = text.size();
        while (left > 0 && toEngine >= 0) {
            ssize_t n = write(toEngine, p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<size_t>(n);
        }
    }

    // Sends raw bytes as they are.
    void sendRaw(const std::string& text) {
        if (toEngine >= 0 && write(toEngine, text.data(), text.size()) < 0) return;
    }

    // Closes the engine's standard input (end of input).
    void closeInput() {
        if (toEngine >= 0) close(toEngine);
        toEngine = -1;
    }

    // Sends a signal to the engine.
    void sendSignal(int number) {
        if (pid > 0) kill(pid, number);
    }

    // Closes the reading end of the engine's output (as an interface that went away).
    void closeOutput() {
        if (fromEngine >= 0) close(fromEngine);
        fromEngine = -1;
    }

    // Reads until text contains marker; returns everything up to and including it and keeps the
    // rest. Returns "" (leaving the text read so far in pending) when the timeout passes first.
    std::string readUntil(const std::string& marker, int timeoutMs = 10000) {
        long deadline = nowMs() + timeoutMs;
        for (;;) {
            size_t at = pending.find(marker);
            if (at != std::string::npos) {
                std::string result = pending.substr(0, at + marker.size());
                pending.erase(0, at + marker.size());
                transcript += result;
                return result;
            }
            long left = deadline - nowMs();
            if (left <= 0 || !fill(static_cast<int>(left))) return "";
        }
    }

    // One line without its newline; false at timeout or end of output.
    bool readLine(std::string& line, int timeoutMs = 10000) {
        std::string text = readUntil("\n", timeoutMs);
        if (text.empty()) return false;
        line = text.substr(0, text.size() - 1);
        return true;
    }

    // Everything that arrives until the output stays quiet for quietMs (or ends).
    std::string readQuiet(int quietMs = 300) {
        while (fill(quietMs)) {
        }
        std::string result = pending;
        transcript += pending;
        pending.clear();
        return result;
    }

    // Waits for the process to end; its exit status, or -1 on timeout or abnormal end.
    int waitExit(int timeoutMs = 10000) {
        long deadline = nowMs() + timeoutMs;
        while (pid > 0) {
            int status = 0;
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (nowMs() > deadline) return -1;
            fill(20);
        }
        return -1;
    }

    std::string directory;
    std::string pending;    // output read but not yet consumed
    std::string transcript; // everything consumed so far

private:
    static long nowMs() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
    }

    // Waits up to timeoutMs for output and appends it to pending; false on timeout or end.
    bool fill(int timeoutMs) {
        if (fromEngine < 0) return false;
        pollfd p{fromEngine, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        char buffer[4096];
        ssize_t n = read(fromEngine, buffer, sizeof buffer);
        if (n <= 0) {
            close(fromEngine);
            fromEngine = -1;
            return false;
        }
        pending.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid = -1;
    int toEngine = -1;
    int fromEngine = -1;
};

// The fixed text the engine prints before its first prompt, after the hash and tablebase lines.
inline const char* const EngineFirstPrompt = "white(1): ";

// Starts the engine and consumes its start-up text up to the first console prompt.
inline std::string startToPrompt(EngineProcess& engine) {
    if (!engine.start()) return "";
    return engine.readUntil(EngineFirstPrompt, 20000);
}

// Starts the engine, consumes the start-up text and switches to xboard mode (no prompts).
inline bool startXboard(EngineProcess& engine) {
    if (startToPrompt(engine).empty()) return false;
    engine.send("xboard");
    engine.send("ping 9001");
    return !engine.readUntil("pong 9001\n").empty();
}

// Sends a ping and returns everything printed before its pong (the pong line excluded).
inline std::string outputBeforePong(EngineProcess& engine, int number, int timeoutMs = 20000) {
    engine.send("ping " + std::to_string(number));
    std::string marker = "pong " + std::to_string(number) + "\n";
    std::string text = engine.readUntil(marker, timeoutMs);
    if (text.empty()) return "<no pong>";
    return text.substr(0, text.size() - marker.size());
}
