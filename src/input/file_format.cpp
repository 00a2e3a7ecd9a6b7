#include "input/file_format.hpp"

#include <cstring>
#include <string_view>

#include "input/result_format.hpp"

namespace {

// A header longer than this is not searched for titles.
constexpr std::size_t probe_lines = 400;

bool is_edge_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && is_edge_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_edge_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view unquoted(std::string_view s) {
    s = trimmed(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

// Cells of a line parted at any of `separators`.
std::vector<std::string_view> cells_of(std::string_view line, const char* separators) {
    std::vector<std::string_view> cells;
    for (;;) {
        const std::size_t at = line.find_first_of(separators);
        cells.push_back(line.substr(0, at));
        if (at == std::string_view::npos) return cells;
        line.remove_prefix(at + 1);
    }
}

bool read_count(std::string_view text, long long& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// The lines in the reader's buffer, without their line ends; `complete` when
// the file ends within them.
struct visible_lines {
    std::vector<std::string_view> lines;
    bool complete = false;
};

visible_lines lines_ahead(byte_reader& in) {
    while (in.extend()) {}
    visible_lines v;
    const char* p = in.cursor();
    const char* const end = in.limit();
    while (p != end && v.lines.size() < probe_lines) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (eol == nullptr && in.can_extend()) break;  // a line cut by the buffer's end
        const char* const stop = eol == nullptr ? end : eol;
        std::string_view line(p, static_cast<std::size_t>(stop - p));
        if (eol != nullptr && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        v.lines.push_back(line);
        p = eol == nullptr ? end : eol + 1;
    }
    v.complete = p == end && !in.can_extend();
    return v;
}

// The value of a "Type=..." record, or "" for any other line.
std::string_view type_value(std::string_view record) {
    const std::string_view r = unquoted(record);
    const std::size_t eq = r.find('=');
    if (eq == std::string_view::npos || trimmed(r.substr(0, eq)) != titled_header::type_key) return {};
    return trimmed(r.substr(eq + 1));
}

bool is_later_type(std::string_view value) {
    for (std::string_view type : titled_header::types)
        if (value == type) return true;
    return false;
}

bool names_later_type(std::string_view record) { return is_later_type(type_value(record)); }

// A 1.x file says in its RatioFormulation record which image is the
// numerator; GenePix Pro 6 writes 1.4 files whose ratios are green over red.
void refuse_fixed_green_over_red(const visible_lines& v, const char* file_name) {
    for (std::size_t i = 2; i < v.lines.size(); ++i) {
        if (unquoted(cells_of(v.lines[i], "\t,").front()) == "Block") return;  // the titles end the header
        const std::string_view record = unquoted(v.lines[i]);
        const std::size_t eq = record.find('=');
        if (eq == std::string_view::npos || trimmed(record.substr(0, eq)) != fixed_header::ratio_key) continue;
        const std::string_view value = record.substr(eq + 1);
        if (!value.starts_with(fixed_header::green_over_red)) continue;
        layout_failure(file_name, static_cast<long long>(i) + 1,
                       "the file holds 532/635 ratios (" + std::string(fixed_header::ratio_key) + "=" +
                           std::string(value) +
                           "), green over red; export it again from GenePix Pro with ratios W1/W2 (635/532)");
    }
}

void not_confirmed(file_format& probe, long long line, const std::string& why) {
    probe.reason_line = line;
    probe.reason = why;
}

// Line 2's counts, the records and the title line, checked against each other.
void confirm_later_layout(file_format& probe, const visible_lines& v, std::vector<std::string>& titles_out,
                          long long& title_line) {
    std::vector<std::string_view> counts;
    for (std::string_view cell : cells_of(v.lines[1], "\t,"))
        if (!trimmed(cell).empty()) counts.push_back(trimmed(cell));
    long long n = 0, m = 0;
    if (counts.size() != 2 || !read_count(counts[0], n) || !read_count(counts[1], m) || m < 1)
        return not_confirmed(probe, 2, "line 2 does not hold the two counts of header records and columns");
    const std::size_t title_index = static_cast<std::size_t>(n) + 2;
    if (title_index >= v.lines.size()) {
        if (v.complete) return not_confirmed(probe, static_cast<long long>(v.lines.size()), header_ends_text);
        return not_confirmed(probe, 2, "line 2 announces " + std::to_string(n) + " header records, too many to read");
    }
    for (std::size_t i = 2; i < title_index; ++i) {
        const std::string_view record = unquoted(v.lines[i]);
        const std::size_t eq = record.find('=');
        if (eq == std::string_view::npos)
            return not_confirmed(
                probe, static_cast<long long>(i) + 1,
                "line 2 announces " + std::to_string(n) + " header records, but this line is not a key=value record");
        probe.records.emplace_back(trimmed(record.substr(0, eq)), record.substr(eq + 1));
    }
    std::vector<std::string_view> titles = cells_of(v.lines[title_index], "\t");
    while (!titles.empty() && trimmed(titles.back()).empty()) titles.pop_back();
    const long long line = static_cast<long long>(title_index) + 1;
    if (titles.empty() || canonical_title(titles.front()) != "Block")
        return not_confirmed(probe, line, "the column titles, starting with Block, are not on this line");
    if (static_cast<long long>(titles.size()) != m)
        return not_confirmed(probe, line,
                             "line 2 announces " + std::to_string(m) + " columns, but this title line holds " +
                                 std::to_string(titles.size()));
    bool typed = false;
    for (const auto& record : probe.records) typed = typed || names_later_type(record.first + "=" + record.second);
    if (!typed)
        return not_confirmed(
            probe, 2, "the Type record stands outside the " + std::to_string(n) + " header records line 2 announces");
    for (std::string_view title : titles) titles_out.emplace_back(title);
    title_line = line;
    probe.family = file_family::titled;
}

// Red is the first "F<w> Median" column, green the first with another <w>.
void find_channels(const std::vector<std::string>& canonical, long long title_line, const char* file_name,
                   std::string& red, std::string& green) {
    for (const std::string& title : canonical) {
        const std::string w = median_wavelength(title);
        if (w.empty()) continue;
        if (red.empty())
            red = w;
        else if (w != red && green.empty())
            green = w;
    }
    if (red.empty() || green.empty())
        layout_failure(file_name, title_line,
                       "the file holds one channel" + (red.empty() ? std::string() : " (F" + red + " Median)") +
                           ", but the program merges two-channel result files; give it files scanned at two "
                           "wavelengths");
}

void refuse_green_over_red(const file_format& probe, const char* file_name, const std::string& red,
                           const std::string& green) {
    for (std::size_t i = 0; i < probe.records.size(); ++i) {
        const auto& [key, value] = probe.records[i];
        if (key != titled_header::ratio_key || value.find("W2/W1") == std::string::npos) continue;
        layout_failure(file_name, static_cast<long long>(i) + 3,
                       "the file holds " + green + "/" + red + " ratios (" + key + "=" + value +
                           "), green over red; export it again from GenePix Pro with ratios W1/W2 (" + red + "/" +
                           green + ")");
    }
}

// The column map of a titled file from its title cells; its wavelengths kept in probe.
row_layout titled_layout(file_format& probe, const std::vector<std::string>& titles, long long title_line,
                         const char* file_name) {
    std::vector<std::string> canonical;
    for (const std::string& title : titles) canonical.push_back(canonical_title(title));
    std::string& red = probe.title_red;
    std::string& green = probe.title_green;
    find_channels(canonical, title_line, file_name, red, green);
    refuse_green_over_red(probe, file_name, red, green);

    row_layout layout;
    layout.titled = true;
    layout.column_count = static_cast<int>(canonical.size());
    layout.title_line = title_line;
    layout.field_of_column.assign(canonical.size() + 1, 0);
    layout.title_of.assign(1, std::string());
    for (const std::string& title : titles) layout.title_of.push_back(title);
    for (int field = 1; field <= data_fields; ++field) {
        const std::string wanted = field_title(field, red, green);
        std::size_t column = 0;
        while (column < canonical.size() && canonical[column] != wanted) ++column;
        if (column == canonical.size())
            layout_failure(file_name, title_line,
                           "the column \"" + wanted +
                               "\" is missing from the titles; export the file again from GenePix Pro with every "
                               "standard column");
        layout.field_of_column[column + 1] = field;
    }
    return layout;
}

// Of a fixed file, the wavelengths of the first line whose first title is
// Block; the rows are read at their places, so nothing else depends on it.
void title_line_wavelengths(const visible_lines& v, file_format& format) {
    for (std::string_view line : v.lines) {
        const std::vector<std::string_view> cells = cells_of(line, "\t");
        if (canonical_title(cells.front()) != "Block") continue;
        for (std::string_view cell : cells) {
            const std::string w = median_wavelength(canonical_title(cell));
            if (w.empty()) continue;
            if (format.title_red.empty())
                format.title_red = w;
            else if (w != format.title_red && format.title_green.empty())
                format.title_green = w;
        }
        return;
    }
}

}  // namespace

file_format detect_format(byte_reader& in, const char* file_name) {
    file_format format;
    const visible_lines v = lines_ahead(in);
    for (std::size_t i = 1; i < v.lines.size() && format.type.empty(); ++i) format.type = type_value(v.lines[i]);
    if (v.lines.size() < 2 || unquoted(cells_of(v.lines[0], "\t,").front()) != "ATF") return format;
    for (std::size_t i = 2; i < v.lines.size() && !format.claims_later; ++i)
        format.claims_later = names_later_type(v.lines[i]);
    if (!format.claims_later) {
        format.foreign_type =
            !format.type.empty() && !format.type.starts_with("GenePix Results 1") && !is_later_type(format.type);
        refuse_fixed_green_over_red(v, file_name);
        title_line_wavelengths(v, format);
        return format;
    }
    std::vector<std::string> titles;
    long long title_line = 0;
    confirm_later_layout(format, v, titles, title_line);
    if (format.family != file_family::titled) {
        format.records.clear();
        title_line_wavelengths(v, format);
        return format;
    }
    format.claims_later = false;
    format.layout = titled_layout(format, titles, title_line, file_name);
    return format;
}

std::string record_value(const file_format& format, std::string_view key) {
    for (const auto& [k, value] : format.records)
        if (k == key) return std::string(trimmed(value));
    return "";
}

std::string image_record(const file_format& probe) {
    for (const auto& [key, value] : probe.records)
        if (key == titled_header::image_key) return key + "=" + value;
    return "";
}

void unreadable_layout(const char* file_name, const file_format& probe) {
    layout_failure(file_name, probe.reason_line,
                   probe.reason +
                       "; the program reads GenePix Results 1.2 and 1.4 files (GenePix Pro 3.0) at their fixed "
                       "places and GenePix Results 2 and 3 files (GenePix Pro 4.0 to 7.2) by their column titles, "
                       "so export the file again from GenePix Pro");
}

void fixed_path_failure(const char* file_name, const file_format& format, long long line, const std::string& what) {
    if (format.claims_later) unreadable_layout(file_name, format);
    if (format.foreign_type)
        layout_failure(file_name, line,
                       what + "; the file's Type is \"" + format.type +
                           "\", but the program reads GenePix Results 1.2 and 1.4 files (GenePix Pro 3.0) at their "
                           "fixed places and GenePix Results 2 and 3 files (GenePix Pro 4.0 to 7.2) by their column "
                           "titles, so export the results from GenePix Pro as GenePix Results");
    layout_failure(file_name, line, what);
}

void row_failure(const byte_reader& in, const char* file_name, const file_format& format, long long line,
                 const std::string& what) {
    if (in.damaged_line() != 0 && in.damaged_line() <= line) damaged_file(file_name, in);
    fixed_path_failure(file_name, format, line, what);
}
