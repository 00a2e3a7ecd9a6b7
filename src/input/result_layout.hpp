// Where a result file keeps what the program reads, one description per
// family of versions: GenePix Results 1.2 and 1.4 at fixed places, GenePix
// Results 2 and 3 by column title. A file's rows are read through its
// row_layout: the fixed one, or one built from the file's title line.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The 1.x row: 43 fields, numbered from 1. Every later layout is mapped onto
// these numbers, so the loader reads one kind of row.
constexpr int data_fields = 43;
namespace fixed_field {
constexpr int block = 1, column = 2, row = 3, name = 4, id = 5, first_number = 6;
constexpr int x = 6, y = 7;  // the spot's place on the slide, in micrometres
constexpr int red_median = 9, red_background = 12, green_median = 18, green_background = 21;
constexpr int log_ratio = 38;  // any word ("Error" when there is no ratio)
constexpr int flags = 43;
// The ratio of each approach 1..5 (index 0 unused).
constexpr std::array<int, 6> ratio = {0, 27, 28, 29, 30, 32};
}  // namespace fixed_field

// The 1.x header, by line number: where the walk and the sizing scan look.
namespace fixed_header {
constexpr int image_names_line = 11;   // echoed on the console ("FileName=")
constexpr int first_factor_line = 13;  // or two lines later (1.4)
constexpr int ratio_record_line = 19;  // "RatioFormulation" here in 1.2
inline constexpr std::string_view ratio_key = "RatioFormulation";
// A ratio record value starting so: green over red ratios.
inline constexpr std::string_view green_over_red = "W2/W1";
}  // namespace fixed_header

// The later family: the title of each of the 43 fields in canonical form, <r>
// and <g> standing for the red and green wavelengths.
namespace titled_header {
inline constexpr std::string_view type_key = "Type";
inline constexpr std::array<std::string_view, 2> types = {"GenePix Results 2", "GenePix Results 3"};
inline constexpr std::string_view ratio_key = "RatioFormulations";
inline constexpr std::string_view image_key = "ImageFiles";
inline constexpr std::string_view normalization_key = "NormalizationMethod";
inline constexpr std::array<std::string_view, data_fields + 1> field_titles = {"",
                                                                               "Block",
                                                                               "Column",
                                                                               "Row",
                                                                               "Name",
                                                                               "ID",
                                                                               "X",
                                                                               "Y",
                                                                               "Dia.",
                                                                               "F<r> Median",
                                                                               "F<r> Mean",
                                                                               "F<r> SD",
                                                                               "B<r> Median",
                                                                               "B<r> Mean",
                                                                               "B<r> SD",
                                                                               "% > B<r>+1SD",
                                                                               "% > B<r>+2SD",
                                                                               "F<r> % Sat.",
                                                                               "F<g> Median",
                                                                               "F<g> Mean",
                                                                               "F<g> SD",
                                                                               "B<g> Median",
                                                                               "B<g> Mean",
                                                                               "B<g> SD",
                                                                               "% > B<g>+1SD",
                                                                               "% > B<g>+2SD",
                                                                               "F<g> % Sat.",
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
                                                                               "F<r> Median - B<r>",
                                                                               "F<g> Median - B<g>",
                                                                               "F<r> Mean - B<r>",
                                                                               "F<g> Mean - B<g>",
                                                                               "Flags"};
}  // namespace titled_header

// How the rows of one file are read. The default is the 1.x layout: fields
// parted by blanks at their fixed places. A titled layout parts its m columns
// at tabs and names, for each, the 1.x field it holds (0: not read).
struct row_layout {
    bool titled = false;
    int column_count = data_fields;
    long long title_line = 0;
    std::vector<int> field_of_column;   // 1..column_count
    std::vector<std::string> title_of;  // 1..column_count, as the file writes them
};

// The title of 1.x field `field` (1..43) with `red` and `green` for <r> and
// <g>; 635 and 532 name the channels of a 1.x file.
std::string field_title(int field, std::string_view red = "635", std::string_view green = "532");

// A title in canonical form: enclosing quotes and blanks dropped, the byte
// 0xB2 and UTF-8 "²" read as 2, a trailing " (<digits>/<digits>)" removed.
std::string canonical_title(std::string_view title);

// The wavelength of "F<digits> Median", or "" for any other canonical title.
std::string median_wavelength(std::string_view canonical);
