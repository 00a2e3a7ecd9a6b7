// A 1-based series holding the given values, for tests of the numeric routines.
#pragma once

#include <initializer_list>

#include "numeric/containers.hpp"

inline dvector_t one_based(std::initializer_list<double> values) {
    dvector_t v = dvector(1, static_cast<int>(values.size()));
    int i = 1;
    for (double x : values) v[i++] = x;
    return v;
}
