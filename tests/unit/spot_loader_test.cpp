#include "input/spot_loader.hpp"
#include "input/reading_paths.hpp"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/result_text.hpp"

using namespace result_text;

namespace {

struct load_result {
    captured_run run;
    bool closed = false;
};

load_result load(test_run& t, int f, const std::string& text) {
    load_result result;
    byte_reader in(text.data(), text.size());
    result.run = run_captured([&](console&) { load_spot_records(in, f, t.settings, t); });
    result.closed = !in.is_open();
    return result;
}

void expect_loaded(const load_result& r) {
    EXPECT_FALSE(r.run.end.has_value()) << "the loader stopped:\n" << r.run.out;
    EXPECT_EQ(r.run.out, "");
    EXPECT_TRUE(r.closed);
}

void expect_failure_stop(const load_result& r, const std::string& message) {
    ASSERT_TRUE(r.run.end.has_value()) << "the loader did not stop";
    EXPECT_EQ(r.run.end->status, 1);
    EXPECT_TRUE(r.run.end->wait_for_key);
    EXPECT_EQ(r.run.out, message);
}

std::string name_of(const spot_tables& t, int s) { return std::string(&t.gene_name[s][0]); }
std::string id_of(const spot_tables& t, int s) { return std::string(&t.gene_id[s][0]); }

}  // namespace

TEST(spot_loader, quality_control_against_c) {
    struct row {
        const char* label;
        double c;
        std::string f632, b632, f532, b532, flag;
        double expected_flag;
    };
    const row rows[] = {
        {"632 passes (3.0)", 2.0, "300", "100", "150", "100", "0", 0.0},
        {"532 passes (3.0)", 2.0, "150", "100", "300", "100", "100", 100.0},
        {"a passing spot keeps a negative flag", 2.0, "300", "100", "150", "100", "-50", -50.0},
        {"a flag outside the five values is stored as read", 2.0, "300", "100", "150", "100", "7", 7.0},
        {"both below C", 2.0, "150", "100", "199", "100", "0", -90.0},
        {"both below C, flag -50", 2.0, "150", "100", "199", "100", "-50", -90.0},
        {"both below C, flag 100", 2.0, "150", "100", "199", "100", "100", -90.0},
        {"both below C, flag -100", 2.0, "150", "100", "199", "100", "-100", -90.0},
        {"632 exactly C", 2.0, "200", "100", "0", "100", "0", 0.0},
        {"532 exactly C", 2.0, "100", "100", "200", "100", "0", 0.0},
        {"exactly C = 1.5", 1.5, "150", "100", "1", "100", "0", 0.0},
        {"just below C = 1.5", 1.5, "149", "100", "149", "100", "0", -90.0},
        {"C = 1 with equal medians", 1.0, "100", "100", "50", "100", "0", 0.0},
        {"exactly C = 5", 5.0, "10", "100", "500", "100", "0", 0.0},
        {"zero backgrounds, positive foregrounds", 2.0, "300", "0", "5", "0", "0", 0.0},
        {"one zero background", 2.0, "1", "100", "5", "0", "0", 0.0},
        {"zero over zero in both", 2.0, "0", "0", "0", "0", "0", -90.0},
        {"zero over zero in one, other passes", 2.0, "0", "0", "300", "100", "0", 0.0},
        {"zero over zero in one, other fails", 2.0, "0", "0", "150", "100", "0", -90.0},
        {"zero foregrounds", 2.0, "0", "100", "0", "100", "0", -90.0},
        {"negative quotients", 2.0, "-300", "100", "300", "-100", "0", -90.0},
        {"negative over negative", 2.0, "-300", "-100", "0", "100", "0", 0.0},
        {"fractional medians", 2.0, "201.5", "100.75", "1", "100", "0", 0.0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        test_run t = make_tables(1, 1, 1, r.c);
        data_row spot(1, 1, 1);
        spot.set(9, r.f632).set(12, r.b632).set(18, r.f532).set(21, r.b532).set(43, r.flag).set(27, "0.8");
        const load_result result = load(t, 1, spot.text() + "\n");
        expect_loaded(result);
        EXPECT_EQ(t.spot_flag[1][1], r.expected_flag);
        // The test changes nothing else.
        EXPECT_EQ(t.f632_median[1][1], std::stod(r.f632));
        EXPECT_EQ(t.b632_median[1][1], std::stod(r.b632));
        EXPECT_EQ(t.f532_median[1][1], std::stod(r.f532));
        EXPECT_EQ(t.b532_median[1][1], std::stod(r.b532));
        EXPECT_EQ(t.spot_ratio[1][1], 0.8);
    }
}

TEST(spot_loader, quality_control_does_not_depend_on_the_ratio_approach) {
    for (int approach = 1; approach <= 5; ++approach) {
        SCOPED_TRACE("approach " + std::to_string(approach));
        test_run t = make_tables(1, 2, approach, 2.0);
        const std::string text = data_row(1, 1, 1).set(9, "150").set(21, "100").set(18, "199").text() + "\n" +
                                 data_row(1, 2, 1).set(9, "300").set(18, "150").text() + "\n";
        expect_loaded(load(t, 1, text));
        EXPECT_EQ(t.spot_flag[1][1], -90.0);
        EXPECT_EQ(t.spot_flag[1][2], 0.0);
    }
}

TEST(spot_loader, the_ratio_comes_from_the_chosen_column) {
    // Fields 27..32 all differ; 31 lies between candidates 4 and 5.
    struct row {
        int approach;
        double ratio;
    };
    for (const row& r : {row{1, 1.1}, row{2, 2.2}, row{3, 3.3}, row{4, 4.4}, row{5, 5.5}}) {
        SCOPED_TRACE("approach " + std::to_string(r.approach));
        test_run t = make_tables(1, 1, r.approach, 2.0);
        data_row spot(1, 1, 1);
        spot.set(27, "1.1").set(28, "2.2").set(29, "3.3").set(30, "4.4").set(31, "31.5").set(32, "5.5");
        expect_loaded(load(t, 1, spot.text() + "\n"));
        EXPECT_EQ(t.spot_ratio[1][1], r.ratio);
    }
}

TEST(spot_loader, medians_and_flag_come_from_their_fields) {
    // Every other number field holds its own field number, so a read from
    // the wrong field shows.
    test_run t = make_tables(1, 2, 1, 2.0);
    data_row first(1, 1, 1);
    first.set(9, "1009.5").set(12, "112").set(18, "1018").set(21, "121").set(43, "-75");
    data_row second(1, 2, 1);
    second.set(9, "2009").set(12, "212").set(18, "2018").set(21, "221").set(43, "100").set(27, "0.25");
    expect_loaded(load(t, 1, first.text() + "\n" + second.text() + "\n"));
    EXPECT_EQ(t.f632_median[1][1], 1009.5);
    EXPECT_EQ(t.b632_median[1][1], 112.0);
    EXPECT_EQ(t.f532_median[1][1], 1018.0);
    EXPECT_EQ(t.b532_median[1][1], 121.0);
    EXPECT_EQ(t.spot_flag[1][1], -75.0);
    EXPECT_EQ(t.spot_ratio[1][1], 27.0);
    EXPECT_EQ(t.f632_median[1][2], 2009.0);
    EXPECT_EQ(t.b632_median[1][2], 212.0);
    EXPECT_EQ(t.f532_median[1][2], 2018.0);
    EXPECT_EQ(t.b532_median[1][2], 221.0);
    EXPECT_EQ(t.spot_flag[1][2], 100.0);
    EXPECT_EQ(t.spot_ratio[1][2], 0.25);
}

TEST(spot_loader, field_38_may_hold_any_word) {
    for (const std::string word : {"Error", "-", "#N/A", "1.#INF", "nan", "2.5"}) {
        SCOPED_TRACE("field 38 \"" + word + "\"");
        test_run t = make_tables(1, 1, 1, 2.0);
        data_row spot(1, 1, 1);
        spot.set(38, word).set(43, "-50");
        expect_loaded(load(t, 1, spot.text() + "\n"));
        EXPECT_EQ(t.spot_flag[1][1], -50.0);
        EXPECT_EQ(t.f632_median[1][1], 300.0);
    }
}

TEST(spot_loader, names_and_ids_keep_printable_characters_only) {
    struct row {
        const char* label;
        std::string field;
        std::string stored;
    };
    const row rows[] = {
        {"plain", "GeneA", "GeneA"},
        {"control characters other than NUL dropped",
         "A\x01"
         "B\x1f"
         "C\x7f"
         "DE",
         "ABCDE"},
        {"bytes above 126 dropped", "caf\xc3\xa9 au lait\xff", "caf au lait"},
        {"a lone CR dropped", "ab\rcd", "abcd"},
        {"quotes kept", "\"Gene X\"", "\"Gene X\""},
        {"blanks and punctuation kept", " a~b !", " a~b !"},
        {"empty", "", ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        test_run t = make_tables(1, 1, 1, 2.0);
        expect_loaded(load(t, 1, data_row(1, 1, 1, r.field, "id").text() + "\n"));
        EXPECT_EQ(name_of(t, 1), r.stored);
        EXPECT_EQ(id_of(t, 1), "id");

        test_run u = make_tables(1, 1, 1, 2.0);
        expect_loaded(load(u, 1, data_row(1, 1, 1, "name", r.field).text() + "\n"));
        EXPECT_EQ(name_of(u, 1), "name");
        EXPECT_EQ(id_of(u, 1), r.stored);
        EXPECT_EQ(u.f632_median[1][1], 300.0);
    }
}

TEST(spot_loader, long_names_and_ids_are_cut_to_their_room) {
    struct row {
        const char* label;
        std::string name, id;
        std::string stored_name, stored_id;
    };
    const row rows[] = {
        {"600 and 60 characters", std::string(600, 'n'), std::string(60, 'i'), std::string(500, 'n'),
         std::string(50, 'i')},
        {"exactly the room", std::string(500, 'n'), std::string(50, 'i'), std::string(500, 'n'), std::string(50, 'i')},
        {"one more than the room", std::string(499, 'n') + "xy", std::string(49, 'i') + "xy",
         std::string(499, 'n') + "x", std::string(49, 'i') + "x"},
        {"dropped bytes do not count", std::string(250, 'a') + "\x01\x02" + std::string(300, 'b'),
         std::string(30, 'c') + "\x7f" + std::string(30, 'd'), std::string(250, 'a') + std::string(250, 'b'),
         std::string(30, 'c') + std::string(20, 'd')},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        test_run t = make_tables(1, 2, 1, 2.0);
        const std::string text = data_row(1, 1, 1, r.name, r.id).set(43, "-50").text() + "\n" +
                                 data_row(1, 2, 1, "next", "id2").text() + "\n";
        expect_loaded(load(t, 1, text));
        EXPECT_EQ(name_of(t, 1), r.stored_name);
        EXPECT_EQ(id_of(t, 1), r.stored_id);
        EXPECT_EQ(t.spot_flag[1][1], -50.0);
        EXPECT_EQ(name_of(t, 2), "next");
        EXPECT_EQ(id_of(t, 2), "id2");
    }
}

TEST(spot_loader, names_come_from_the_last_file_loaded) {
    test_run t = make_tables(3, 2, 1, 2.0);
    const char* const names[4][3] = {{}, {"", "one-a", "one-b"}, {"", "two-a", "two-b"}, {"", "three-a", "three-b"}};
    for (int f = 1; f <= 3; ++f) {
        const std::string text = data_row(1, 1, 1, names[f][1], std::string("id") + names[f][1]).text() + "\n" +
                                 data_row(1, 2, 1, names[f][2], std::string("id") + names[f][2]).text() + "\n";
        expect_loaded(load(t, f, text));
        EXPECT_EQ(name_of(t, 1), names[f][1]) << "after file " << f;
        EXPECT_EQ(name_of(t, 2), names[f][2]) << "after file " << f;
        EXPECT_EQ(id_of(t, 2), std::string("id") + names[f][2]) << "after file " << f;
    }
    EXPECT_EQ(name_of(t, 1), "three-a");
    EXPECT_EQ(id_of(t, 1), "idthree-a");
}

TEST(spot_loader, layout_is_written_by_the_last_file_only) {
    test_run t = make_tables(2, 2, 1, 2.0);
    for (int s = 1; s <= 2; ++s) t.spot_block[s] = t.spot_column[s] = t.spot_row[s] = -1;

    const std::string file1 =
        data_row(7, 8, 9).set(9, "101").text() + "\n" + data_row(17, 18, 19).set(9, "102").text() + "\n";
    expect_loaded(load(t, 1, file1));
    for (int s = 1; s <= 2; ++s) {
        EXPECT_EQ(t.spot_block[s], -1);
        EXPECT_EQ(t.spot_column[s], -1);
        EXPECT_EQ(t.spot_row[s], -1);
    }

    const std::string file2 =
        data_row(1, 2, 3).set(9, "201").text() + "\n" + data_row(4, 5, 6).set(9, "202").text() + "\n";
    expect_loaded(load(t, 2, file2));
    EXPECT_EQ(t.spot_block[1], 1);
    EXPECT_EQ(t.spot_column[1], 2);
    EXPECT_EQ(t.spot_row[1], 3);
    EXPECT_EQ(t.spot_block[2], 4);
    EXPECT_EQ(t.spot_column[2], 5);
    EXPECT_EQ(t.spot_row[2], 6);
    // Each file fills its own row of the per-file tables.
    EXPECT_EQ(t.f632_median[1][1], 101.0);
    EXPECT_EQ(t.f632_median[1][2], 102.0);
    EXPECT_EQ(t.f632_median[2][1], 201.0);
    EXPECT_EQ(t.f632_median[2][2], 202.0);
}

TEST(spot_loader, reads_only_spot_count_rows) {
    test_run t = make_tables(1, 2, 1, 2.0);
    const std::string text = data_row(1, 1, 1, "a").text() + "\n" + data_row(1, 2, 1, "b").text() + "\n" +
                             "this line is no data row\n" + data_row(1, 1, 2, "c").text(20) + "\n";
    expect_loaded(load(t, 1, text));
    EXPECT_EQ(name_of(t, 1), "a");
    EXPECT_EQ(name_of(t, 2), "b");
}

TEST(spot_loader, white_space_between_rows_and_numbers) {
    struct row {
        const char* label;
        std::string text;
    };
    data_row a(1, 1, 1, "a");
    a.set(43, "-50");
    data_row b(1, 2, 1, "b");
    b.set(43, "100");
    std::string spaced = b.text(5);
    for (int k = 6; k <= 43; ++k) spaced += (k % 2 ? "  " : " \t ") + b.field[k];
    const row rows[] = {
        {"LF", a.text() + "\n" + b.text() + "\n"},
        {"CR LF", a.text() + "\r\n" + b.text() + "\r\n"},
        {"no line feed after the last row", a.text() + "\n" + b.text()},
        {"blank lines before and between rows", "\n\n" + a.text() + "\n\n \t\n" + b.text() + "\n"},
        {"blanks and tabs after field 43", a.text() + " \t \n" + b.text() + "\t\r\n"},
        {"numbers separated by blanks", a.text() + "\n" + spaced + "\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        test_run t = make_tables(1, 2, 1, 2.0);
        expect_loaded(load(t, 1, r.text));
        EXPECT_EQ(name_of(t, 1), "a");
        EXPECT_EQ(name_of(t, 2), "b");
        EXPECT_EQ(t.spot_flag[1][1], -50.0);
        EXPECT_EQ(t.spot_flag[1][2], 100.0);
        EXPECT_EQ(t.spot_column[2], 2);
        EXPECT_EQ(t.spot_ratio[1][2], 27.0);
    }
}

TEST(spot_loader, a_field_that_is_no_number_stops_quoting_it_under_its_title) {
    struct field_title {
        int field;
        const char* title;
    };
    const field_title fields[] = {{6, "X"},          {9, "F635 Median"},       {21, "B532 Median"}, {31, "Ratios SD"},
                                  {32, "Rgn Ratio"}, {42, "F532 Mean - B532"}, {43, "Flags"}};
    for (const field_title& f : fields) {
        for (const std::string text : {"abc", "nan", "inf", "-inf", "1e999", "1e", "-", ".", "12O4", "2,5"}) {
            SCOPED_TRACE("field " + std::to_string(f.field) + " holding \"" + text + "\"");
            test_run t = make_tables(2, 3, 1, 2.0);
            const std::string rows = data_row(1, 1, 1).text() + "\n" + data_row(1, 2, 1).set(f.field, text).text() +
                                     "\n" + data_row(1, 3, 1).text() + "\n";
            expect_failure_stop(load(t, 2, rows), "\n run_2.gpr, line 2: spot 2, column \"" + std::string(f.title) +
                                                      "\": \"" + text + "\" is not a number\n");
        }
    }
    // A long text is cut at 20 characters; a byte that does not print shows as '?'.
    struct shown {
        std::string text, quoted;
    };
    for (const shown& c : {shown{"1234567890x1234567890", "1234567890x123456789..."},
                           shown{"123456789x1234567890", "123456789x1234567890"}, shown{"1\xe9", "1?"}}) {
        for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
            test_run t = make_tables(1, 1, 1, 2.0);
            const std::string row = data_row(1, 1, 1).set(18, c.text).text() + "\n";
            byte_reader in(row.data(), row.size());
            const captured_run run = run_captured([&](console&) { load_spot_records(in, 1, t.settings, t, path); });
            EXPECT_EQ(run.out,
                      "\n run_1.gpr, line 1: spot 1, column \"F532 Median\": \"" + c.quoted + "\" is not a number\n");
        }
    }
}

TEST(spot_loader, a_layout_field_that_is_no_integer_stops) {
    struct row {
        int field;
        std::string text;
        const char* title;
    };
    for (const row& r :
         {row{1, "x", "Block"}, row{1, "-", "Block"}, row{2, "B", "Column"}, row{3, "9999999999", "Row"}}) {
        SCOPED_TRACE("field " + std::to_string(r.field) + " holding \"" + r.text + "\"");
        test_run t = make_tables(1, 2, 1, 2.0);
        const std::string rows = data_row(1, 1, 1).text() + "\n" + data_row(1, 2, 1).set(r.field, r.text).text() + "\n";
        expect_failure_stop(load(t, 1, rows), "\n run_1.gpr, line 2: spot 2, column \"" + std::string(r.title) +
                                                  "\": \"" + r.text + "\" is not a whole number\n");
    }
}

TEST(spot_loader, a_row_ending_before_field_43_stops) {
    for (const int last : {6, 7, 20, 37, 38, 42}) {
        // An empty line end: the file ends there.
        for (const std::string end : {"\n", "\r\n", " \t\n", ""}) {
            SCOPED_TRACE("row of " + std::to_string(last) + " fields, line end of " + std::to_string(end.size()) +
                         " bytes");
            test_run t = make_tables(1, 3, 1, 2.0);
            std::string rows = data_row(1, 1, 1).text() + "\n" + data_row(1, 2, 1).text(last) + end;
            if (!end.empty()) rows += data_row(1, 3, 1).text() + "\n";
            expect_failure_stop(load(t, 1, rows), "\n run_1.gpr, line 2: spot 2, field " + std::to_string(last + 1) +
                                                      ": the row ends before this field\n");
        }
    }
}

TEST(spot_loader, a_row_ending_inside_name_or_id_stops) {
    struct row {
        std::string text;
        int field;
        const char* what;
    };
    const row rows[] = {
        {"1\t2\t1\n", 4, "expected a tab after field 3"},
        {"1\t2\t1\tname\n", 4, "the row ends inside this field"},
        {"1\t2\t1\tname\tid\n", 5, "the row ends inside this field"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        test_run t = make_tables(1, 3, 1, 2.0);
        const std::string rows_text = data_row(1, 1, 1).text() + "\n" + r.text + data_row(1, 3, 1).text() + "\n";
        expect_failure_stop(load(t, 1, rows_text),
                            "\n run_1.gpr, line 2: spot 2, field " + std::to_string(r.field) + ": " + r.what + "\n");
    }
}

TEST(spot_loader, a_row_ending_inside_name_or_id_at_end_of_file_stops) {
    struct row {
        std::string text;
        int field;
    };
    for (const row& r : {row{"1\t2\t1\tname", 4}, row{"1\t2\t1\tname\tid", 5}}) {
        SCOPED_TRACE(r.text);
        test_run t = make_tables(1, 2, 1, 2.0);
        expect_failure_stop(
            load(t, 1, data_row(1, 1, 1).text() + "\n" + r.text),
            "\n run_1.gpr, line 2: spot 2, field " + std::to_string(r.field) + ": the row ends inside this field\n");
    }
}

TEST(spot_loader, text_after_field_43_stops) {
    for (const std::string tail : {"\t44", " x", "\tError", "\t\"note\""}) {
        SCOPED_TRACE("tail \"" + tail + "\"");
        test_run t = make_tables(1, 2, 1, 2.0);
        const std::string rows = data_row(1, 1, 1).text() + tail + "\n" + data_row(1, 2, 1).text() + "\n";
        expect_failure_stop(load(t, 1, rows),
                            "\n run_1.gpr, line 1: spot 1, field 43: unexpected text after the last field\n");
    }
}

TEST(spot_loader, a_file_ending_before_spot_count_rows_stops) {
    struct row {
        const char* label;
        std::string text;
        std::string message;
    };
    const std::string two = data_row(1, 1, 1).text() + "\n" + data_row(1, 2, 1).text() + "\n";
    const row rows[] = {
        {"two of three rows", two, "\n run_1.gpr, line 3: spot 3, field 1: the file ends after 2 of 3 data rows\n"},
        {"two rows, then blank lines", two + "\n \n",
         "\n run_1.gpr, line 5: spot 3, field 1: the file ends after 2 of 3 data rows\n"},
        {"empty file", "", "\n run_1.gpr, line 1: spot 1, field 1: the file ends after 0 of 3 data rows\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.label);
        test_run t = make_tables(1, 3, 1, 2.0);
        expect_failure_stop(load(t, 1, r.text), r.message);
    }
}

namespace {

// A random but well-formed row: the odd sign, exponent, blank run, long or
// quoted name, control byte, CR LF end.
data_row random_row(std::mt19937& random, int s) {
    std::uniform_int_distribution<int> pick(0, 19), value(0, 99999);
    data_row row(1 + s / 100, 1 + s % 10, 1 + (s / 10) % 10, "G" + std::to_string(s), "I" + std::to_string(s));
    for (int k = 6; k <= 43; ++k) {
        if (k == 38) {
            row.set(k, pick(random) < 5 ? "Error" : "0.5");
            continue;
        }
        const int shape = pick(random);
        std::string text = std::to_string(value(random));
        if (shape == 0) text = "-" + text + ".25";
        if (shape == 1) text = "+" + text + "e-3";
        if (shape == 2) text = "." + text;
        if (shape == 3) text += ".";
        if (shape == 4) text = "1.5E+2";
        if (shape == 5) text = "12345678901234567890123";
        row.set(k, text);
    }
    if (pick(random) == 0) row.set(4, "\"quoted\x01name\xe9\"");
    if (pick(random) == 1) row.set(4, std::string(700, 'n'));
    if (pick(random) == 2) row.set(5, "");
    if (pick(random) == 3) row.set(43, "-50");
    return row;
}

}  // namespace

TEST(spot_loader, rows_in_place_equal_rows_byte_by_byte) {
    std::mt19937 random(29);
    const int spots = 300;
    std::string rows;
    for (int s = 1; s <= spots; ++s) {
        data_row row = random_row(random, s);
        std::string line = row.text();
        if (s % 7 == 0) {  // blanks around the tabs of the numeric fields
            std::size_t numbers = 0;
            for (int tab = 0; tab < 5; ++tab) numbers = line.find('\t', numbers) + 1;
            std::string spaced = line.substr(0, numbers);
            for (const char c : line.substr(numbers)) spaced += c == '\t' ? std::string(" \t ") : std::string(1, c);
            line = spaced;
        }
        rows += line + (s % 3 == 0 ? " \r\n" : "\n");
        if (s % 50 == 0) rows += "\n  \n";  // blank lines between rows
    }
    for (int approach = 1; approach <= 5; ++approach) {
        test_run fast = make_tables(1, spots, approach);
        test_run slow = make_tables(1, spots, approach);
        byte_reader a(rows.data(), rows.size());
        byte_reader b(rows.data(), rows.size());
        load_spot_records(a, 1, fast.settings, fast, reading_path::in_place);
        load_spot_records(b, 1, slow.settings, slow, reading_path::byte_wise);
        for (int s = 1; s <= spots; ++s) {
            const dmatrix_t* tables[][2] = {
                {&fast.f632_median, &slow.f632_median}, {&fast.b632_median, &slow.b632_median},
                {&fast.f532_median, &slow.f532_median}, {&fast.b532_median, &slow.b532_median},
                {&fast.spot_ratio, &slow.spot_ratio},   {&fast.spot_flag, &slow.spot_flag}};
            for (const auto& pair : tables) {
                const double x = (*pair[0])[1][s];
                const double y = (*pair[1])[1][s];
                ASSERT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "spot " << s;
            }
            ASSERT_STREQ(&fast.gene_name[s][0], &slow.gene_name[s][0]) << s;
            ASSERT_STREQ(&fast.gene_id[s][0], &slow.gene_id[s][0]) << s;
            ASSERT_EQ(fast.spot_block[s], slow.spot_block[s]);
            ASSERT_EQ(fast.spot_column[s], slow.spot_column[s]);
            ASSERT_EQ(fast.spot_row[s], slow.spot_row[s]);
        }
    }
}

TEST(spot_loader, a_long_decimal_field_is_read_in_place_and_byte_by_byte) {
    const std::string long_one = "1." + std::string(450, '0');
    for (const int field : {9, 27, 34}) {
        for (const bool in_place : {true, false}) {
            SCOPED_TRACE("field " + std::to_string(field) + (in_place ? ", in place" : ", byte by byte"));
            test_run t = make_tables(1, 1, 1, 1.0);
            const std::string text = data_row(1, 1, 1).set(field, long_one).text() + "\n";
            byte_reader in(text.data(), text.size());
            const captured_run run = run_captured([&](console&) {
                load_spot_records(in, 1, t.settings, t, (in_place ? reading_path::in_place : reading_path::byte_wise));
            });
            EXPECT_FALSE(run.end.has_value()) << run.out;
            const double expected_f632 = field == 9 ? 1.0 : 300.0;
            const double expected_ratio = field == 27 ? 1.0 : 27.0;
            EXPECT_EQ(t.f632_median[1][1], expected_f632);
            EXPECT_EQ(t.spot_ratio[1][1], expected_ratio);
        }
    }
}
