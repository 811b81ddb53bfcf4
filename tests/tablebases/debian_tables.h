// Where Debian's gaviotatb package (installed by the Makefile) puts its 3-men set, and pointing
// the engine's reader at a directory list without printing its report.
#pragma once

#include <cstdio>

#include "tablebases/tablebases.h"

inline const char* const DebianTables = "/usr/share/gaviotatb/gtb4";

// Points the reader at path (without printing its report).
inline void useTablePath(const char* path) {
    std::snprintf(tbPath, sizeof tbPath, "%s", path);
    fflush(stdout);
    FILE* saved = stdout;
    stdout = std::fopen("/dev/null", "w");
    InitTablebases(2);
    std::fclose(stdout);
    stdout = saved;
}

