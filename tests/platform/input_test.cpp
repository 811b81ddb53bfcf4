// Standard input with push-back and the zero-timeout poll, and the monotonic clock.
#include <gtest/gtest.h>
#include <time.h>

#include "platform/platform.h"
#include "support/stdin_pipe.h"

TEST(PlatformInput, ReadsBytesAndHonoursPushBack) {
    StdinPipe input;
    EXPECT_EQ(inputWaiting(), 0) << "an open, empty pipe has nothing waiting";
    input.send("ab");
    EXPECT_EQ(inputWaiting(), 1);
    EXPECT_EQ(readInputByte(), 'a');
    pushBackInputByte('a');
    EXPECT_EQ(readInputByte(), 'a');
    EXPECT_EQ(readInputByte(), 'b');
    EXPECT_EQ(inputWaiting(), 0);
    // A pushed-back byte counts as waiting even though the pipe is empty.
    pushBackInputByte('b');
    EXPECT_EQ(inputWaiting(), 1);
    EXPECT_EQ(readInputByte(), 'b');
    EXPECT_EQ(inputWaiting(), 0);
}

TEST(PlatformInput, EndOfInputCountsAsWaitingAndStaysEnded) {
    StdinPipe input;
    input.send("x");
    input.closeWriter();
    EXPECT_EQ(readInputByte(), 'x');
    EXPECT_EQ(inputWaiting(), 1) << "the loop must get to read the end of input";
    EXPECT_EQ(readInputByte(), -1);
    EXPECT_EQ(inputWaiting(), 1);
    EXPECT_EQ(readInputByte(), -1);
    // A push-back after the end is still delivered once.
    pushBackInputByte('q');
    EXPECT_EQ(readInputByte(), 'q');
    EXPECT_EQ(readInputByte(), -1);
}

TEST(PlatformInput, DiscardPendingInputEmptiesWithoutBlocking) {
    StdinPipe input;
    input.send("go\nstop\n");
    pushBackInputByte('z');
    discardPendingInput();
    EXPECT_EQ(inputWaiting(), 0);
    input.send("k");
    EXPECT_EQ(readInputByte(), 'k');
}

TEST(PlatformClock, MillisecondsAdvanceWithRealTime) {
    uint32_t before = tickCount();
    timespec pause{0, 30 * 1000000};
    nanosleep(&pause, nullptr);
    uint32_t after = tickCount();
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 5000u);
}
