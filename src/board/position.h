// Putting the board into a known state: clearing, the initial position, FEN set-up, edit mode.
#pragma once

void clearBoard();
// The initial position with White to move (keys are installed by installInitialKeys).
void resetGame();
// hashKey, pawnKey and gameKeys[0] of the initial position.
void installInitialKeys();
// Sets the board from FEN; the text is split in place at blanks. Never writes outside the board.
void setupFromFen(char* text);
// Edit-mode placement: colour 1 White / 0 Black, letter PNBRQK or X to empty, file and rank chars.
void editSquare(int colour, char letter, char fileChar, char rankChar);
