#include "numeric/lanes.hpp"

namespace {
bool wide_lanes_allowed = true;
}  // namespace

void allow_wide_lanes(bool allowed) { wide_lanes_allowed = allowed; }

bool wide_lanes() {
#if defined(__x86_64__) && defined(__GNUC__)
    return wide_lanes_allowed && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}
