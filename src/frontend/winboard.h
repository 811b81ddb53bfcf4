// The WinBoard/console command handler: protocol commands, engine commands and moves.
#pragma once

// Handles the line in commandLine with its commandKey (the loop calls it outside UCI).
void WinBoardCommand();
