#include "input/header_walk.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/result_text.hpp"

using namespace result_text;

namespace {

const std::string line11 = "FileName=slide_632.tif\tslide_532.tif";

const char* const labels[6] = {
    "",
    "N. Factor-Ratio of Median: ",
    "N. Factor-Ratio of Mean: ",
    "N. Factor-Median of Ratios: ",
    "N. Factor-Mean of Ratios: ",
    "N. Factor-Regression Ratio: ",
};

// The console lines of a header whose factors print as `shown`.
std::string console_for(const std::string& line11_value, const std::vector<std::string>& shown) {
    std::string out = "\n" + line11_value + "\n";
    for (std::size_t k = 1; k < shown.size(); ++k) out += labels[k] + shown[k] + "\n";
    return out;
}

const std::vector<std::string> default_shown = {"", "1.250000", "0.500000", "2.000000", "1.125000", "0.750000"};
const double default_values[6] = {0.0, 1.25, 0.5, 2.0, 1.125, 0.75};

// Lines after the header, each naming its own line number.
std::string marker_lines(int first, int count = 4) {
    std::string text;
    for (int line = first; line < first + count; ++line) text += "row" + std::to_string(line) + "\ttail\n";
    return text;
}

struct walk_result {
    captured_run run;
    std::string next_word;  // the word the reader stands before after the walk
    long long next_line = 0;
};

walk_result walk(const std::string& text, test_run& t, int h = 1) {
    walk_result result;
    result.run = run_captured([&](console& out) {
        byte_reader in(text.data(), text.size());
        t.headers[static_cast<std::size_t>(h)] = header_walk(in, t.settings.file_name(h), out);
        result.next_line = in.line();
        read_word(in, result.next_word, 49);
    });
    return result;
}

void expect_factors(const spot_tables& t, int h, const double (&expected)[6]) {
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(t.headers[static_cast<std::size_t>(h)].factor[k], expected[k]) << "factor " << k;
}

void expect_failure_stop(const walk_result& r, const std::string& out) {
    ASSERT_TRUE(r.run.end.has_value()) << "the walk did not stop; output:\n" << r.run.out;
    EXPECT_EQ(r.run.end->status, 1);
    EXPECT_TRUE(r.run.end->wait_for_key);
    EXPECT_EQ(r.run.out, out);
}

}  // namespace

TEST(header_walk, quoted_factor_lines_at_13_to_17) {
    test_run t = make_tables(1, 4);
    const walk_result r = walk(join(header_lines()) + marker_lines(29), t);
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.run.out, console_for(line11, default_shown));
    expect_factors(t, 1, default_values);
    EXPECT_EQ(t.headers[static_cast<std::size_t>(1)].image_names, line11);
    EXPECT_EQ(r.next_word, "row29");
    EXPECT_EQ(r.next_line, 29);
}

TEST(header_walk, factor_quoting_may_differ_from_line_to_line) {
    struct row {
        const char* label;
        bool quoted[6];
    };
    const row rows[] = {
        {"none quoted", {false, false, false, false, false, false}},
        {"first quoted only", {false, true, false, false, false, false}},
        {"first unquoted only", {false, false, true, true, true, true}},
        {"alternating", {false, true, false, true, false, true}},
        {"alternating the other way", {false, false, true, false, true, false}},
    };
    for (int first : {13, 15}) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(r.label) + ", factors from line " + std::to_string(first));
            std::vector<std::string> header = header_lines(first);
            for (int k = 1; k <= 5; ++k) header[first + k - 2] = factor_line(k, default_factors[k], r.quoted[k]);
            test_run t = make_tables(1, 4);
            const walk_result result = walk(join(header) + marker_lines(first + 16), t);
            ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
            EXPECT_EQ(result.run.out, console_for(line11, default_shown));
            expect_factors(t, 1, default_values);
            EXPECT_EQ(result.next_word, "row" + std::to_string(first + 16));
        }
    }
}

// Line 13 decides: N, or a quote and N, keeps the factors at 13; anything
// else moves them to 15 and leaves lines 13 and 14 unread.
TEST(header_walk, factor_lines_move_to_15_when_line_13_is_no_factor_line) {
    struct row {
        const char* label;
        std::string line13;
    };
    const row rows[] = {
        {"quoted other record", "\"Wavelengths=632\t532\""},
        {"unquoted other record", "Wavelengths=632\t532"},
        {"lower-case n", "\"normalizationFactor:RatioOfMedians=9\""},
        {"two quotes before the N", "\"\"NormalizationFactor:RatioOfMedians=9"},
        {"blank before the N", " NormalizationFactor:RatioOfMedians=9"},
    };
    for (const row& r : rows) {
        for (bool quoted_first : {true, false}) {
            SCOPED_TRACE(std::string(r.label) + (quoted_first ? ", quoted factors" : ", unquoted factor 1"));
            std::vector<std::string> header = header_lines(15);
            header[12] = r.line13;
            header[13] = "\"NormalizationFactor:RatioOfMedians=7\"";  // line 14 is stepped over unread
            header[14] = factor_line(1, default_factors[1], quoted_first);
            test_run t = make_tables(1, 4);
            const walk_result result = walk(join(header) + marker_lines(31), t);
            ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
            EXPECT_EQ(result.run.out, console_for(line11, default_shown));
            expect_factors(t, 1, default_values);
            EXPECT_EQ(result.next_word, "row31");
            EXPECT_EQ(result.next_line, 31);
        }
    }
}

TEST(header_walk, factor_values_print_with_six_decimals) {
    struct row {
        std::string text;
        double value;
        std::string shown;
    };
    const row rows[] = {
        {"1.25", 1.25, "1.250000"},
        {"-0.25", -0.25, "-0.250000"},
        {"+2", 2.0, "2.000000"},
        {"1e-1", 0.1, "0.100000"},
        {"0.0000004", 0.0000004, "0.000000"},
        {"0.0000006", 0.0000006, "0.000001"},
        {"123456.5", 123456.5, "123456.500000"},
        {"  3.5", 3.5, "3.500000"},
        {"\t4", 4.0, "4.000000"},
        {"1.5\textra", 1.5, "1.500000"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("factor text \"" + r.text + "\"");
        for (int k = 1; k <= 5; ++k) {
            std::vector<std::string> header = header_lines();
            header[12 + k - 1] = factor_line(k, r.text);
            test_run t = make_tables(1, 4);
            const walk_result result = walk(join(header) + marker_lines(29), t);
            ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
            std::vector<std::string> shown = default_shown;
            shown[k] = r.shown;
            EXPECT_EQ(result.run.out, console_for(line11, shown)) << "factor " << k;
            EXPECT_EQ(t.headers[static_cast<std::size_t>(1)].factor[k], r.value) << "factor " << k;
            EXPECT_EQ(result.next_word, "row29");
        }
    }
}

TEST(header_walk, each_file_keeps_its_own_factors) {
    test_run t = make_tables(2, 4);
    std::vector<std::string> second = header_lines();
    const char* const values[6] = {"", "3", "4", "5", "6", "7"};
    for (int k = 1; k <= 5; ++k) second[12 + k - 1] = factor_line(k, values[k]);
    second[10] = "\"FileName=second.tif\"";

    const walk_result r2 = walk(join(second) + marker_lines(29), t, 2);
    ASSERT_FALSE(r2.run.end.has_value()) << r2.run.out;
    EXPECT_EQ(r2.run.out,
              console_for("FileName=second.tif", {"", "3.000000", "4.000000", "5.000000", "6.000000", "7.000000"}));
    const double second_values[6] = {0.0, 3, 4, 5, 6, 7};
    expect_factors(t, 2, second_values);
    const double untouched[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    expect_factors(t, 1, untouched);

    const walk_result r1 = walk(join(header_lines()) + marker_lines(29), t, 1);
    ASSERT_FALSE(r1.run.end.has_value()) << r1.run.out;
    expect_factors(t, 1, default_values);
    expect_factors(t, 2, second_values);
    EXPECT_EQ(t.headers[static_cast<std::size_t>(1)].image_names, line11);
    EXPECT_EQ(t.headers[static_cast<std::size_t>(2)].image_names, "FileName=second.tif");
}

TEST(header_walk, line_11_value_by_the_quoted_value_rule) {
    struct row {
        const char* label;
        std::string line;
        std::string value;
    };
    const row rows[] = {
        {"unquoted", "FileName=a.tif", "FileName=a.tif"},
        {"text after the closing quote", "\"FileName=a.tif\" tail", "FileName=a.tif"},
        {"empty", "\"\"", ""},
        {"longer than 399 characters", "\"" + std::string(450, 'w') + "\"", std::string(399, 'w')},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        std::vector<std::string> header = header_lines();
        header[10] = r.line;
        test_run t = make_tables(1, 4);
        const walk_result result = walk(join(header) + marker_lines(29), t);
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.run.out, console_for(r.value, default_shown));
        EXPECT_EQ(t.headers[static_cast<std::size_t>(1)].image_names, r.value);
        EXPECT_EQ(result.next_word, "row29");
    }
}

// The line after the ninth line past factor 5 (27, or 29 with the factors at
// 15) decides where the rows start: one line further after an S line.
TEST(header_walk, an_s_line_moves_the_first_row_one_line_down) {
    struct row {
        const char* label;
        std::string line;
        bool shifts;
    };
    const row rows[] = {
        {"quoted S", "\"Supplier=Array Lab\"", true},
        {"unquoted S", "Supplier=Array Lab", true},
        {"S alone", "S", true},
        {"quoted other record", "\"Creator=GenePix Pro 3.0\"", false},
        {"lower-case s", "\"supplier=Array Lab\"", false},
        {"two quotes before the S", "\"\"Supplier", false},
        {"blank before the S", " Supplier", false},
    };
    for (int first : {13, 15}) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(r.label) + ", factors from line " + std::to_string(first));
            const int tested = first + 14;
            std::vector<std::string> header = header_lines(first);
            header[tested - 1] = r.line;
            const std::string text =
                join(std::vector<std::string>(header.begin(), header.begin() + tested)) + marker_lines(tested + 1);
            test_run t = make_tables(1, 4);
            const walk_result result = walk(text, t);
            ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
            const int first_row = r.shifts ? tested + 2 : tested + 1;
            EXPECT_EQ(result.next_word, "row" + std::to_string(first_row));
            EXPECT_EQ(result.next_line, first_row);
        }
    }
}

// The page names each file's channels: line 10's ImageName record when it
// names two wavelengths, else the title line's "F<w> Median" columns, else
// 635 and 532. The console and the rest of the walk do not change.
TEST(header_walk, wavelengths_from_the_image_name_record_else_the_titles) {
    struct row {
        const char* label;
        std::string line10;
        bool titles_name_channels;
        const char* red;
        const char* green;
    };
    const row rows[] = {
        {"record with nm", "\"ImageName=635 nm\t532 nm\"", true, "635", "532"},
        {"record without nm, unquoted", "ImageName=594\t488", true, "594", "488"},
        {"record naming one wavelength", "\"ImageName=635 nm\"", true, "632", "532"},
        {"record naming one wavelength twice", "\"ImageName=635\t635\"", true, "632", "532"},
        {"record naming no number", "\"ImageName=Cy5\tCy3\"", true, "632", "532"},
        {"another record", "\"Comment=635 nm\t532 nm\"", true, "632", "532"},
        {"nothing anywhere", "\"Comment=\"", false, "635", "532"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        std::vector<std::string> header = header_lines();
        header[9] = r.line10;
        if (!r.titles_name_channels)
            for (const char* from : {"F632 Median", "F532 Median"})
                header.back().replace(header.back().find(from), 4, from[1] == '6' ? "Ch 1" : "Ch 2");
        test_run t = make_tables(1, 4);
        const walk_result result = walk(join(header) + marker_lines(29), t);
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.run.out, console_for(line11, default_shown));
        EXPECT_EQ(result.next_word, "row29");
        const file_header& h = t.headers[static_cast<std::size_t>(1)];
        EXPECT_EQ(h.red_wavelength, r.red);
        EXPECT_EQ(h.green_wavelength, r.green);
    }
}

TEST(header_walk, cr_lf_headers_read_like_lf_headers) {
    test_run t = make_tables(1, 4);
    const walk_result r = walk(join(header_lines(), "\r\n") + "row29\r\n", t);
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.run.out, console_for(line11, default_shown));
    expect_factors(t, 1, default_values);
    EXPECT_EQ(t.headers[static_cast<std::size_t>(1)].image_names, line11);
    EXPECT_EQ(r.next_word, "row29");
}

TEST(header_walk, a_file_that_does_not_begin_with_atf_is_refused) {
    for (const std::string first : {"atf\t1.0", "ATF1.0", "\"ATF\""}) {
        SCOPED_TRACE(first);
        std::vector<std::string> header = header_lines();
        header[0] = first;
        test_run t = make_tables(1, 4);
        const walk_result r = walk(join(header) + marker_lines(29), t);
        ASSERT_TRUE(r.run.end.has_value());
        EXPECT_TRUE(r.run.end->wait_for_key);
        EXPECT_EQ(r.run.out, "\n run_1.gpr is not a valid GenePix output file.\n\n");
    }
    test_run t = make_tables(2, 4);
    const walk_result empty = walk("", t, 2);
    ASSERT_TRUE(empty.run.end.has_value());
    EXPECT_EQ(empty.run.out, "\n run_2.gpr is not a valid GenePix output file.\n\n");
}

// Status 1, not 0: a run that read no result file has failed, and scripts must see it.
TEST(header_walk, a_file_that_is_not_a_result_file_ends_with_status_1) {
    test_run t = make_tables(1, 4);
    const walk_result r = walk("atf\t1.0\n", t);
    ASSERT_TRUE(r.run.end.has_value());
    EXPECT_EQ(r.run.end->status, 1);
}

// The factors by approach, as the messages name them.
const char* const names[6] = {
    "", "Ratio of Medians", "Ratio of Means", "Median of Ratios", "Mean of Ratios", "Regression Ratio"};

TEST(header_walk, a_key_that_does_not_end_in_equals_stops) {
    for (int k = 1; k <= 5; ++k) {
        for (int shift : {-1, 1}) {
            SCOPED_TRACE("factor " + std::to_string(k) + (shift < 0 ? ", key one short" : ", key one long"));
            std::string key = factor_keys[k];
            key.pop_back();  // the "="
            key = shift < 0 ? key.substr(0, key.size() - 1) + "=" : key + "s=";
            std::vector<std::string> header = header_lines();
            header[12 + k - 1] = quoted(key + "25");
            test_run t = make_tables(1, 4);
            const walk_result r = walk(join(header) + marker_lines(29), t);
            const std::vector<std::string> shown(default_shown.begin(), default_shown.begin() + k);
            expect_failure_stop(r, console_for(line11, shown) + "\n run_1.gpr, line " + std::to_string(12 + k) +
                                       ": expected the key of the " + names[k] + " factor to end in \"=\"\n");
        }
    }
}

TEST(header_walk, a_key_checked_at_line_15_names_that_line) {
    std::vector<std::string> header = header_lines(15);
    header[14] = "NormalizationFactor:RatioOfMedians 1.25";
    test_run t = make_tables(1, 4);
    const walk_result r = walk(join(header) + marker_lines(31), t);
    expect_failure_stop(r,
                        console_for(line11, {""}) +
                            "\n run_1.gpr, line 15: expected the key of the Ratio of Medians factor to end in \"=\"\n");
}

TEST(header_walk, a_factor_line_without_a_number_stops) {
    for (const std::string value : {"", "abc", "nan", "inf", "-inf", "1e999", ".", "1e", "\n2"}) {
        for (int k = 1; k <= 5; ++k) {
            SCOPED_TRACE("factor " + std::to_string(k) + " holding \"" + value + "\"");
            std::vector<std::string> header = header_lines();
            header[12 + k - 1] = factor_keys[k] + value;
            if (value == "\n2") header.erase(header.end() - 1);  // keep the line count
            test_run t = make_tables(1, 4);
            const walk_result r = walk(join(header) + marker_lines(29), t);
            const std::vector<std::string> shown(default_shown.begin(), default_shown.begin() + k);
            expect_failure_stop(r, console_for(line11, shown) + "\n run_1.gpr, line " + std::to_string(12 + k) +
                                       ": expected a number after the key of the " + names[k] + " factor\n");
        }
    }
}

TEST(header_walk, end_of_file_inside_the_header_stops) {
    const std::vector<std::string> header = header_lines();
    for (int n = 0; n <= 27; ++n) {
        SCOPED_TRACE("header cut after line " + std::to_string(n));
        const std::string text = n == 0 ? "ATF" : join(std::vector<std::string>(header.begin(), header.begin() + n));
        test_run t = make_tables(1, 4);
        const walk_result r = walk(text, t);
        // Line 11 is echoed once read; each factor once its line is read.
        std::string out;
        if (n >= 11) {
            const int factors = n <= 12 ? 0 : n - 12 > 5 ? 5 : n - 12;
            out = console_for(line11,
                              std::vector<std::string>(default_shown.begin(), default_shown.begin() + factors + 1));
        }
        const int line = n == 0 ? 1 : n + 1;
        expect_failure_stop(r, out + "\n run_1.gpr, line " + std::to_string(line) +
                                   ": the file ends inside the header, before the first data row\n");
    }
}

TEST(header_walk, end_of_file_inside_a_factor_key_stops) {
    std::vector<std::string> header = header_lines();
    header.resize(13);
    std::string text = join(header);
    text.resize(text.size() - 20);  // line 13 ends inside its key
    test_run t = make_tables(1, 4);
    const walk_result r = walk(text, t);
    expect_failure_stop(r, console_for(line11, {""}) +
                               "\n run_1.gpr, line 13: the file ends inside the header, before the first data row\n");
}
