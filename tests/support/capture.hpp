// Captures what a piece of code writes to standard output or standard error.
#pragma once

#include <string>

#include <gtest/gtest.h>

template <class F>
std::string capture_stdout(F&& body) {
    testing::internal::CaptureStdout();
    try {
        body();
    } catch (...) {
        testing::internal::GetCapturedStdout();
        throw;
    }
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

template <class F>
std::string capture_stderr(F&& body) {
    testing::internal::CaptureStderr();
    try {
        body();
    } catch (...) {
        testing::internal::GetCapturedStderr();
        throw;
    }
    return testing::internal::GetCapturedStderr();
}
