// Perft leaf counting and the move-tree dump.
#pragma once

#include <cstdint>
#include <cstdio>

extern uint32_t perftNodes;

// Leaves to depth, counting the generated list at the last ply.
uint32_t perftCount(int depth);
// Adds the leaves to depth to perftNodes, making every move down to depth 0.
void perftLeaves(int depth);
// Writes the move tree below the current position in SAN, one move per line, tab-indented.
void dumpTree(int depth, int indent, FILE* file);
