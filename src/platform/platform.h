// The Linux layer: standard input with push-back and polling, the millisecond clock, the INI
// configuration reader and the terminal's colour cells. Nothing else knows the platform.
#pragma once

#include <cstdint>

// Standard input is not a terminal.
extern bool inputIsPipe;
// Standard output is a terminal (console cells are drawn only then).
extern bool outputIsConsole;

// Start-up: detect terminal or pipe, make standard output unbuffered, ignore SIGPIPE.
void initPlatform();
// Ignore the interrupt signal (xboard and uci modes).
void ignoreInterruptSignal();

// Next byte of standard input, or -1 at end of input (or a read error).
int readInputByte();
// Pushes one byte back; the next readInputByte returns it.
void pushBackInputByte(int byte);
// Nonzero when a byte (or end of input) is waiting, without blocking.
int inputWaiting();
// Discards the input that is waiting now, without blocking.
void discardPendingInput();
// Forgets a pushed-back byte and a seen end of input (after standard input was replaced).
void resetInput();

// Milliseconds from a monotonic clock.
uint32_t tickCount();

// INI reading from "Morvane.cfg" style files, section and key matched without regard to case.
// Missing file or key yields the default; integers read like atoi.
int iniReadInt(const char* file, const char* section, const char* key, int defaultValue);
// Copies the value (blanks and one pair of quotes stripped), cut to size - 1 characters.
void iniReadString(const char* file, const char* section, const char* key,
                   const char* defaultValue, char* out, int size);

// Terminal cells (only when outputIsConsole): write text at a column of the cursor row
// (rowOffset 0) or the row above it (rowOffset -1) with a console attribute such as 0xF0.
void consoleWriteCells(int column, int rowOffset, const char* text, int attribute);
// The ANSI sequence selecting a console attribute (0xF0 gives ESC[30;107m); returns its length.
int consoleAttributeSequence(int attribute, char* out, int size);
