#include "input/sizing_scan.hpp"
#include "input/reading_paths.hpp"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/result_text.hpp"

using namespace result_text;

namespace {

struct scan_result {
    captured_run run;
    layout_size size{-1, -1};
};

scan_result scan(const std::string& text, int replicate_count = 1, const char* name = "lead.gpr",
                 bool in_place = true) {
    scan_result result;
    result.run = run_captured([&](console& out) {
        byte_reader in(text.data(), text.size());
        result.size = sizing_scan_stream(in, name, replicate_count, out,
                                         (in_place ? reading_path::in_place : reading_path::byte_wise));
    });
    return result;
}

std::string console_for(int spots) {
    return "\n Program running...\nThe number of total spots in each file:  " + std::to_string(spots) + "\n";
}

// Ten rows, lines 29..38 after the standard header: Block 1, Columns 1..2,
// Rows 1..5; the last one gives 10 spots.
std::vector<data_row> ten_rows() { return grid_rows(1, 2, 5); }

void expect_failure_stop(const scan_result& r, const std::string& message) {
    ASSERT_TRUE(r.run.end.has_value()) << "the scan did not stop; output:\n" << r.run.out;
    EXPECT_EQ(r.run.end->status, 1);
    EXPECT_TRUE(r.run.end->wait_for_key);
    EXPECT_EQ(r.run.out, message);
}

}  // namespace

TEST(sizing_scan, first_word_atf_then_tab_and_version_passes) {
    const scan_result r = scan(result_file(header_lines(), ten_rows()));
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 10);
    EXPECT_EQ(r.run.out, console_for(10));
}

TEST(sizing_scan, white_space_before_atf_is_skipped) {
    // The line holding the word counts as line 1.
    const scan_result r = scan("\n \n" + result_file(header_lines(), ten_rows()));
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 10);
}

TEST(sizing_scan, files_that_do_not_begin_with_atf_are_refused) {
    struct row {
        const char* label;
        std::string text;
    };
    std::vector<std::string> lower = header_lines();
    lower[0] = "atf\t1.0";
    std::vector<std::string> one_word = header_lines();
    one_word[0] = "ATF1.0";
    std::vector<std::string> quoted_word = header_lines();
    quoted_word[0] = "\"ATF\"\t1.0";
    const row rows[] = {
        {"lower case", result_file(lower, ten_rows())},
        {"ATF1.0 as one word", result_file(one_word, ten_rows())},
        {"quoted word", result_file(quoted_word, ten_rows())},
        {"empty file", ""},
        {"only white space", " \n\n\t"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        const scan_result result = scan(r.text, 1, "bad.gpr");
        ASSERT_TRUE(result.run.end.has_value());
        EXPECT_TRUE(result.run.end->wait_for_key);
        EXPECT_EQ(result.run.out, "\n bad.gpr is not a valid GenePix output file\n\n");
    }
}

// Status 1, not 0: a run that read no result file has failed, and scripts must see it.
TEST(sizing_scan, a_file_that_is_not_a_result_file_ends_with_status_1) {
    const scan_result r = scan("atf\t1.0\n", 1, "bad.gpr");
    ASSERT_TRUE(r.run.end.has_value());
    EXPECT_EQ(r.run.end->status, 1);
}

TEST(sizing_scan, spot_and_gene_counts_from_the_last_row) {
    // Block 4, Column 18, Row 20: 1440 spots in every file.
    const std::string text = result_file(header_lines(), grid_rows(4, 18, 20));
    struct row {
        int replicates;
        int genes;
    };
    for (const row& r : {row{1, 1440}, row{2, 720}, row{7, 205}, row{1441, 0}}) {
        SCOPED_TRACE("replicate count " + std::to_string(r.replicates));
        const scan_result result = scan(text, r.replicates);
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.size.spot_count, 1440);
        EXPECT_EQ(result.size.gene_count, r.genes);
        EXPECT_EQ(result.run.out, console_for(1440));
    }
}

TEST(sizing_scan, the_count_comes_from_the_last_row_alone) {
    // Four blocks of rows, but the last row says Block 2.
    std::vector<data_row> rows = grid_rows(4, 18, 20);
    rows.back().set(1, "2");
    const scan_result r = scan(result_file(header_lines(), rows), 2);
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 720);
    EXPECT_EQ(r.size.gene_count, 360);

    // Rows out of order do not matter either.
    std::vector<data_row> shuffled = {data_row(3, 2, 2), data_row(1, 1, 1), data_row(1, 2, 3)};
    const scan_result s = scan(result_file(header_lines(), shuffled));
    ASSERT_FALSE(s.run.end.has_value()) << s.run.out;
    EXPECT_EQ(s.size.spot_count, 6);
}

// Line 19 decides where the title candidate is. The first data row (line 29)
// carries the flag 50, so a walk that starts there counts that row alone (1
// spot); a walk that starts at line 33, three lines after a candidate at line
// 30 that is no title line, counts the last row (10 spots).
TEST(sizing_scan, ratio_formulation_on_line_19_puts_the_titles_at_line_28) {
    struct row {
        const char* label;
        std::string line19;
        int spots;
    };
    const row rows[] = {
        {"quoted, at the start", "\"RatioFormulation=W1/W2 (632/532)\"", 1},
        {"unquoted", "RatioFormulation=W1/W2", 1},
        {"after a prefix", "\"Note: RatioFormulation\"", 1},
        {"at the end of the value", "\"xRatioFormulation\"", 1},
        {"lower case", "\"ratioformulation=W1/W2 (632/532)\"", 10},
        {"upper case", "\"RATIOFORMULATION=W1/W2\"", 10},
        {"with a space", "\"Ratio Formulation=W1/W2\"", 10},
        {"another record", "\"JpegImage=slide.jpg\"", 10},
        {"after the closing quote", "\"Comment\" RatioFormulation", 10},
        {"beyond the room of a value", "\"" + std::string(399, 'x') + "RatioFormulation\"", 10},
        {"on line 18 instead", "", 10},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        std::vector<std::string> header = header_lines();
        if (r.line19.empty()) {
            header[17] = header[18];
            header[18] = "\"JpegImage=slide.jpg\"";
        } else {
            header[18] = r.line19;
        }
        std::vector<data_row> rows10 = ten_rows();
        rows10[0].set(43, "50");
        const scan_result result = scan(result_file(header, rows10));
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.size.spot_count, r.spots);
    }
}

TEST(sizing_scan, titles_at_line_30_when_line_19_is_a_factor_line) {
    const scan_result r = scan(result_file(header_lines(15), ten_rows()));
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 10);

    // The first row after the titles is walked: its flag 50 ends the walk.
    std::vector<data_row> rows10 = ten_rows();
    rows10[0].set(43, "50");
    const scan_result first = scan(result_file(header_lines(15), rows10));
    ASSERT_FALSE(first.run.end.has_value()) << first.run.out;
    EXPECT_EQ(first.size.spot_count, 1);
}

// Titles on line 27, so the candidate line 28 is the first data row: the walk
// starts at line 31, with the fourth row (Block 1, Column 2, Row 2).
TEST(sizing_scan, a_data_row_as_candidate_skips_two_more_lines) {
    std::vector<std::string> header = header_lines();
    header.erase(header.begin() + 26);  // the Supplier line
    struct row {
        int flag_50_at;  // row index, 0 for none
        int spots;
    };
    for (const row& r : {row{0, 10}, row{1, 10}, row{2, 10}, row{3, 10}, row{4, 4}, row{5, 3}}) {
        SCOPED_TRACE("flag 50 in row " + std::to_string(r.flag_50_at));
        std::vector<data_row> rows10 = ten_rows();
        if (r.flag_50_at > 0) rows10[r.flag_50_at - 1].set(43, "50");
        const scan_result result = scan(result_file(header, rows10));
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.size.spot_count, r.spots);
    }
}

TEST(sizing_scan, a_title_candidate_needs_block_in_its_value) {
    // Unquoted titles work the same; "block" in lower case is not the title.
    std::vector<std::string> unquoted = header_lines();
    unquoted[27] = "Block\tColumn\tRow\tName\tID";
    std::vector<std::string> lower = header_lines();
    lower[27] = "\"block\"\t\"Column\"";
    std::vector<data_row> rows10 = ten_rows();
    rows10[0].set(43, "50");  // line 29

    const scan_result a = scan(result_file(unquoted, rows10));
    ASSERT_FALSE(a.run.end.has_value()) << a.run.out;
    EXPECT_EQ(a.size.spot_count, 1);

    const scan_result b = scan(result_file(lower, rows10));
    ASSERT_FALSE(b.run.end.has_value()) << b.run.out;
    EXPECT_EQ(b.size.spot_count, 10);
}

TEST(sizing_scan, a_flag_outside_the_five_values_ends_the_walk) {
    struct row {
        std::string flag;
        int spots;
    };
    // Row 6 is Block 1, Column 2, Row 3; the last row gives 10.
    const row rows[] = {
        {"50", 6},   {"1", 6},    {"-90", 6},  {"100.5", 6}, {"nan", 6},    {"0", 10},
        {"-50", 10}, {"100", 10}, {"-75", 10}, {"-100", 10}, {"100.0", 10}, {"-0", 10},
    };
    for (const row& r : rows) {
        SCOPED_TRACE("flag " + r.flag);
        std::vector<data_row> rows10 = ten_rows();
        rows10[5].set(43, r.flag);
        const scan_result result = scan(result_file(header_lines(), rows10));
        ASSERT_FALSE(result.run.end.has_value()) << result.run.out;
        EXPECT_EQ(result.size.spot_count, r.spots);
        EXPECT_EQ(result.run.out, console_for(r.spots));
    }
}

TEST(sizing_scan, field_38_may_hold_a_word) {
    std::vector<data_row> rows10 = ten_rows();
    for (data_row& row : rows10) row.set(38, "Error");
    rows10[5].set(43, "50");
    const scan_result r = scan(result_file(header_lines(), rows10));
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 6);
}

TEST(sizing_scan, cr_lf_files_read_like_lf_files) {
    std::vector<data_row> rows10 = ten_rows();
    const scan_result lf = scan(result_file(header_lines(), rows10, "\n"));
    const scan_result crlf = scan(result_file(header_lines(), rows10, "\r\n"));
    ASSERT_FALSE(crlf.run.end.has_value()) << crlf.run.out;
    EXPECT_EQ(crlf.size.spot_count, 10);
    EXPECT_EQ(crlf.run.out, lf.run.out);

    rows10[5].set(43, "50");
    const scan_result crlf_flag = scan(result_file(header_lines(), rows10, "\r\n"));
    EXPECT_EQ(crlf_flag.size.spot_count, 6);

    const scan_result factors_at_15 = scan(result_file(header_lines(15), ten_rows(), "\r\n"));
    EXPECT_EQ(factors_at_15.size.spot_count, 10);
}

TEST(sizing_scan, blank_lines_after_the_last_row_are_no_row) {
    for (const std::string tail : {"\n", "\n\n\n", "\r\n\r\n", " \n", "\t\n"}) {
        SCOPED_TRACE("tail of " + std::to_string(tail.size()) + " bytes");
        const scan_result r = scan(result_file(header_lines(), ten_rows()) + tail);
        ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
        EXPECT_EQ(r.size.spot_count, 10);
    }
}

TEST(sizing_scan, a_last_row_without_line_feed_counts) {
    std::string text = result_file(header_lines(), grid_rows(1, 2, 4));
    text += data_row(1, 3, 5).text();
    const scan_result r = scan(text);
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.size.spot_count, 15);
}

TEST(sizing_scan, end_of_file_inside_the_header_stops) {
    const std::vector<std::string> header = header_lines();
    // Cut after line n: the scan reads through line 19 and the candidate line 28.
    for (int n : {1, 5, 18, 19, 20, 27}) {
        SCOPED_TRACE("header cut after line " + std::to_string(n));
        const std::vector<std::string> cut(header.begin(), header.begin() + n);
        const scan_result r = scan(join(cut), 1, "short.gpr");
        expect_failure_stop(r, "\n short.gpr, line " + std::to_string(n + 1) +
                                   ": the file ends inside the header, before the first data row\n");
    }
}

TEST(sizing_scan, end_of_file_inside_a_header_value_stops) {
    std::vector<std::string> header = header_lines();
    header.resize(19);
    std::string text = join(header);
    text.resize(text.size() - 5);  // line 19 loses its closing quote and line feed
    const scan_result r = scan(text, 1, "short.gpr");
    expect_failure_stop(r, "\n short.gpr, line 19: the file ends inside the header, before the first data row\n");
}

TEST(sizing_scan, a_header_without_rows_stops) {
    const scan_result r = scan(join(header_lines()), 1, "empty.gpr");
    expect_failure_stop(r, "\n Program running...\n\n empty.gpr, line 29: no data row found after the header\n");

    // A blank line after the titles is no row either.
    const scan_result blank = scan(join(header_lines()) + "\n", 1, "empty.gpr");
    expect_failure_stop(blank, "\n Program running...\n\n empty.gpr, line 30: no data row found after the header\n");
}

TEST(sizing_scan, a_spot_count_below_1_stops) {
    struct row {
        data_row last;
        std::string layout;
        std::string spots;
    };
    const row rows[] = {
        {data_row(0, 18, 20), "Block 0, Column 18, Row 20", "0"},
        {data_row(4, 0, 20), "Block 4, Column 0, Row 20", "0"},
        {data_row(4, 18, -20), "Block 4, Column 18, Row -20", "-1440"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.layout);
        std::vector<data_row> rows10 = ten_rows();
        rows10.push_back(r.last);  // line 39
        const scan_result result = scan(result_file(header_lines(), rows10), 1, "odd.gpr");
        expect_failure_stop(result, "\n Program running...\n\n odd.gpr, line 39: the last data row (" + r.layout +
                                        ") gives " + r.spots + " spots; expected at least 1\n");
    }
}

TEST(sizing_scan, a_spot_count_beyond_32_bits_stops) {
    std::vector<data_row> rows10 = ten_rows();
    rows10.push_back(data_row(2000, 2000, 1000));  // line 39: 4 000 000 000 spots
    const scan_result r = scan(result_file(header_lines(), rows10), 1, "huge.gpr");
    expect_failure_stop(r,
                        "\n Program running...\n\n huge.gpr, line 39: the last data row (Block 2000, Column 2000, "
                        "Row 1000) gives 4000000000 spots, more than 2147483647\n");

    // 2^31 exactly is one too many; 2^31 - 1 only fails for want of lines.
    rows10.back() = data_row(2, 1024, 1048576);
    const scan_result edge = scan(result_file(header_lines(), rows10), 1, "huge.gpr");
    expect_failure_stop(edge,
                        "\n Program running...\n\n huge.gpr, line 39: the last data row (Block 2, Column 1024, "
                        "Row 1048576) gives 2147483648 spots, more than 2147483647\n");

    // A product beyond 64 bits is caught before it is formed.
    rows10.back() = data_row(999999999, 2147483647, 2147483647);
    const scan_result beyond = scan(result_file(header_lines(), rows10), 1, "huge.gpr");
    expect_failure_stop(beyond,
                        "\n Program running...\n\n huge.gpr, line 39: the last data row (Block 999999999, "
                        "Column 2147483647, Row 2147483647) gives far more than 2147483647 spots\n");
}

TEST(sizing_scan, a_spot_count_above_the_line_count_stops) {
    // 28 header lines and 10 rows: 38 lines, so 39 spots cannot be there.
    std::vector<data_row> rows = grid_rows(1, 1, 9);
    rows.push_back(data_row(1, 3, 13));  // line 38
    const scan_result r = scan(result_file(header_lines(), rows), 1, "thin.gpr");
    expect_failure_stop(r,
                        "\n Program running...\n\n thin.gpr, line 38: the last data row (Block 1, Column 3, "
                        "Row 13) gives 39 spots, but the file has only 38 lines\n");

    // 38 spots in 38 lines is enough.
    rows.back() = data_row(1, 2, 19);
    const scan_result fits = scan(result_file(header_lines(), rows), 1, "thin.gpr");
    ASSERT_FALSE(fits.run.end.has_value()) << fits.run.out;
    EXPECT_EQ(fits.size.spot_count, 38);
}

TEST(sizing_scan, rows_in_place_count_as_rows_byte_by_byte) {
    // Rows the in-place reader takes and rows it leaves to the byte-wise
    // walk, with the walk ending at a random row: both ways give one count.
    std::mt19937 random(31);
    const char* odd_blocks[] = {"1 2", "0000000003", " 4", "5x", "+6", "-1", "7\t"};
    std::uniform_int_distribution<int> pick(0, 9), odd(0, 6), stop(0, 40);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<data_row> rows = grid_rows(2, 4, 5);
        for (data_row& row : rows) {
            if (pick(random) == 0) row.set(1, odd_blocks[odd(random)]);
            if (pick(random) == 1) row.set(20, "nan");
            if (pick(random) == 2) row.set(7, "1e");
            if (pick(random) == 3) row.set(4, "name with\x01 bytes");
        }
        const int last = stop(random);
        if (last < static_cast<int>(rows.size())) rows[static_cast<std::size_t>(last)].set(43, "50");
        const std::string text = result_file(header_lines(), rows, trial % 2 ? "\r\n" : "\n");
        const scan_result fast = scan(text, 1, "lead.gpr", true);
        const scan_result slow = scan(text, 1, "lead.gpr", false);
        ASSERT_EQ(fast.size.spot_count, slow.size.spot_count) << text;
        ASSERT_EQ(fast.run.out, slow.run.out);
    }
}
