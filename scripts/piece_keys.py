#!/usr/bin/env python3
"""Prints the fixed Zobrist key table pieceKeys[13][64] as a C++ initialiser.

The keys come from a splitmix64 sequence with a fixed seed, so the output never changes. Opening
books are keyed by these numbers: never regenerate the table with another seed.
"""

MASK = (1 << 64) - 1
state = 0x4D6F7276616E654B  # fixed seed


def splitmix64():
    global state
    state = (state + 0x9E3779B97F4A7C15) & MASK
    z = state
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return z ^ (z >> 31)


print("const uint64_t pieceKeys[13][64] = {")
for code in range(13):
    keys = [0] * 64 if code == 0 else [splitmix64() for _ in range(64)]
    print("    {")
    for i in range(0, 64, 4):
        print("        " + " ".join("0x%016XULL," % k for k in keys[i:i + 4]))
    print("    },")
print("};")
