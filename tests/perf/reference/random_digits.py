#!/usr/bin/python3
"""Reference sequence of the FFT input digits of the Perfomance program.

A 32-bit Mersenne Twister (MT19937) written out here from its published
definition, seeded by its standard integer initialisation with 5489. A draw
u is rejected when u >= 4294967200 (the largest multiple of 100 below 2^32)
and otherwise gives the digit u // 42949672, in 0..99.

The generator is checked against the value the C++ standard requires of
std::mt19937: its 10000th output from seed 5489 is 4123659995.

Writes random_digits.inc next to this script: the first COUNT digits.
"""
import os

COUNT = 4096
SEED = 5489
LIMIT = 4294967200
PER_DIGIT = LIMIT // 100


class MT19937:
    N, M = 624, 397
    MATRIX_A, UPPER, LOWER = 0x9908B0DF, 0x80000000, 0x7FFFFFFF

    def __init__(self, seed):
        self.mt = [0] * self.N
        self.mt[0] = seed & 0xFFFFFFFF
        for i in range(1, self.N):
            prev = self.mt[i - 1]
            self.mt[i] = (1812433253 * (prev ^ (prev >> 30)) + i) & 0xFFFFFFFF
        self.index = self.N

    def _twist(self):
        mt = self.mt
        for i in range(self.N):
            y = (mt[i] & self.UPPER) | (mt[(i + 1) % self.N] & self.LOWER)
            mt[i] = mt[(i + self.M) % self.N] ^ (y >> 1) ^ (self.MATRIX_A if y & 1 else 0)
        self.index = 0

    def next(self):
        if self.index >= self.N:
            self._twist()
        y = self.mt[self.index]
        self.index += 1
        y ^= y >> 11
        y ^= (y << 7) & 0x9D2C5680
        y ^= (y << 15) & 0xEFC60000
        y ^= y >> 18
        return y & 0xFFFFFFFF


def main():
    check = MT19937(SEED)
    for _ in range(9999):
        check.next()
    assert check.next() == 4123659995, "MT19937 does not match its definition"

    engine = MT19937(SEED)
    digits = []
    rejected = 0
    while len(digits) < COUNT:
        u = engine.next()
        if u >= LIMIT:
            rejected += 1
            continue
        digits.append(u // PER_DIGIT)

    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "random_digits.inc"), "w") as out:
        out.write("// The first %d digits of the Perfomance program's generator.\n" % COUNT)
        out.write("// Made by random_digits.py (MT19937, seed %d, %d draws rejected); do not edit.\n"
                  % (SEED, rejected))
        for start in range(0, COUNT, 25):
            out.write(", ".join("%2d" % d for d in digits[start:start + 25]) + ",\n")


if __name__ == "__main__":
    main()
