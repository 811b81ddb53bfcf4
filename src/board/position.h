// Putting the board into a known state: clearing, the initial position, FEN set-up, edit mode.
#pragma once

void clearBoard();
// The initial position with White to move (keys are installed by installInitialKeys).
void resetGame();
// hashKey, pawnKey and gameKeys[0] of the initial position.
void installInitialKeys();
// Sets the board from FEN; the text is split in place at blanks. Never writes outside the board.
// Men are placed as written; a position whose men do not fit the move lists (menFitMoveLists)
// is refused: the board is left empty and 0 returned.
int setupFromFen(char* text);
// 1 when neither side has more than one man beyond what a game can give it (16 men, and no more
// promoted pieces than pawns gone). Positions within a game's material have at most 218 legal
// moves; one man more adds at most a queen's 27 to its side and 8 to the other (pawn captures
// onto it, promoting), which still fits a list of 256 (MaxMoves) through any play, since
// captures and promotions never raise these counts.
int menFitMoveLists();
// Edit-mode placement: colour 1 White / 0 Black, letter PNBRQK or X to empty, file and rank chars.
void editSquare(int colour, char letter, char fileChar, char rankChar);
