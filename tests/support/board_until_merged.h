// The board record for test programs built before the board core is on this branch. Weak, so
// the board core's own definition takes its place as soon as it is linked in.
#pragma once

#include "board/board.h"

__attribute__((weak)) Board board;
