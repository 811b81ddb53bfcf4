// The console tools of the command handler: perft reports, the move-tree dump, book building.
#pragma once

// "Nodes[i]" for every depth 1..depth and the time line of the last; makeEveryMove selects the
// perft that makes every move down to depth 0.
void PerftReport(int depth, int makeEveryMove);
// Asks for a depth and a file name and writes the move tree there.
void treeCommand();
// The book command's arguments (source, target, maxply, mn): builds a book or prints the usage.
void BookCommand(const char* arguments);
