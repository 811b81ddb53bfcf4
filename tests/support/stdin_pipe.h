// Replaces standard input with a pipe the test writes into; restores it on destruction.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/platform.h"

class StdinPipe {
public:
    StdinPipe() {
        savedStdin = dup(STDIN_FILENO);
        int ends[2];
        if (pipe(ends) == 0) {
            dup2(ends[0], STDIN_FILENO);
            close(ends[0]);
            writeEnd = ends[1];
        }
        resetInput();
    }
    ~StdinPipe() {
        closeWriter();
        dup2(savedStdin, STDIN_FILENO);
        close(savedStdin);
        resetInput();
    }
    // Appends text to what standard input will deliver.
    void send(const char* text) const {
        size_t length = strlen(text);
        while (length > 0) {
            ssize_t written = write(writeEnd, text, length);
            if (written <= 0) return;
            text += written;
            length -= static_cast<size_t>(written);
        }
    }
    // Closes the writing end: the reader then meets end of input.
    void closeWriter() {
        if (writeEnd >= 0) close(writeEnd);
        writeEnd = -1;
    }

private:
    int savedStdin = -1;
    int writeEnd = -1;
};
