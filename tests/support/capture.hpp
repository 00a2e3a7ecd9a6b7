// Captures what a piece of code writes to standard output or standard error.
#pragma once

#include <string>

#include <gtest/gtest.h>

// Runs body between begin and end of one gtest capture; a capture is closed
// even when body throws.
template <class F>
std::string captured(F&& body, void (*begin)(), std::string (*end)()) {
    begin();
    try {
        body();
    } catch (...) {
        end();
        throw;
    }
    std::fflush(stdout);
    return end();
}

template <class F>
std::string capture_stdout(F&& body) {
    return captured(body, testing::internal::CaptureStdout, testing::internal::GetCapturedStdout);
}

template <class F>
std::string capture_stderr(F&& body) {
    return captured(body, testing::internal::CaptureStderr, testing::internal::GetCapturedStderr);
}
