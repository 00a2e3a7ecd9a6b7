// The decimal grammar must give exactly what the C library's strtod gives,
// in memory and through the reader's in-place scanner.
#include "numeric/decimal_number.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/byte_reader.hpp"

namespace {

// The whole text is one number, converted by the reader's own scanner.
bool parse(const std::string& text, double& value) {
    const std::string with_end = text + "\t";  // keeps the token inside the buffer
    byte_reader in(with_end.data(), with_end.size());
    double in_memory = 0.0;
    return read_real(in, value) && in.peek() == '\t' && whole_real(text, in_memory) &&
           std::memcmp(&value, &in_memory, sizeof value) == 0;
}

std::string random_decimal(std::mt19937_64& random) {
    std::uniform_int_distribution<int> digit(0, 9), count(0, 22), shape(0, 5), exponent(-330, 330);
    std::string text;
    if (shape(random) == 0) text += '-';
    const int whole = count(random);
    for (int i = 0; i < whole; ++i) text += static_cast<char>('0' + digit(random));
    if (whole == 0 || shape(random) < 4) {
        text += '.';
        const int fraction = 1 + count(random) % 12;
        for (int i = 0; i < fraction; ++i) text += static_cast<char>('0' + digit(random));
    }
    const int tail = shape(random);
    if (tail == 1) text += (shape(random) < 3 ? "e" : "E") + std::to_string(exponent(random) / 10);
    if (tail == 2) text += "e+" + std::to_string(std::abs(exponent(random)));
    return text;
}

}  // namespace

TEST(decimal_number, fast_conversion_equals_strtod_bit_for_bit) {
    std::mt19937_64 random(17);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = random_decimal(random);
        double value = 0.0;
        ASSERT_TRUE(parse(text, value)) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text << " " << value << " " << expected;
    }
}

TEST(decimal_number, typical_fields_and_edges) {
    const char* texts[] = {"0",
                           "-0.000",
                           "1.473",
                           "19676.8975",
                           "9007199254740993",
                           "1e22",
                           "1e23",
                           "123456789012345678901",
                           "0.30000000000000004",
                           "1e-400",
                           "2.5e-7",
                           "4.9406564584124654e-324",
                           "1.7976931348623157e308",
                           "-.5",
                           "5."};
    for (const char* text : texts) {
        double value = 0.0;
        ASSERT_TRUE(parse(text, value)) << text;
        const double expected = std::strtod(text, nullptr);
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;
    }
}

TEST(decimal_number, checking_a_discarded_field_agrees_with_converting_it) {
    std::mt19937_64 random(23);
    const char* pieces[] = {"1",
                            "0",
                            "9",
                            ".",
                            "-",
                            "+",
                            "e",
                            "E",
                            "x",
                            "inf",
                            "nan",
                            "00000000000000000000",
                            "99999999999999999999999999999999999999999999999999",
                            "e400",
                            "e-5"};
    std::uniform_int_distribution<int> piece(0, 14), count(1, 9);
    std::vector<std::string> texts;
    for (int i = 0; i < 100000; ++i) {
        std::string text;
        const int n = count(random);
        for (int k = 0; k < n; ++k) text += pieces[piece(random)];
        texts.push_back(text);
    }
    texts.push_back(std::string(309, '9'));  // beyond the largest double
    texts.push_back(std::string(308, '9') + ".5");
    texts.push_back("1" + std::string(401, '0'));
    for (const std::string& text : texts) {
        const char* converted = text.data();
        const char* checked = text.data();
        double value;
        const bool finite = parse_real(converted, text.data() + text.size(), value) && std::isfinite(value);
        ASSERT_EQ(skip_finite_real(checked, text.data() + text.size()), finite) << text;
        if (finite) {
            ASSERT_EQ(checked, converted) << text;
        }
    }
}

TEST(decimal_number, a_finite_number_of_any_length_is_read) {
    const std::string one = "1." + std::string(450, '0');
    const std::string tiny = "0." + std::string(600, '0') + "5e600";
    for (const auto& [text, expected] : {std::pair{one, 1.0}, std::pair{tiny, 0.5}}) {
        byte_reader in(text.data(), text.size());
        double value = 0.0;
        EXPECT_TRUE(read_real(in, value)) << text.size();
        EXPECT_EQ(value, expected) << text.size();
        EXPECT_EQ(in.get(), -1);
        const char* p = text.data();
        EXPECT_TRUE(skip_finite_real(p, text.data() + text.size())) << text.size();
        EXPECT_EQ(p, text.data() + text.size());
    }
}
