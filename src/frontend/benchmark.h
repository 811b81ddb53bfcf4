// The speed benchmark: one middlegame position searched three times to depth 8.
#pragma once

constexpr const char* BenchmarkPosition =
    "1rb2rk1/p4ppp/1p1qp1n1/3n2N1/2pP4/2P3P1/PPQ2PBP/R1B1R1K1 w - - 0 1";

// Runs the three tries, prints their speeds and the average, and leaves a new game behind.
void RunBenchmark();
