// The search probes the tables only when some were found: with none it searches as before, with
// the 3-men set it counts its hits and scores the mate the table knows.
#include <gtest/gtest.h>

#include "search/think.h"
#include "support/search_setup.h"
#include "tablebases/tablebase_support.h"

using namespace searchtest;

TEST(TablebaseSearch, ProbesOnlyWithTablesFound) {
    const char* rookEnding = "8/8/8/4k3/8/8/8/R3K3 w - - 0 1";
    useTablePath("");
    ASSERT_EQ(maxTbMen, 0);
    tbHits = 0;
    fixedDepthSearch(rookEnding, 5);
    EXPECT_EQ(tbHits, 0u);
    EXPECT_LT(rootScore, 29800);

    useTablePath(DebianTables);
    ASSERT_EQ(maxTbMen, 3);
    tbHits = 0;
    fixedDepthSearch(rookEnding, 5);
    EXPECT_GT(tbHits, 0u);
    // The root is one ply before the position after the first move.
    const int plies = solvedEndings().rook.distance(0, E1, A1, E5);
    ASSERT_GT(plies, 0);
    EXPECT_EQ(rootScore, 30000 - 1 - plies);
    useTablePath("");
}
