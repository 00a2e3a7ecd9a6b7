#include "input/result_format.hpp"

#include <cstdio>

#include "run/console.hpp"
#include "run/failure.hpp"

void layout_failure(const char* file, long long line, const std::string& what) {
    failure_text("\n %s, line %lld: %s\n", file, line, what.c_str());
    failure_stop(1);
}
