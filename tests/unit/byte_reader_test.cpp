#include "input/byte_reader.hpp"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "input/reading_paths.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"
#include "support/result_text.hpp"
#include "support/temp_dir.hpp"

namespace {

// The reader keeps a pointer: text must outlive it.
byte_reader memory(const std::string& text) { return byte_reader(text.data(), text.size()); }
template <std::size_t n>
byte_reader memory(const char (&text)[n]) {
    return byte_reader(text, n - 1);
}

// Every byte get() returns, up to the end of file.
std::vector<int> all_bytes(byte_reader& in) {
    std::vector<int> out;
    for (int c = in.get(); c != -1; c = in.get()) out.push_back(c);
    return out;
}

std::vector<int> bytes_of(const std::string& text) {
    std::vector<int> out;
    for (char c : text) out.push_back(static_cast<unsigned char>(c));
    return out;
}

// A file in the test's temporary folder, removed when the test ends.
class temp_file {
public:
    explicit temp_file(const std::string& contents) {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        path_ = testing::TempDir() + "byte_reader_" + info->name() + "_" + std::to_string(++counter_) + ".txt";
        std::ofstream out(path_, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    ~temp_file() { std::remove(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
    static inline int counter_ = 0;
};

constexpr std::size_t refill_size = 262144;  // the reader's block size

}  // namespace

TEST(byte_reader, line_ends) {
    struct row {
        const char* label;
        std::string input;
        std::string expected;
    };
    const row rows[] = {
        {"CR LF reads as LF", "a\r\nb\r\n", "a\nb\n"},
        {"a lone CR stays data", "a\rb\n", "a\rb\n"},
        {"CR CR LF keeps the first CR", "a\r\r\nb", "a\r\nb"},
        {"CR as the last byte stays data", "ab\r", "ab\r"},
        {"LF CR is two bytes", "a\n\rb", "a\n\rb"},
        {"plain LF", "x\ny\n", "x\ny\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        byte_reader in = memory(r.input);
        EXPECT_EQ(all_bytes(in), bytes_of(r.expected));
    }
}

TEST(byte_reader, peek_folds_cr_lf_without_consuming) {
    byte_reader in = memory("\r\nz\rq");
    EXPECT_EQ(in.peek(), '\n');
    EXPECT_EQ(in.peek(), '\n');
    EXPECT_EQ(in.get(), '\n');
    EXPECT_EQ(in.peek(), 'z');
    EXPECT_EQ(in.get(), 'z');
    EXPECT_EQ(in.peek(), '\r');
    EXPECT_EQ(in.get(), '\r');
    EXPECT_EQ(in.get(), 'q');
    EXPECT_EQ(in.peek(), -1);
}

TEST(byte_reader, end_of_file_is_minus_one_again_and_again) {
    byte_reader in = memory("ab");
    EXPECT_EQ(in.get(), 'a');
    EXPECT_EQ(in.get(), 'b');
    EXPECT_EQ(in.get(), -1);
    EXPECT_EQ(in.get(), -1);
    EXPECT_EQ(in.peek(), -1);
    EXPECT_EQ(in.get(), -1);

    byte_reader empty = memory("");
    EXPECT_EQ(empty.peek(), -1);
    EXPECT_EQ(empty.get(), -1);
    EXPECT_EQ(empty.get(), -1);
}

TEST(byte_reader, bytes_above_127_come_back_positive) {
    byte_reader in = memory("\xff\x80");
    EXPECT_EQ(in.get(), 255);
    EXPECT_EQ(in.get(), 128);
}

TEST(byte_reader, line_numbers_count_line_feeds) {
    byte_reader in = memory("a\nb\r\nc\rd\n");
    EXPECT_EQ(in.line(), 1);
    in.get();  // a
    EXPECT_EQ(in.line(), 1);
    in.get();  // LF
    EXPECT_EQ(in.line(), 2);
    in.get();  // b
    in.get();  // CR LF, one line end
    EXPECT_EQ(in.line(), 3);
    in.get();  // c
    in.get();  // lone CR: no new line
    EXPECT_EQ(in.line(), 3);
    in.get();  // d
    in.get();  // LF
    EXPECT_EQ(in.line(), 4);
    EXPECT_EQ(in.get(), -1);
    EXPECT_EQ(in.line(), 4);
}

TEST(byte_reader, lines_read_counts_a_last_line_without_line_feed) {
    byte_reader ended = memory("a\nb\n");
    all_bytes(ended);
    EXPECT_EQ(ended.lines_read(), 2);

    byte_reader open_end = memory("a\nb");
    all_bytes(open_end);
    EXPECT_EQ(open_end.lines_read(), 2);
}

// Byte offsets around the end of the first block of a file.
TEST(byte_reader, cr_lf_across_a_buffer_refill) {
    for (std::size_t offset : {refill_size - 2, refill_size - 1, refill_size, refill_size + 1}) {
        SCOPED_TRACE("CR at offset " + std::to_string(offset));
        std::string text(offset, 'x');
        text += "\r\ny";
        std::string expected(offset, 'x');
        expected += "\ny";
        temp_file file(text);

        byte_reader by_get(file.path());
        ASSERT_TRUE(by_get.is_open());
        EXPECT_EQ(all_bytes(by_get), bytes_of(expected));
        EXPECT_EQ(by_get.line(), 2);

        // peek() before every get(), as the scanners do.
        byte_reader by_peek(file.path());
        std::vector<int> got;
        for (int c = by_peek.peek(); c != -1; c = by_peek.peek()) {
            const int taken = by_peek.get();
            ASSERT_EQ(taken, c) << "at byte " << got.size();
            got.push_back(taken);
        }
        EXPECT_EQ(got, bytes_of(expected));

        byte_reader in_memory = memory(text);
        EXPECT_EQ(all_bytes(in_memory), bytes_of(expected));
    }
}

TEST(byte_reader, lone_cr_at_the_end_of_a_block_stays_data) {
    for (const std::string& after : {std::string("z"), std::string("")}) {
        SCOPED_TRACE(after.empty() ? "CR is the last byte of the file" : "CR followed by z");
        std::string text(refill_size - 1, 'x');
        text += "\r" + after;
        temp_file file(text);

        byte_reader by_get(file.path());
        EXPECT_EQ(all_bytes(by_get), bytes_of(text));

        byte_reader by_peek(file.path());
        std::vector<int> got;
        for (int c = by_peek.peek(); c != -1; c = by_peek.peek()) {
            ASSERT_EQ(by_peek.get(), c);
            got.push_back(c);
        }
        EXPECT_EQ(got, bytes_of(text));
    }
}

TEST(byte_reader, skip_lines_across_a_refill) {
    std::string text(refill_size - 1, 'x');
    text += "\r\nsecond\r\nthird";
    temp_file file(text);
    byte_reader in(file.path());
    EXPECT_EQ(skip_lines(in, 2), 2);
    EXPECT_EQ(in.get(), 't');
    EXPECT_EQ(in.line(), 3);
}

TEST(byte_reader, missing_file_or_folder_is_not_open) {
    byte_reader missing((testing::TempDir() + "no_such_file_here.gpr").c_str());
    EXPECT_FALSE(missing.is_open());
    EXPECT_EQ(missing.get(), -1);

    byte_reader folder(testing::TempDir().c_str());
    EXPECT_FALSE(folder.is_open());
}

TEST(byte_reader, close_ends_the_input) {
    byte_reader in = memory("abc");
    EXPECT_TRUE(in.is_open());
    in.get();
    in.close();
    EXPECT_FALSE(in.is_open());
    EXPECT_EQ(in.get(), -1);
}

TEST(skip_lines, consumes_whole_lines) {
    byte_reader in = memory("one\r\ntwo\nthree\n");
    EXPECT_EQ(skip_lines(in, 2), 2);
    EXPECT_EQ(in.get(), 't');
    EXPECT_EQ(in.get(), 'h');
    EXPECT_EQ(in.line(), 3);
}

TEST(skip_lines, zero_consumes_nothing) {
    byte_reader in = memory("abc\ndef\n");
    EXPECT_EQ(skip_lines(in, 0), 0);
    EXPECT_EQ(in.get(), 'a');
    EXPECT_EQ(in.line(), 1);
}

TEST(skip_lines, stops_at_end_of_file_and_tells_how_many) {
    byte_reader in = memory("a\nb\nc");
    EXPECT_EQ(skip_lines(in, 5), 2);
    EXPECT_EQ(in.get(), -1);
    EXPECT_EQ(skip_lines(in, 1), 0);

    byte_reader ended = memory("a\nb\n");
    EXPECT_EQ(skip_lines(ended, 3), 2);
    EXPECT_EQ(ended.get(), -1);

    byte_reader empty = memory("");
    EXPECT_EQ(skip_lines(empty, 1), 0);
}

TEST(skip_space, stops_at_the_first_other_byte) {
    byte_reader in = memory(" \t\r\n\n\v\fx y");
    EXPECT_EQ(skip_space(in), 'x');
    EXPECT_EQ(in.get(), 'x');
    EXPECT_EQ(in.line(), 3);

    byte_reader blanks = memory(" \t\nx");
    EXPECT_EQ(skip_blanks(blanks), '\n');
    EXPECT_EQ(blanks.get(), '\n');

    byte_reader only_space = memory("  \n ");
    EXPECT_EQ(skip_space(only_space), -1);
}

TEST(read_word, reads_one_run_of_non_space_bytes) {
    struct row {
        std::string input;
        std::size_t room;
        bool ok;
        std::string word;
        int next;
    };
    const row rows[] = {
        {"ATF\t1.0", 49, true, "ATF", '\t'},
        {"\n\n  ATF1.0 x", 49, true, "ATF1.0", ' '},
        {"Error\n", 49, true, "Error", '\n'},
        {"a\"b|c d", 49, true, "a\"b|c", ' '},
        {"abcdefgh rest", 3, true, "abc", ' '},
        {"abcdefgh", 3, true, "abc", -1},
        {"last", 49, true, "last", -1},
        {"   \n\t ", 49, false, "", -1},
        {"", 49, false, "", -1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("input \"" + r.input + "\"");
        byte_reader in = memory(r.input);
        std::string word = "old";
        EXPECT_EQ(read_word(in, word, r.room), r.ok);
        EXPECT_EQ(word, r.word);
        EXPECT_EQ(in.peek(), r.next);
    }
}

TEST(read_int, consumes_sign_and_digits_only) {
    struct row {
        std::string input;
        bool ok;
        int value;
        int next;
    };
    const row rows[] = {
        {"42|", true, 42, '|'},
        {"-17|", true, -17, '|'},
        {"+8|", true, 8, '|'},
        {"007|", true, 7, '|'},
        {"2147483647|", true, INT_MAX, '|'},
        {"-2147483648|", true, INT_MIN, '|'},
        {"1.5|", true, 1, '.'},
        {"12e3|", true, 12, 'e'},
        {"3\t4", true, 3, '\t'},
        {"9", true, 9, -1},
        // Refusals: a sign alone is consumed, digits of a number too large all are.
        {"2147483648|", false, -5, '|'},
        {"-2147483649|", false, -5, '|'},
        {"99999999999999999999999|", false, -5, '|'},
        {"-|", false, -5, '|'},
        {"+x", false, -5, 'x'},
        {"|", false, -5, '|'},
        {"x1", false, -5, 'x'},
        {" 5", false, -5, ' '},
        {"", false, -5, -1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("input \"" + r.input + "\"");
        byte_reader in = memory(r.input);
        int value = -5;
        EXPECT_EQ(read_int(in, value), r.ok);
        EXPECT_EQ(value, r.value);
        EXPECT_EQ(in.peek(), r.next);
    }
}

TEST(read_real, consumes_what_a_decimal_conversion_does) {
    const double inf = std::numeric_limits<double>::infinity();
    struct row {
        std::string input;
        bool ok;
        double value;  // not checked when the read fails
        int next;
    };
    const row rows[] = {
        {"1.5|", true, 1.5, '|'},
        {"+3.25|", true, 3.25, '|'},
        {"-.5|", true, -0.5, '|'},
        {"5.|", true, 5.0, '|'},
        {"0.1|", true, 0.1, '|'},
        {"-12|", true, -12.0, '|'},
        {"1.5e+3|", true, 1500.0, '|'},
        {"1E2|", true, 100.0, '|'},
        {"2.5e-1|", true, 0.25, '|'},
        {"1.2.3", true, 1.2, '.'},
        {"12abc", true, 12.0, 'a'},
        {"0x10|", true, 0.0, 'x'},
        {"7\t8", true, 7.0, '\t'},
        {"1e999|", true, inf, '|'},
        {"-1e999|", true, -inf, '|'},
        {"1e-999|", true, 0.0, '|'},
        {"inf|", true, inf, '|'},
        {"-inf|", true, -inf, '|'},
        {"INFINITY|", true, inf, '|'},
        {"Inf|", true, inf, '|'},
        {"3", true, 3.0, -1},
        // An exponent without digits is swallowed and the whole token refused.
        {"1e|", false, 0, '|'},
        {"1.5e+|", false, 0, '|'},
        {"2E-x", false, 0, 'x'},
        {".|", false, 0, '|'},
        {"-|", false, 0, '|'},
        {"+.|", false, 0, '|'},
        {"in|", false, 0, '|'},
        {"abc", false, 0, 'a'},
        {"|", false, 0, '|'},
        {" 1", false, 0, ' '},
        {"", false, 0, -1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("input \"" + r.input + "\"");
        byte_reader in = memory(r.input);
        double value = -99.0;
        const bool ok = read_real(in, value);
        EXPECT_EQ(ok, r.ok);
        if (r.ok) {
            EXPECT_EQ(value, r.value);
        }
        EXPECT_EQ(in.peek(), r.next);
    }
}

TEST(read_real, reads_not_a_number_in_any_letter_case) {
    for (const std::string input : {"nan|", "NaN|", "NAN|", "-nan|"}) {
        SCOPED_TRACE(input);
        byte_reader in = memory(input);
        double value = 0.0;
        EXPECT_TRUE(read_real(in, value));
        EXPECT_TRUE(std::isnan(value));
        EXPECT_EQ(in.peek(), '|');
    }
}

TEST(read_real, negative_zero_keeps_its_sign) {
    byte_reader in = memory("-0.0|");
    double value = 1.0;
    ASSERT_TRUE(read_real(in, value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(std::signbit(value));
}

TEST(read_quoted_value, values_and_where_the_reader_stands_after) {
    struct row {
        const char* label;
        std::string input;
        std::size_t room;
        std::string value;
        int next;
    };
    const row rows[] = {
        {"quoted, the rest of the line skipped", "\"abc\" rest\tmore\nX", 399, "abc", 'X'},
        {"unquoted, up to the line feed", "abc def\nX", 399, "abc def", 'X'},
        {"unquoted, up to a quote", "ab\"cd\"ef\nX", 399, "ab", 'X'},
        {"opening quote, no closing one", "\"abc\nX", 399, "abc", 'X'},
        {"empty quoted value", "\"\"\nX", 399, "", 'X'},
        {"empty line", "\nX", 399, "", 'X'},
        {"CR LF line end", "\"a b\"\r\nX", 399, "a b", 'X'},
        {"CR LF without quotes", "a b\r\nX", 399, "a b", 'X'},
        {"lone CR stays in the value", "a\rb\nX", 399, "a\rb", 'X'},
        {"tab stays in the value", "\"a\tb\"\nX", 399, "a\tb", 'X'},
        {"cut to its room, unquoted", "abcdefgh\nX", 3, "abc", 'X'},
        {"cut to its room, quoted", "\"abcdefgh\" tail\nX", 3, "abc", 'X'},
        {"closing quote at end of file", "\"abc\"", 399, "abc", -1},
        {"closing quote, rest of the last line", "\"abc\" tail", 399, "abc", -1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        byte_reader in = memory(r.input);
        std::string value = "old";
        EXPECT_TRUE(read_quoted_value(in, value, r.room));
        EXPECT_EQ(value, r.value);
        EXPECT_EQ(in.peek(), r.next);
    }
}

TEST(read_quoted_value, keeps_399_characters_of_a_long_value) {
    const std::string text = "\"" + std::string(450, 'v') + "\"\nX";
    byte_reader in = memory(text);
    std::string value;
    EXPECT_TRUE(read_quoted_value(in, value, 399));
    EXPECT_EQ(value, std::string(399, 'v'));
    EXPECT_EQ(in.get(), 'X');
}

TEST(read_quoted_value, end_of_file_inside_the_value_is_refused) {
    for (const std::string input : {"", "\"", "\"abc", "abc", "ab\r"}) {
        SCOPED_TRACE("input \"" + input + "\"");
        byte_reader in = memory(input);
        std::string value;
        EXPECT_FALSE(read_quoted_value(in, value, 399));
        EXPECT_EQ(in.get(), -1);
    }
}

TEST(read_real, a_number_longer_than_the_read_buffer_is_read_whole) {
    char path[] = "/tmp/spotweave-long-number-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "-2." + std::string(300000, '0') + "\t7\n" + "3" + std::string(300000, '1') + "x\n";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    byte_reader in(path);
    double value = 0.0;
    EXPECT_TRUE(read_real(in, value));
    EXPECT_EQ(value, -2.0);
    EXPECT_EQ(in.get(), '\t');
    EXPECT_TRUE(read_real(in, value));
    EXPECT_EQ(value, 7.0);
    skip_space(in);
    // A long token that is not one number throughout is refused.
    EXPECT_FALSE(read_real(in, value));
    EXPECT_EQ(in.get(), '\n');
    std::remove(path);
}

TEST(read_real, a_number_that_ends_the_file_is_complete) {
    // Read from a file, so the token meets the end of the buffer and the
    // reader has to find out that no more bytes follow.
    const std::filesystem::path dir = fresh_temp_directory("spotweave-number");
    const std::string path = (dir / "numbers.txt").string();
    std::ofstream(path, std::ios::binary) << "12.5\t-3\t7";
    byte_reader in(path.c_str());
    double a = 0, b = 0, c = 0;
    EXPECT_TRUE(read_real(in, a));
    skip_blanks(in);
    EXPECT_TRUE(read_real(in, b));
    skip_blanks(in);
    EXPECT_TRUE(read_real(in, c));
    EXPECT_EQ(a, 12.5);
    EXPECT_EQ(b, -3.0);
    EXPECT_EQ(c, 7.0);
    EXPECT_EQ(in.get(), -1);
    std::filesystem::remove_all(dir);
}

namespace damaged_files {

using namespace result_text;
namespace fs = std::filesystem;

namespace {

const std::vector<bool> name_and_id = {false, false, false, false, true, true};

// The lines a reader gives out after refuse_control_bytes, and where it stopped.
struct given_out {
    std::vector<std::string> lines;
    long long damaged_line = 0;
    int damaged_byte = 0;
};

given_out read_lines(byte_reader& in) {
    in.refuse_control_bytes(name_and_id);
    given_out out;
    for (std::string line; read_line_text(in, line);) out.lines.push_back(line);
    out.damaged_line = in.damaged_line();
    out.damaged_byte = in.damaged_byte();
    return out;
}

std::string damage(const std::string& file, long long line, const char* byte) {
    return "\n " + file + ", line " + std::to_string(line) + ": the file is damaged here: the line holds the byte " +
           byte + ", which no text file holds; use an undamaged copy of the file\n";
}

captured_run load(test_run& t, int f, const std::string& text, reading_path path) {
    byte_reader in(text.data(), text.size());
    return run_captured([&](console&) { load_spot_records(in, f, t.settings, t, path); });
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

TEST(damaged_file, the_reader_gives_out_the_lines_before_the_first_damaged_one) {
    struct case_t {
        std::string third;  // line 3
        bool damaged;
    };
    const case_t cases[] = {
        {"1\t2\t3\tna\x01me\tid\t5", false},
        {"1\t2\t3\tname\ti\x1f"
         "d\t5",
         false},
        {std::string("1\t2\t3\tna\0me\tid\t5", 16), true},
        {"1\t2\x01\t3\tname\tid\t5", true},
        {"1\t2\t3\tname\tid\t5\x7f", true},
        {"1\t2\t3\tname\tid\t5\v6", true},
        {"\x1b[0m", true},
        {"1\t2\r3\tname\tid\t5", false},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.third);
        const std::string text = "a\nb\n" + c.third + "\nd\n";
        byte_reader in(text.data(), text.size());
        const given_out out = read_lines(in);
        if (!c.damaged) {
            EXPECT_EQ(out.damaged_line, 0);
            EXPECT_EQ(out.lines.size(), 4u);
            continue;
        }
        EXPECT_EQ(out.damaged_line, 3);
        EXPECT_EQ(out.lines, (std::vector<std::string>{"a\n", "b\n"}));
    }
}

TEST(damaged_file, a_file_read_in_blocks_names_the_same_line_wherever_the_blocks_part) {
    const fs::path dir = fresh_temp_directory("spotweave-damaged");
    const std::string row = "1\t2\t3\tname\tid\t" + std::string(80, '7') + "\n";  // 95 bytes
    const std::size_t buffer = 1 << 18;
    for (const std::size_t at : {buffer - 1, buffer, buffer + 1, 3 * buffer + 50}) {
        SCOPED_TRACE(at);
        std::string text;
        while (text.size() < 4 * buffer) text += row;
        const std::size_t bad = text[at] == '\n' ? at + 1 : at;
        text[bad] = '\x02';
        const long long line = static_cast<long long>(std::count(text.begin(), text.begin() + bad, '\n')) + 1;
        write(dir / "big.gpr", text);
        byte_reader in((dir / "big.gpr").string().c_str());
        const given_out out = read_lines(in);
        EXPECT_EQ(out.damaged_line, line);
        EXPECT_EQ(out.damaged_byte, 2);
        // Every line before is given out whole; of the damaged line at most
        // the part read before the block that shows the byte.
        ASSERT_GE(out.lines.size(), static_cast<std::size_t>(line - 1));
        ASSERT_LE(out.lines.size(), static_cast<std::size_t>(line));
        for (long long i = 0; i < line - 1; ++i) EXPECT_EQ(out.lines[static_cast<std::size_t>(i)], row) << i;
        if (out.lines.size() == static_cast<std::size_t>(line)) {
            const std::string& part = out.lines.back();
            EXPECT_EQ(text.compare(bad - (bad - text.rfind('\n', bad) - 1), part.size() - 1, part, 0, part.size() - 1),
                      0);
        }
    }
    fs::remove_all(dir);
}

TEST(damaged_file, loading_stops_at_the_damaged_line_in_place_and_byte_by_byte) {
    struct case_t {
        const char* label;
        std::string text;
        std::string message;  // empty: the rows load
    };
    const std::string one = data_row(1, 1, 1).text() + "\n";
    const std::string three = data_row(1, 3, 1).text() + "\n";
    const case_t cases[] = {
        {"a NUL in a name", one + data_row(1, 2, 1, std::string("na\0me", 5)).text() + "\n" + three,
         damage("run_1.gpr", 2, "0x00")},
        {"a control character in a number",
         one +
             data_row(1, 2, 1)
                 .set(9,
                      "3\x01"
                      "00")
                 .text() +
             "\n" + three,
         damage("run_1.gpr", 2, "0x01")},
        {"a form feed parting two numbers", one + data_row(1, 2, 1).set(9, "300\f").text() + "\n" + three,
         damage("run_1.gpr", 2, "0x0C")},
        {"a control character in a name and in the Log Ratio",
         one + data_row(1, 2, 1, "na\x01me").set(38, "Err\x05or").text() + "\n" + three, ""},
        {"garbage after the rows",
         one + data_row(1, 2, 1).text() + "\n" + three + std::string("end\n\x80\x81\0\x01\n", 8),
         damage("run_1.gpr", 5, "0x00")},
        {"an earlier bad number stops first", data_row(1, 1, 1).set(9, "x").text() + "\n\x01\n",
         "\n run_1.gpr, line 1: spot 1, column \"F635 Median\": \"x\" is not a number\n"},
        {"a file ending early, then damage", one + "\x04" + "\n", damage("run_1.gpr", 2, "0x04")},
    };
    for (const case_t& c : cases)
        for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
            SCOPED_TRACE(std::string(c.label) + (path == reading_path::in_place ? ", in place" : ", byte by byte"));
            test_run t = make_tables(1, 3, 1, 2.0);
            const captured_run run = load(t, 1, c.text, path);
            EXPECT_EQ(run.end.has_value(), !c.message.empty());
            EXPECT_EQ(run.out, c.message);
            if (c.message.empty()) {
                EXPECT_EQ(std::string(&t.gene_name[2][0]), "name");
            }
            release_spot_tables(t);
        }
}

TEST(damaged_file, the_sizing_scan_stops_at_binary_garbage_after_good_rows) {
    std::string garbage;
    for (int i = 0; i < 2000; ++i) garbage.push_back(static_cast<char>((i * 37 + 11) % 256));
    const std::string text = result_file(header_lines(), grid_rows(1, 3, 1)) + garbage;
    const std::size_t bad = text.find_first_of(std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e", 12) +
                                                   "\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e"
                                                   "\x1f\x7f",
                                               text.size() - garbage.size());
    const long long line = static_cast<long long>(std::count(text.begin(), text.begin() + bad, '\n')) + 1;
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
    for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
        byte_reader in(text.data(), text.size());
        const captured_run run = run_captured([&](console& out) { sizing_scan_stream(in, "lead.gpr", 1, out, path); });
        ASSERT_TRUE(run.end.has_value()) << run.out;
        EXPECT_EQ(run.out, "\n Program running...\n" + damage("lead.gpr", line, byte));
    }
}

TEST(damaged_file, a_damaged_line_longer_than_the_read_buffer_is_named) {
    const fs::path dir = fresh_temp_directory("spotweave-damaged");
    const std::string long_name(300000, 'n');
    const std::string text = data_row(1, 1, 1).text() + "\n" +
                             data_row(1, 2, 1, long_name, std::string("i\0d", 3)).text() + "\n" +
                             data_row(1, 3, 1).text() + "\n";
    write(dir / "long.gpr", text);
    for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
        test_run t = make_tables(1, 3, 1, 2.0);
        byte_reader in((dir / "long.gpr").string().c_str());
        const captured_run run = run_captured([&](console&) { load_spot_records(in, 1, t.settings, t, path); });
        EXPECT_EQ(run.out, damage("run_1.gpr", 2, "0x00"));
        release_spot_tables(t);
    }
    fs::remove_all(dir);
}

}  // namespace damaged_files
