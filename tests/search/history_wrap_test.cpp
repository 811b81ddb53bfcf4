// History counts that reach the top of their 32-bit range keep ordering defined: the killer bonus
// wraps with the count instead of overflowing a signed integer.
#include <gtest/gtest.h>

#include <climits>

#include "board/board.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/ordering.h"
#include "support/board_setup.h"

TEST(Ordering, HistoryNearItsLimitWrapsWithTheKillerBonus) {
    setPosition("7k/8/8/8/8/8/6q1/7K b - - 0 1");
    clearOrderingTables();
    Move list[MaxMoves];
    const int count = static_cast<int>(generateMoves(list, 0) - list);
    Move quiet = 0;
    for (int i = 0; i < count && !quiet; ++i)
        if (!moveCaptured(list[i])) quiet = list[i];
    ASSERT_NE(quiet, 0);
    historyScore[board.squares[moveFrom(quiet)]][moveTo(quiet)] = INT_MAX - 100;
    killer1[board.historyIndex] = quiet;
    int keys[MaxMoves];
    OrderSearchMoves(list, keys, count, 0);
    int at = 0;
    while (list[at] != quiet) ++at;
    EXPECT_EQ(keys[at], INT_MIN + 699899);
    clearOrderingTables();
}
