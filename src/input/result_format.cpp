#include "input/result_format.hpp"

#include "run/failure.hpp"

void layout_failure(const char* file, long long line, const std::string& what) {
    failure_stop("\n " + std::string(file) + ", line " + std::to_string(line) + ": " + what + "\n");
}
