// The positions the engine entered from the book in the current game, for learning.
#include "book/book.h"

uint32_t bookPath[400];
int bookPathCount = 0;
