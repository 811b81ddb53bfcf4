// The weighted choice among book candidates and the random source behind it.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "book/book_choice.h"
#include "book/book_random.h"

namespace {

TEST(BookChoice, TournamentKeepsOnlyCandidatesOfAQuarterOrMore) {
    const uint32_t scores[] = {40, 30, 20, 10};
    float p[4];
    bookProbabilities(scores, 4, 1, p);
    EXPECT_NEAR(p[0], 0.4f / 0.7f, 1e-6);
    EXPECT_FLOAT_EQ(p[0], 0.5714286f);
    EXPECT_FLOAT_EQ(p[1], 1.0f);
    EXPECT_EQ(p[2], 0.0f);
    EXPECT_EQ(p[3], 0.0f);
    EXPECT_EQ(pickBookCandidate(p, 4, 0.0f), 0);
    EXPECT_EQ(pickBookCandidate(p, 4, 0.57f), 0);
    EXPECT_EQ(pickBookCandidate(p, 4, 0.58f), 1);
    EXPECT_EQ(pickBookCandidate(p, 4, 0.9999f), 1);
}

TEST(BookChoice, FiveEqualCandidatesGiveNoTournamentMove) {
    const uint32_t scores[] = {25, 25, 25, 25, 25};
    float p[5];
    bookProbabilities(scores, 5, 1, p);
    for (float r : {0.0f, 0.1f, 0.5f, 0.99f}) EXPECT_EQ(pickBookCandidate(p, 5, r), -1);
    bookProbabilities(scores, 5, 0, p);
    EXPECT_EQ(pickBookCandidate(p, 5, 0.5f), 2);
}

TEST(BookChoice, ExactQuarterStaysAndDrawAtTheTopPicksNothing) {
    const uint32_t scores[] = {25, 75};
    float p[2];
    bookProbabilities(scores, 2, 1, p);
    EXPECT_FLOAT_EQ(p[0], 0.25f);
    EXPECT_FLOAT_EQ(p[1], 1.0f);
    EXPECT_EQ(pickBookCandidate(p, 2, 1.0f), -1);
}

TEST(BookRandom, SameSeedSameSequenceWithinRange) {
    seedBookRandom(12345);
    int32_t first[200];
    for (int32_t& value : first) value = bookRandomInteger();
    seedBookRandom(12345);
    for (int32_t value : first) EXPECT_EQ(bookRandomInteger(), value);
    seedBookRandom(12346);
    int same = 0;
    for (int32_t value : first) same += bookRandomInteger() == value;
    EXPECT_LT(same, 3);
    std::set<int32_t> distinct(first, first + 200);
    EXPECT_GT(distinct.size(), 195u);
    for (int32_t value : first) {
        EXPECT_GE(value, 0);
        EXPECT_LT(value, 1000000000);
    }
}

TEST(BookRandom, DrawsSpreadOverTheUnitInterval) {
    seedBookRandom(-7); // negative and very large seeds are accepted as well
    seedBookRandom(static_cast<long>(1) << 40);
    int buckets[10] = {};
    double sum = 0;
    const int draws = 20000;
    for (int i = 0; i < draws; i++) {
        float r = bookRandom();
        ASSERT_GE(r, 0.0f);
        ASSERT_LE(r, 1.0f);
        sum += r;
        buckets[r >= 1.0f ? 9 : static_cast<int>(r * 10)]++;
    }
    EXPECT_NEAR(sum / draws, 0.5, 0.02);
    for (int count : buckets) EXPECT_NEAR(count, draws / 10, draws / 50);
}

} // namespace
