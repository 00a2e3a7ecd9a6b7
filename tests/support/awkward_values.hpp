// Random values that catch a threaded step out when it differs from the plain
// one: zeros of both signs, negatives, repeats and tiny values among
// ordinary ones, and a bit-for-bit comparison (a -0.0 prints differently).
#pragma once

#include <cstring>
#include <random>

inline bool identical_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline double awkward_value(std::mt19937_64& random) {
    std::uniform_real_distribution<double> value(-50.0, 400.0);
    switch (std::uniform_int_distribution<int>(0, 11)(random)) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
            return 2.5;  // repeats
        case 3:
            return -value(random);
        case 4:
            return 1e-300;
        default:
            return value(random);
    }
}
