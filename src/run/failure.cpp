#include "run/failure.hpp"

#include <utility>

void failure_stop(std::string text, int status) { throw run_failure{status, true, nullptr, std::move(text)}; }

void numeric_fatal(const char* message) { throw run_failure{1, false, message, {}}; }
