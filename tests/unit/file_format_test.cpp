// Files of GenePix Results 2 and 3, read by their column titles: which path a
// file takes, the title rules, the rows in place and byte by byte, the header
// echo and the refusals.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/file_format.hpp"
#include "input/header_walk.hpp"
#include "input/reading_paths.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"
#include "support/result_text.hpp"

using namespace result_text;

namespace {

// The 1.x titles at 635/532 in the form a version 5 file writes them.
std::vector<std::string> later_titles() {
    std::vector<std::string> titles;
    for (int field = 1; field <= data_fields; ++field) {
        std::string title(titled_header::field_titles[static_cast<std::size_t>(field)]);
        for (std::size_t at; (at = title.find("<r>")) != std::string::npos;) title.replace(at, 3, "635");
        for (std::size_t at; (at = title.find("<g>")) != std::string::npos;) title.replace(at, 3, "532");
        if (field >= 27 && field <= 38 && field != 34 && field != 35) title += " (635/532)";
        titles.push_back(title);
    }
    return titles;
}

// A later file: `columns` holds, per column, the 1.x field it carries (0: a
// column of its own, holding "x y"), titles quoted as GenePix writes them.
struct later_file {
    std::vector<int> columns;
    std::vector<std::string> records = {
        "Type=GenePix Results 3",   "Wavelengths=635 nm\t532 nm",        "ImageFiles=red.tif 0\tgreen.tif 1",
        "NormalizationMethod=None", "RatioFormulations=W1/W2 (635/532)", "Supplier="};
    std::string line_end = "\n";
    std::string row_tail;  // after the last column of every row

    later_file() {
        for (int field = 1; field <= data_fields; ++field) columns.push_back(field);
    }
    int title_line() const { return static_cast<int>(records.size()) + 3; }
    std::string header() const {
        const std::vector<std::string> titles = later_titles();
        std::string text =
            "ATF\t1.0" + line_end + std::to_string(records.size()) + "\t" + std::to_string(columns.size()) + line_end;
        for (const std::string& record : records) text += quoted(record) + line_end;
        for (std::size_t i = 0; i < columns.size(); ++i)
            text += (i ? "\t" : "") + quoted(columns[i] ? titles[static_cast<std::size_t>(columns[i] - 1)]
                                                        : "Extra " + std::to_string(i));
        return text + line_end;
    }
    std::string row(const data_row& r) const {
        std::string text;
        for (std::size_t i = 0; i < columns.size(); ++i)
            text += (i ? "\t" : "") + (columns[i] ? r.field[static_cast<std::size_t>(columns[i])] : "x y");
        return text + row_tail + line_end;
    }
    std::string text(const std::vector<data_row>& rows) const {
        std::string out = header();
        for (const data_row& r : rows) out += row(r);
        return out;
    }
};

struct load_run {
    captured_run run;
    test_run t;
};

load_run load(const std::string& text, int spots, bool in_place = true, int approach = 1) {
    load_run r{{}, make_tables(1, spots, approach)};
    r.run = run_captured([&](console& out) {
        byte_reader in(text.data(), text.size());
        r.t.headers[static_cast<std::size_t>(1)] = header_walk(in, r.t.settings.file_name(1), out);
        load_spot_records(in, 1, r.t.settings, r.t, (in_place ? reading_path::in_place : reading_path::byte_wise));
    });
    return r;
}

captured_run scan(const std::string& text, layout_size* size = nullptr, bool in_place = true) {
    return run_captured([&](console& out) {
        byte_reader in(text.data(), text.size());
        const layout_size got =
            sizing_scan_stream(in, "lead.gpr", 1, out, (in_place ? reading_path::in_place : reading_path::byte_wise));
        if (size != nullptr) *size = got;
    });
}

const std::string factor_echo =
    "N. Factor-Ratio of Median: 1.000000\nN. Factor-Ratio of Mean: 1.000000\nN. Factor-Median of Ratios: "
    "1.000000\nN. Factor-Mean of Ratios: 1.000000\nN. Factor-Regression Ratio: 1.000000\n";

const std::string versions_read =
    "; the program reads GenePix Results 1.2 and 1.4 files (GenePix Pro 3.0) at their fixed places and GenePix "
    "Results 2 and 3 files (GenePix Pro 4.0 to 7.2) by their column titles, so export the file again from "
    "GenePix Pro\n";

void expect_stop(const captured_run& r, const std::string& ending) {
    ASSERT_TRUE(r.end.has_value()) << "the reader did not stop:\n" << r.out;
    EXPECT_EQ(r.end->status, 1);
    ASSERT_GE(r.out.size(), ending.size()) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - ending.size()), ending);
}

}  // namespace

TEST(titled_reader, canonical_titles) {
    const std::pair<std::string, std::string> cases[] = {
        {"\"Ratio of Medians (635/532)\"", "Ratio of Medians"},
        {"Rgn R\xb2 (635/532)", "Rgn R2"},
        {"\"Rgn R\xc2\xb2\"", "Rgn R2"},
        {"  Log Ratio (633/543) \r", "Log Ratio"},
        {"Ratio of Medians (Ratio/2)", "Ratio of Medians (Ratio/2)"},  // not a wavelength suffix
        {"Sum of Medians (635/)", "Sum of Medians (635/)"},
        {"\"F635 Median\"", "F635 Median"},
        {"\"\"", ""},
    };
    for (const auto& [title, canonical] : cases) EXPECT_EQ(canonical_title(title), canonical) << title;
    EXPECT_EQ(median_wavelength("F685 Median"), "685");
    EXPECT_EQ(median_wavelength("F Median"), "");
    EXPECT_EQ(median_wavelength("F635 Median - B635"), "");
    EXPECT_EQ(median_wavelength("B635 Median"), "");
}

TEST(titled_reader, a_file_takes_the_titled_path_only_when_it_shows_a_later_layout) {
    const later_file good;
    const std::string rows = good.row(data_row(1, 1, 1));
    auto probe_of = [](const std::string& text) {
        byte_reader in(text.data(), text.size());
        const file_format format = detect_format(in, "later.gpr");
        EXPECT_EQ(in.get(), static_cast<unsigned char>(text[0])) << "the detection consumed bytes";
        return format;
    };
    EXPECT_EQ(probe_of(good.text({data_row(1, 1, 1)})).family, file_family::titled);
    later_file commas = good;  // a spreadsheet writes ATF,1 and 6,43,,
    std::string text = commas.text({data_row(1, 1, 1)});
    text.replace(0, 7, "ATF,1");
    text.replace(text.find("\t43\n"), 4, ",43,,\n");
    EXPECT_EQ(probe_of(text).family, file_family::titled);

    later_file version_one = good;
    version_one.records[0] = "Type=GenePix Results 1.4";
    const file_format one = probe_of(version_one.text({data_row(1, 1, 1)}));
    EXPECT_EQ(one.family, file_family::fixed);
    EXPECT_FALSE(one.claims_later);

    std::string miscounted = good.text({data_row(1, 1, 1)});
    miscounted.replace(miscounted.find("6\t43"), 4, "5\t43");
    const file_format wrong = probe_of(miscounted);
    EXPECT_EQ(wrong.family, file_family::fixed);
    EXPECT_TRUE(wrong.claims_later);
    EXPECT_EQ(wrong.reason_line, 8);

    EXPECT_EQ(probe_of(result_file(header_lines(), grid_rows(1, 2, 2))).family, file_family::fixed);
    EXPECT_EQ(probe_of("\n" + good.text({data_row(1, 1, 1)})).family, file_family::fixed);  // line 1 must be ATF
}

TEST(titled_reader, columns_are_found_by_title_in_any_order_among_others) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 20; ++trial) {
        later_file file;
        std::shuffle(file.columns.begin() + 1, file.columns.end(), random);
        // The first "F<w> Median" column is the red channel.
        const auto red = std::find(file.columns.begin(), file.columns.end(), 9);
        const auto green = std::find(file.columns.begin(), file.columns.end(), 18);
        if (green < red) std::iter_swap(red, green);
        for (int extra = trial % 4; extra > 0; --extra) file.columns.insert(file.columns.begin() + 5 * extra, 0);
        std::vector<data_row> rows = grid_rows(2, 2, 2);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rows[i].set(9, std::to_string(400 + i)).set(21, std::to_string(90 + i)).set(43, i == 3 ? "-50" : "0");
            rows[i].set(32, "1.5" + std::to_string(i)).set(38, "Error");
        }
        for (const bool in_place : {true, false}) {
            SCOPED_TRACE("trial " + std::to_string(trial) + (in_place ? ", in place" : ", byte by byte"));
            load_run r = load(file.text(rows), 8, in_place, 5);
            ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
            EXPECT_EQ(r.run.out, "\nImageFiles=red.tif 0\tgreen.tif 1\n" + factor_echo);
            for (int s = 1; s <= 8; ++s) {
                const data_row& row = rows[static_cast<std::size_t>(s - 1)];
                EXPECT_EQ(r.t.f632_median[1][s], std::stod(row.field[9]));
                EXPECT_EQ(r.t.b532_median[1][s], std::stod(row.field[21]));
                EXPECT_EQ(r.t.spot_ratio[1][s], std::stod(row.field[32]));
                EXPECT_EQ(r.t.spot_flag[1][s], s == 4 ? -50.0 : 0.0);
                EXPECT_EQ(std::string(&r.t.gene_name[s][0]), row.field[4]);
                EXPECT_EQ(r.t.spot_column[s], std::stoi(row.field[2]));
            }
            for (int k = 1; k <= 5; ++k) EXPECT_EQ(r.t.headers[static_cast<std::size_t>(1)].factor[k], 1.0);
            release_spot_tables(r.t);
        }
    }
}

TEST(titled_reader, wavelengths_come_from_the_title_line) {
    later_file file;
    load_run r = load(file.text(grid_rows(1, 2, 2)), 4);
    ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
    EXPECT_EQ(r.t.headers[static_cast<std::size_t>(1)].red_wavelength, "635");
    EXPECT_EQ(r.t.headers[static_cast<std::size_t>(1)].green_wavelength, "532");
    release_spot_tables(r.t);

    // Titles of a 633/543 scan under records naming 635 and 532: the titles decide.
    std::string text = file.header();
    const std::size_t titles = text.rfind('\n', text.size() - 2) + 1;
    for (std::size_t at; (at = text.find("635", titles)) != std::string::npos;) text.replace(at, 3, "633");
    for (std::size_t at; (at = text.find("532", titles)) != std::string::npos;) text.replace(at, 3, "543");
    for (const data_row& row : grid_rows(1, 2, 2)) text += file.row(row);
    load_run other = load(text, 4);
    ASSERT_FALSE(other.run.end.has_value()) << other.run.out;
    EXPECT_EQ(other.t.headers[static_cast<std::size_t>(1)].red_wavelength, "633");
    EXPECT_EQ(other.t.headers[static_cast<std::size_t>(1)].green_wavelength, "543");
    release_spot_tables(other.t);
}

TEST(titled_reader, in_place_and_byte_wise_reading_agree_on_odd_rows) {
    // Blanks around numbers, CR LF, empty padding cells, long and signed
    // numbers, blank lines between rows, unprintable bytes in names.
    std::mt19937 random(11);
    const std::string numbers[] = {"12", " 7.5 ", "-0.0",  "1e3", "+4.25\r", "0." + std::string(40, '0') + "1",
                                   "3.", ".5",    "1.5E+2"};
    int completed = 0;
    for (int trial = 0; trial < 200; ++trial) {
        later_file file;
        file.line_end = trial % 2 ? "\r\n" : "\n";
        file.row_tail = trial % 3 == 0 ? "\t\t " : "";
        std::vector<data_row> rows = grid_rows(1, 3, 2);
        for (data_row& row : rows) {
            for (int field = 6; field <= 43; ++field)
                if (field != 38 && random() % 3 == 0) row.set(field, numbers[random() % 9]);
            row.set(43, random() % 2 ? "0" : "100");
            row.set(4, std::string("G\x01") + std::to_string(random() % 100));
        }
        std::string text = file.text(rows);
        if (trial % 5 == 0) text.insert(file.header().size(), file.line_end + " \t" + file.line_end);
        load_run a = load(text, 6, true);
        load_run b = load(text, 6, false);
        ASSERT_EQ(a.run.end.has_value(), b.run.end.has_value()) << a.run.out << b.run.out;
        EXPECT_EQ(a.run.out, b.run.out);
        completed += a.run.end.has_value() ? 0 : 1;
        for (int s = 1; s <= 6; ++s) {
            EXPECT_EQ(std::memcmp(&a.t.f632_median[1][s], &b.t.f632_median[1][s], sizeof(double)), 0);
            EXPECT_EQ(std::memcmp(&a.t.b632_median[1][s], &b.t.b632_median[1][s], sizeof(double)), 0);
            EXPECT_EQ(std::memcmp(&a.t.spot_ratio[1][s], &b.t.spot_ratio[1][s], sizeof(double)), 0);
            EXPECT_EQ(a.t.spot_flag[1][s], b.t.spot_flag[1][s]);
            EXPECT_STREQ(&a.t.gene_name[s][0], &b.t.gene_name[s][0]);
        }
        release_spot_tables(a.t);
        release_spot_tables(b.t);
    }
    EXPECT_EQ(completed, 200);  // every odd form above is a valid row
}

TEST(titled_reader, sizing_takes_the_last_row_by_the_flag_rule) {
    later_file file;
    std::vector<data_row> rows = grid_rows(2, 3, 2);
    rows[9].set(43, "7");  // not a flag value: the data end with this row
    rows[10].set(1, "9");
    for (const bool in_place : {true, false}) {
        layout_size size{};
        const captured_run r = scan(file.text(rows) + "some footer\n", &size, in_place);
        ASSERT_FALSE(r.end.has_value()) << r.out;
        EXPECT_EQ(size.spot_count, 2 * 1 * 2);  // Block 2, Column 1, Row 2 of row 10
        EXPECT_EQ(r.out, "\n Program running...\nThe number of total spots in each file:  4\n");
    }
}

TEST(titled_reader, rows_that_break_the_layout_name_line_and_count) {
    later_file file;
    const int first_row = file.title_line() + 1;
    std::vector<data_row> rows = grid_rows(1, 2, 2);
    std::string text = file.header();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string line = file.row(rows[i]);
        if (i == 2) {  // the first 11 fields only
            std::size_t cut = 0;
            for (int tabs = 0; tabs < 11; ++tabs) cut = line.find('\t', cut) + 1;
            line = line.substr(0, cut - 1) + "\n";
        }
        text += line;
    }
    const std::string few = "\n run_1.gpr, line " + std::to_string(first_row + 2) +
                            ": spot 3, the row has 11 fields, fewer than the 43 column titles of line " +
                            std::to_string(file.title_line()) + "\n";
    for (const bool in_place : {true, false}) expect_stop(load(text, 4, in_place).run, few);

    file.row_tail = "\t\tnote";
    const std::string many = "\n lead.gpr, line " + std::to_string(first_row) +
                             ": the row has 45 fields, more than the 43 column titles of line " +
                             std::to_string(file.title_line()) + ", and the extra ones are not empty\n";
    expect_stop(scan(file.text(rows)), many);

    later_file bad_block;
    rows[1].set(1, "1.5");
    expect_stop(scan(bad_block.text(rows)), "\n lead.gpr, line " + std::to_string(first_row + 1) +
                                                ": column \"Block\": \"1.5\" is not a whole number\n");
    // A number cell is quoted as it stands, blanks around it dropped, under its title.
    later_file bad_number;
    rows = grid_rows(1, 2, 2);
    rows[3].set(12, " 12O4 ");
    for (const bool in_place : {true, false})
        expect_stop(load(bad_number.text(rows), 4, in_place).run,
                    "\n run_1.gpr, line " + std::to_string(first_row + 3) +
                        ": spot 4, column \"B635 Median\": \"12O4\" is not a number\n");
}

TEST(titled_reader, refusals_name_the_file_and_line) {
    later_file reversed;
    reversed.records[4] = "RatioFormulations=W2/W1 (532/635)";
    expect_stop(load(reversed.text(grid_rows(1, 1, 1)), 1).run,
                "\n run_1.gpr, line 7: the file holds 532/635 ratios (RatioFormulations=W2/W1 (532/635)), green "
                "over red; export it again from GenePix Pro with ratios W1/W2 (635/532)\n");

    later_file missing;
    missing.columns.erase(std::find(missing.columns.begin(), missing.columns.end(), 40));
    expect_stop(scan(missing.text(grid_rows(1, 1, 1))),
                "\n lead.gpr, line 9: the column \"F532 Median - B532\" is missing from the titles; export the file "
                "again from GenePix Pro with every standard column\n");

    later_file single;
    single.columns.erase(
        std::remove_if(single.columns.begin(), single.columns.end(), [](int f) { return f >= 18 && f <= 26; }),
        single.columns.end());
    expect_stop(scan(single.text(grid_rows(1, 1, 1))),
                "\n lead.gpr, line 9: the file holds one channel (F635 Median), but the program merges two-channel "
                "result files; give it files scanned at two wavelengths\n");
}

TEST(titled_reader, a_file_naming_a_later_version_without_its_layout_gets_one_message) {
    later_file file;
    std::string text = file.text(grid_rows(1, 1, 1));
    text.replace(text.find("6\t43"), 4, "6\t44");
    const std::string ending =
        "\n run_1.gpr, line 9: line 2 announces 44 columns, but this title line holds 43" + versions_read + "";
    expect_stop(load(text, 1).run, ending);
    // A Type record naming another kind of file: the fixed path's own message,
    // then the Type and the versions read.
    file.records[0] = "Type=GenePix Export 3";
    text = file.text(grid_rows(1, 1, 1));
    const captured_run fixed = load(text, 1).run;
    ASSERT_TRUE(fixed.end.has_value());
    // Its ten lines end before the walk's line 11.
    EXPECT_NE(fixed.out.find(", line 11: the file ends inside the header, before the first data row; the file's "
                             "Type is \"GenePix Export 3\", but the program reads GenePix Results 1.2 and 1.4 files "
                             "(GenePix Pro 3.0) at their fixed places and GenePix Results 2 and 3 files (GenePix Pro "
                             "4.0 to 7.2) by their column titles, so export the results from GenePix Pro as GenePix "
                             "Results\n"),
              std::string::npos)
        << fixed.out;
    // Without a Type record the fixed path keeps its own message.
    file.records[0] = "Kind=Other";
    const captured_run untyped = load(file.text(grid_rows(1, 1, 1)), 1).run;
    ASSERT_TRUE(untyped.end.has_value());
    EXPECT_EQ(untyped.out.find("the program reads"), std::string::npos) << untyped.out;

    // The header ends before the titles line 2 announces.
    later_file cut;
    const std::string header = cut.header();
    const std::string short_text = header.substr(0, header.find("\"Supplier="));
    expect_stop(scan(short_text),
                "\n lead.gpr, line 7: the file ends inside the header, before the first data row" + versions_read + "");
}

TEST(titled_reader, a_damaged_fixed_file_is_refused_where_the_rows_break) {
    std::vector<data_row> rows = grid_rows(1, 4, 3);
    std::string text = join(header_lines());
    for (std::size_t i = 0; i < rows.size(); ++i)
        text += (i == 4 ? std::string("garbled\tline 7\tZZ\n") : rows[i].text() + "\n");
    for (const bool in_place : {true, false}) {
        expect_stop(scan(text, nullptr, in_place),
                    "\n lead.gpr, line 33: this line is not a data row (its Block, Column and Row are not integers), "
                    "yet data rows follow it; mend or remove the line\n");
    }
    // Text after the last data row that holds no data row ends the data as
    // before, unless it holds bytes no text holds.
    layout_size size{};
    const captured_run tail = scan(result_file(header_lines(), rows) + "garbled\tline\n", &size);
    ASSERT_FALSE(tail.end.has_value()) << tail.out;
    EXPECT_EQ(size.spot_count, 12);
    expect_stop(scan(result_file(header_lines(), rows) + "garbled\tline\n\x01\x02\n"),
                "\n lead.gpr, line 42: the file is damaged here: the line holds the byte 0x01, which no text file "
                "holds; use an undamaged copy of the file\n");
}

TEST(titled_reader, rows_past_the_spots_read_are_counted_when_warned_of) {
    later_file file;
    const std::string text = file.text(grid_rows(1, 3, 2)) + "\t\t\n" + "footer\n";
    for (const bool in_place : {true, false}) {
        load_run r{{}, make_tables(1, 4)};
        r.t.settings.warn_unread_rows = true;
        r.run = run_captured([&](console& out) {
            byte_reader in(text.data(), text.size());
            r.t.headers[1] = header_walk(in, r.t.settings.file_name(1), out);
            load_spot_records(in, 1, r.t.settings, r.t, (in_place ? reading_path::in_place : reading_path::byte_wise));
        });
        ASSERT_FALSE(r.run.end.has_value()) << r.run.out;
        EXPECT_EQ(r.t.past[1].rows, 2);
        EXPECT_EQ(r.t.past[1].stop_line, file.title_line() + 4);
        release_spot_tables(r.t);
    }
}
