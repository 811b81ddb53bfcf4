// Start-up: the configuration file, the banner, the tables and the initial game.
#pragma once

// Reads "Morvane.cfg" (section "Preferences"), creates "./Logs", reads "process.out" and opens
// the first log when "Log File" is on. Returns whether the configuration file exists.
bool ReadConfiguration();
// The block-letter banner with the author and version lines.
void PrintBanner();
// Everything before the command loop, in order: platform, configuration, banner, tables, game.
void StartUp();
// Finishes the log, writes "process.out" and frees the tables (the end of "quit").
void QuitEngine();
