#include "input/result_format.hpp"

#include "run/failure.hpp"

std::string not_a_number_text(std::string_view title, std::string_view text, bool whole) {
    constexpr std::size_t shown = 20;
    std::string quoted;
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        quoted.push_back(c >= 32 && c <= 126 ? static_cast<char>(c) : '?');
    }
    if (text.size() > shown) quoted += "...";
    return "column \"" + std::string(title) + "\": \"" + quoted + "\" is not a " + (whole ? "whole number" : "number");
}

void layout_failure(const char* file, long long line, const std::string& what) {
    failure_stop("\n " + std::string(file) + ", line " + std::to_string(line) + ": " + what + "\n");
}
