// Helpers of the engine-directory tests: copies of build/home, PNG files, the images that a game
// log names, shell commands, and a short game played by the engine against itself.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace fs = std::filesystem;

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Copies what the engine reads from build/home (not the logs a `make run` may have left there).
inline void copyEngineHome(const std::string& to) {
    const fs::path home = MORVANE_HOME_DIR;
    for (const char* name : {"Morvane.cfg", "blancas.obk", "negras.obk", "diagram", "tablebases"}) {
        std::error_code error;
        fs::copy(home / name, fs::path(to) / name, fs::copy_options::recursive, error);
        ASSERT_FALSE(error) << "copying " << (home / name) << ": " << error.message();
    }
}

// Runs a shell command; its standard output and error, and its exit status in *status.
inline std::string runCommand(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return output;
    }
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    int result = pclose(pipe);
    if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

struct PngCheck {
    int width = 0;
    int height = 0;
    std::string problem; // empty for a sound file
};

// Checks the PNG signature, that every chunk is whole with a matching CRC, that IHDR comes first
// and IEND last with image data between them; returns the declared size.
inline PngCheck checkPng(const std::string& path) {
    PngCheck result;
    const std::string bytes = readWholeFile(path);
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < 8 || bytes.compare(0, 8, reinterpret_cast<const char*>(signature), 8) != 0) {
        result.problem = "no PNG signature";
        return result;
    }
    uint32_t table[256];
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    auto big = [&](size_t at) {
        return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
               (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
    };
    size_t at = 8;
    bool sawData = false;
    std::string last;
    while (at + 12 <= bytes.size()) {
        uint32_t length = big(at);
        if (length > bytes.size() - at - 12) {
            result.problem = "chunk runs past the end";
            return result;
        }
        std::string type = bytes.substr(at + 4, 4);
        uint32_t crc = 0xffffffffu;
        for (size_t i = at + 4; i < at + 8 + length; i++)
            crc = table[(crc ^ uint8_t(bytes[i])) & 0xff] ^ (crc >> 8);
        if ((crc ^ 0xffffffffu) != big(at + 8 + length)) {
            result.problem = "bad CRC in " + type;
            return result;
        }
        if (last.empty()) {
            if (type != "IHDR" || length != 13) {
                result.problem = "IHDR is not first";
                return result;
            }
            result.width = static_cast<int>(big(at + 8));
            result.height = static_cast<int>(big(at + 12));
        }
        if (type == "IDAT") sawData = true;
        last = type;
        at += 12 + length;
    }
    if (last != "IEND" || at != bytes.size()) result.problem = "does not end with IEND";
    else if (!sawData) result.problem = "no image data";
    return result;
}

// An image that a log names, with the size its own tag or its table cell declares.
struct NamedImage {
    std::string name; // below "diagram/"
    int width = 0;
    int height = 0;
};

// The value of attribute=NN inside tag, or 0.
inline int numberAttribute(const std::string& tag, const std::string& attribute) {
    size_t at = tag.find(" " + attribute + "=");
    return at == std::string::npos ? 0 : std::atoi(tag.c_str() + at + attribute.size() + 2);
}

// Every image of the log, in order: the size comes from the img tag when it has one, else from
// the table cell that holds the image.
inline std::vector<NamedImage> imagesNamedByLog(const std::string& html) {
    std::vector<NamedImage> images;
    const std::string marker = "<img src=\"";
    for (size_t at = html.find(marker); at != std::string::npos; at = html.find(marker, at + 1)) {
        size_t end = html.find('>', at);
        std::string tag = html.substr(at, end - at);
        size_t nameStart = at + marker.size();
        NamedImage image;
        image.name = html.substr(nameStart, html.find('"', nameStart) - nameStart);
        image.width = numberAttribute(tag, "width");
        image.height = numberAttribute(tag, "height");
        if (image.width == 0 && image.height == 0) {
            size_t cell = html.rfind("<td", at);
            std::string cellTag = html.substr(cell, html.find('>', cell) - cell);
            image.width = numberAttribute(cellTag, "width");
            image.height = numberAttribute(cellTag, "height");
        }
        images.push_back(image);
    }
    return images;
}

// The engine plays plies half-moves against itself at depth 2 (book moves first), answering
// every "go"; returns the transcript. The engine is left running.
inline std::string playAgainstItself(EngineProcess& engine, int plies) {
    engine.send("xboard");
    engine.send("new");
    engine.send("sd 2");
    std::string transcript;
    for (int ply = 0; ply < plies; ply++) {
        engine.send("go");
        std::string reply = engine.readUntil("\nmove ", 30000);
        EXPECT_FALSE(reply.empty()) << "no move at ply " << ply + 1 << ":\n" << engine.pending;
        if (reply.empty()) break;
        transcript += reply;
    }
    return transcript;
}
