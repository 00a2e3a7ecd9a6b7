// Small result files built as text for the reader tests: header lines by line
// number, 43-field data rows, run-wide tables sized for them, and a way to
// watch a reader end the run.
#pragma once

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "input/spot_tables.hpp"
#include "numeric/containers.hpp"
#include "run/console.hpp"
#include "run/failure.hpp"
#include "run/settings.hpp"
#include "support/capture.hpp"

namespace result_text {

// The five normalisation-factor keys, from the N up to the number (35, 33,
// 35, 33 and 36 characters), in ratio-approach order; index 0 unused.
inline const char* const factor_keys[6] = {
    "",
    "NormalizationFactor:RatioOfMedians=",
    "NormalizationFactor:RatioOfMeans=",
    "NormalizationFactor:MedianOfRatios=",
    "NormalizationFactor:MeanOfRatios=",
    "NormalizationFactor:RegressionRatio=",
};

// Factors written by header_lines; index 0 unused.
inline const char* const default_factors[6] = {"", "1.25", "0.5", "2", "1.125", "0.75"};

inline std::string quoted(const std::string& text) { return "\"" + text + "\""; }

inline std::string factor_line(int k, const std::string& number, bool with_quotes = true) {
    const std::string text = factor_keys[k] + number;
    return with_quotes ? quoted(text) : text;
}

// The column-title line, every title quoted.
inline std::string column_titles() {
    static const char* const titles[43] = {
        "Block",
        "Column",
        "Row",
        "Name",
        "ID",
        "X",
        "Y",
        "Dia.",
        "F632 Median",
        "F632 Mean",
        "F632 SD",
        "B632 Median",
        "B632 Mean",
        "B632 SD",
        "% > B632+1SD",
        "% > B632+2SD",
        "F632 % Sat.",
        "F532 Median",
        "F532 Mean",
        "F532 SD",
        "B532 Median",
        "B532 Mean",
        "B532 SD",
        "% > B532+1SD",
        "% > B532+2SD",
        "F532 % Sat.",
        "Ratio of Medians",
        "Ratio of Means",
        "Median of Ratios",
        "Mean of Ratios",
        "Ratios SD",
        "Rgn Ratio",
        "Rgn R2",
        "F Pixels",
        "B Pixels",
        "Sum of Medians",
        "Sum of Means",
        "Log Ratio",
        "F632 Median - B632",
        "F532 Median - B532",
        "F632 Mean - B632",
        "F532 Mean - B532",
        "Flags",
    };
    std::string line;
    for (int i = 0; i < 43; ++i) line += (i ? "\t" : "") + quoted(titles[i]);
    return line;
}

// A complete header, element i holding line i + 1 without its line end.
// first_factor_line 13: factors at 13..17, "RatioFormulation" on line 19, a
// Supplier line at 27 and the titles at 28; data rows start at line 29.
// first_factor_line 15: two other lines at 13 and 14, factors at 15..19, a
// Supplier line at 29 and the titles at 30; data rows start at line 31.
inline std::vector<std::string> header_lines(int first_factor_line = 13) {
    std::vector<std::string> lines = {
        "ATF\t1.0",
        first_factor_line == 13 ? "25\t43" : "27\t43",
        quoted("Type=GenePix Results 1.3"),
        quoted("DateTime=2002/01/30 10:00:00"),
        quoted("Settings="),
        quoted("GalFile=layout.gal"),
        quoted("Scanner=GenePix 4000A"),
        quoted("Comment="),
        quoted("PixelSize=10"),
        quoted("ImageName=632 nm\t532 nm"),
        quoted("FileName=slide_632.tif\tslide_532.tif"),
        quoted("PMTVolts=600\t600"),
    };
    if (first_factor_line != 13) {
        lines.push_back(quoted("Wavelengths=632\t532"));
        lines.push_back(quoted("LaserPower=4.1\t3.9"));
    }
    for (int k = 1; k <= 5; ++k) lines.push_back(factor_line(k, default_factors[k]));
    lines.push_back(quoted("JpegImage=slide.jpg"));
    if (first_factor_line == 13) lines.push_back(quoted("RatioFormulation=W1/W2 (632/532)"));
    for (const char* record : {"FeatureType=Circular", "Barcode=", "BackgroundSubtraction=LocalFeature",
                               "ImageOrigin=0, 0", "JpegOrigin=120, 80", "Creator=GenePix Pro 3.0", "Temperature=25.5"})
        lines.push_back(quoted(record));
    if (first_factor_line != 13) lines.insert(lines.end() - 7, quoted("RatioFormulation=W1/W2 (632/532)"));
    lines.push_back(quoted("Supplier=Array Lab"));
    lines.push_back(column_titles());
    return lines;
}

// One data row. Number fields hold plain values (field k holds k, the four
// medians 300, 100, 300, 100 so the spot passes quality control for C up to
// 3), field 38 a number and field 43 the flag 0.
struct data_row {
    std::array<std::string, 44> field;  // 1..43, index 0 unused

    data_row(int block, int column, int row, const std::string& name = "Gene", const std::string& id = "ID") {
        for (int k = 1; k <= 43; ++k) field[k] = std::to_string(k);
        field[1] = std::to_string(block);
        field[2] = std::to_string(column);
        field[3] = std::to_string(row);
        field[4] = name;
        field[5] = id;
        field[9] = "300";
        field[12] = "100";
        field[18] = "300";
        field[21] = "100";
        field[43] = "0";
    }
    data_row& set(int k, const std::string& text) {
        field[k] = text;
        return *this;
    }
    // Fields first..last joined by tabs, without a line end.
    std::string text(int last = 43) const {
        std::string line = field[1];
        for (int k = 2; k <= last; ++k) line += "\t" + field[k];
        return line;
    }
};

// Every row of a Block x Column x Row grid, columns varying fastest.
inline std::vector<data_row> grid_rows(int blocks, int columns, int rows) {
    std::vector<data_row> out;
    for (int b = 1; b <= blocks; ++b)
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= columns; ++c)
                out.emplace_back(b, c, r, "Gene" + std::to_string(out.size() + 1),
                                 "ID" + std::to_string(out.size() + 1));
    return out;
}

// Each line followed by line_end.
inline std::string join(const std::vector<std::string>& lines, const std::string& line_end = "\n") {
    std::string text;
    for (const std::string& line : lines) text += line + line_end;
    return text;
}

inline std::string join(const std::vector<data_row>& rows, const std::string& line_end = "\n") {
    std::string text;
    for (const data_row& row : rows) text += row.text() + line_end;
    return text;
}

inline std::string result_file(const std::vector<std::string>& header, const std::vector<data_row>& rows,
                               const std::string& line_end = "\n") {
    return join(header, line_end) + join(rows, line_end);
}

// Every spot table with the settings of its run, as the driver has them
// before loading.
struct test_run : spot_tables {
    run_settings settings;
};

// The files are named run_1.gpr, run_2.gpr, ...
inline test_run make_tables(int file_count, int spot_count, int ratio_approach = 1, double qc_constant = 2.0) {
    test_run t;
    for (int f = 1; f <= file_count; ++f) t.settings.files.push_back("run_" + std::to_string(f) + ".gpr");
    t.settings.ratio_approach = ratio_approach;
    t.settings.qc_constant = qc_constant;
    t.file_count = file_count;
    t.replicate_count = 1;
    t.spot_count = spot_count;
    t.gene_count = spot_count;
    create_spot_tables(t);
    return t;
}

// What a piece of reading code printed on a console of standard output (its
// failures on `failures`), and how it ended the run if it did; a failure's
// text is printed after the rest, as the entry point prints it.
struct captured_run {
    std::string out;
    std::optional<run_failure> end;
};

template <class F>
captured_run run_captured(F&& body, std::FILE* failures = stdout) {
    captured_run result;
    result.out = capture_stdout([&] {
        console out;
        out.failures = failures;
        try {
            body(out);
        } catch (const run_failure& end) {
            result.end = end;
            failure_text(out, "%s", end.text.c_str());
        }
    });
    return result;
}

}  // namespace result_text
