// The guard rails of the command line: replicate groups that mix IDs, files
// of other layouts, and files holding more data rows than the run reads.
#include "driver/guard_rails.hpp"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/header_walk.hpp"
#include "input/reading_paths.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"
#include "support/result_text.hpp"

using namespace result_text;

TEST(guard_rails, replicate_groups_that_mix_ids) {
    using namespace result_text;
    test_run t = make_tables(1, 6);
    t.replicate_count = 2;
    t.gene_count = 3;
    const char* const ids[7] = {"", "A", "A", "B", "C", "D", "E"};
    for (int s = 1; s <= 6; ++s) std::snprintf(&t.gene_id[s][0], 8, "%s", ids[s]);
    const mixed_groups found = find_mixed_replicate_ids(t);
    EXPECT_EQ(found.count, 2);
    EXPECT_EQ(found.first_gene, 2);
    EXPECT_EQ(found.first_spot, 3);
    EXPECT_EQ(found.differing_spot, 4);
    std::snprintf(&t.gene_id[4][0], 8, "B");
    std::snprintf(&t.gene_id[6][0], 8, "D");
    EXPECT_EQ(find_mixed_replicate_ids(t).count, 0);
    release_spot_tables(t);
}

TEST(guard_rails, each_file_is_checked_against_the_first_files_layout) {
    using namespace result_text;
    const std::string first = join(grid_rows(1, 2, 1));
    struct case_t {
        std::string second;
        bool stops;
        std::string message;
    };
    const case_t cases[] = {
        {join(grid_rows(1, 2, 1)), false, ""},
        {join(std::vector<data_row>{data_row(1, 1, 1), data_row(1, 1, 2)}), true,
         "\n run_2.gpr, line 2: Block 1, Column 1, Row 2 where run_1.gpr has Block 1, Column 2, Row 1"},
        {join(grid_rows(1, 3, 1)), true, "\n run_2.gpr, line 3: a data row where run_1.gpr has none"},
    };
    for (const case_t& c : cases)
        for (const bool check : {true, false}) {
            test_run t = make_tables(2, 2);
            t.settings.check_layout = check;
            byte_reader a(first.data(), first.size());
            byte_reader b(c.second.data(), c.second.size());
            const captured_run run = run_captured([&](console&) {
                load_spot_records(a, 1, t.settings, t);
                load_spot_records(b, 2, t.settings, t);
            });
            EXPECT_EQ(run.end.has_value(), c.stops && check) << c.second;
            if (c.stops && check) {
                EXPECT_EQ(run.out.substr(0, c.message.size()), c.message);
            }
            release_spot_tables(t);
        }
}

namespace {

captured_run scan(const std::string& text, layout_size* size = nullptr) {
    return run_captured([&](console& out) {
        byte_reader in(text.data(), text.size());
        const layout_size got = sizing_scan_stream(in, "lead.gpr", 1, out);
        if (size != nullptr) *size = got;
    });
}

// The rows of `text` after its header loaded as file 1 of a run of `spots`,
// counting the rows past them.
spot_tables::rows_past rows_past(const std::string& rows, int spots, reading_path path) {
    test_run t = make_tables(1, spots);
    t.settings.warn_unread_rows = true;
    byte_reader in(rows.data(), rows.size());
    const captured_run run = run_captured([&](console&) { load_spot_records(in, 1, t.settings, t, path); });
    EXPECT_FALSE(run.end.has_value()) << run.out;
    const spot_tables::rows_past past = t.past[1];
    release_spot_tables(t);
    return past;
}

const std::string green_over_red_message =
    "the file holds 532/635 ratios (RatioFormulation=W2/W1 (532/635)), green over red; export it again from GenePix "
    "Pro with ratios W1/W2 (635/532)\n";

}  // namespace

TEST(guard_rails, a_fixed_file_with_ratios_green_over_red_is_refused_where_it_says_so) {
    for (const int first_factor_line : {13, 15}) {
        std::vector<std::string> header = header_lines(first_factor_line);
        const std::size_t at = first_factor_line == 13 ? 18 : 20;  // line 19 or 21
        ASSERT_NE(header[at].find("RatioFormulation="), std::string::npos);
        for (const std::string record : {"\"RatioFormulation=W2/W1 (532/635)\"", "RatioFormulation=W2/W1 (532/635)"}) {
            header[at] = record;
            const std::string text = result_file(header, grid_rows(1, 2, 2));
            const captured_run sized = scan(text);
            ASSERT_TRUE(sized.end.has_value()) << sized.out;
            EXPECT_EQ(sized.out, "\n lead.gpr, line " + std::to_string(at + 1) + ": " + green_over_red_message);
            const captured_run walked = run_captured([&](console& out) {
                byte_reader in(text.data(), text.size());
                header_walk(in, "run_2.gpr", out);
            });
            EXPECT_EQ(walked.out, "\n run_2.gpr, line " + std::to_string(at + 1) + ": " + green_over_red_message);
        }
        // Red over green, and records that only mention W2/W1, are read as before.
        for (const std::string record : {"\"RatioFormulation=W1/W2 (635/532)\"", "\"RatioFormulation= W2/W1\"",
                                         "\"Comment=RatioFormulation=W2/W1\"", "\"RatioFormulations=W2/W1\""}) {
            header[at] = record;
            layout_size size{};
            const captured_run sized = scan(result_file(header, grid_rows(1, 2, 2)), &size);
            EXPECT_FALSE(sized.end.has_value()) << record << sized.out;
        }
    }
}

TEST(guard_rails, the_rows_past_the_spots_read_are_counted_in_both_layouts) {
    std::vector<data_row> rows = grid_rows(1, 3, 3);
    const std::string nine = join(rows);
    for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
        spot_tables::rows_past past = rows_past(nine, 9, path);
        EXPECT_EQ(past.rows, 0);
        EXPECT_EQ(past.stop_line, 9);
        // Blank lines and a footer are no rows.
        past = rows_past(nine + "\n  \nend of the table\n", 4, path);
        EXPECT_EQ(past.rows, 5);
        EXPECT_EQ(past.stop_line, 4);
    }
}

TEST(guard_rails, the_warning_names_the_file_both_counts_the_line_and_why) {
    test_run t = make_tables(3, 5);
    t.past[2] = {333, 35};
    t.past[3] = {1, 35};
    layout_size size{5, 5};
    size.count_line = 40;
    size.block = 1;
    size.column = 5;
    size.row = 1;
    size.flag_ended = true;
    size.flag = -25;
    std::string err = capture_stdout([&] {
        console out;
        warn_unread_rows(t.settings, t, size, out);
    });
    EXPECT_EQ(err,
              "warning: run_2.gpr holds 338 data rows, but the run reads the first 5 of each file (reading stopped "
              "at line 35) and leaves the others out of every report: line 40 of run_1.gpr ends the data with the "
              "flag -25, none of 0, 100, -50, -75 and -100, and its Block 1, Column 5, Row 1 give 5 spots; 1 more "
              "file holds rows past them too\n");
    t.past[1] = {515, 530};
    t.past[2] = t.past[3] = {};
    size.flag_ended = false;
    size.flag = 0;
    size.count_line = 4000;
    err = capture_stdout([&] {
        console out;
        warn_unread_rows(t.settings, t, size, out);
    });
    EXPECT_EQ(err,
              "warning: run_1.gpr holds 520 data rows, but the run reads the first 5 of each file (reading stopped "
              "at line 530) and leaves the others out of every report: the last data row of run_1.gpr, line 4000 "
              "(Block 1, Column 5, Row 1), gives 5 spots: is the file cut from a larger one?\n");
    t.past[1] = {};
    EXPECT_EQ(capture_stdout([&] {
                  console out;
                  warn_unread_rows(t.settings, t, size, out);
              }),
              "");
    release_spot_tables(t);
}
