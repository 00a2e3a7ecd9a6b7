#include "input/header_walk.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "input/file_format.hpp"
#include "input/result_format.hpp"
#include "numeric/fixed_text.hpp"
#include "run/console.hpp"
#include "run/failure.hpp"
#include "run/settings.hpp"

namespace {

struct factor_line {
    int key_length;  // from the N up to the number
    const char* label;
};

const factor_line factor_lines[6] = {
    {0, nullptr},
    {35, "N. Factor-Ratio of Median: "},
    {33, "N. Factor-Ratio of Mean: "},
    {35, "N. Factor-Median of Ratios: "},
    {33, "N. Factor-Mean of Ratios: "},
    {36, "N. Factor-Regression Ratio: "},
};

class header_reader {
public:
    header_reader(byte_reader& in, const char* file_name, const file_format& format)
        : in_(in), file_name_(file_name), format_(format) {}

    [[noreturn]] void ends() { fail(in_.line(), header_ends_text); }
    [[noreturn]] void fail(long long line, const std::string& what) {
        fixed_path_failure(file_name_, format_, line, what);
    }
    int get() {
        const int c = in_.get();
        if (c == -1) ends();
        return c;
    }
    void skip(int n) {
        if (skip_lines(in_, n) != n) ends();
    }
    // Reads `count` bytes of a key; the last one must close it with "=".
    void skip_key(int count, int k) {
        const long long line = in_.line();
        int c = '=';
        for (int i = 0; i < count; ++i) c = get();
        if (c != '=')
            fail(line, std::string("expected the key of the ") + ratio_approach_titles[k] + " factor to end in \"=\"");
    }
    double factor(int k) {
        const long long line = in_.line();
        skip_blanks(in_);
        double value;
        if (!read_real(in_, value) || !std::isfinite(value))
            fail(line, std::string("expected a number after the key of the ") + ratio_approach_titles[k] + " factor");
        return value;
    }

private:
    byte_reader& in_;
    const char* file_name_;
    const file_format& format_;
};

void print_factor(console& out, int k, double value) {
    char text[fixed_text_room];
    const std::size_t length = format_fixed(text, value, 6, 0);
    progress_text(out, "%s%.*s\n", factor_lines[k].label, static_cast<int>(length), text);
}

}  // namespace

byte_reader open_result_file(const char* name) {
    byte_reader in(name);
    if (!in.is_open()) failure_stop("can't open the data file: " + std::string(name) + "\n");
    return in;
}

namespace {

// Echoes the header value naming the images, as it is kept: up to its first
// zero byte and at most header_value_room bytes. The command line, whose
// files may sit anywhere, puts the file's name before it.
void echo_image_names(const std::string& text, const char* name, file_header& header, console& out) {
    header.image_names = text.substr(0, std::min(text.find('\0'), header_value_room));
    if (out.command_line)
        progress_text(out, "\n%s:%s%s\n", name, header.image_names.empty() ? "" : " ", header.image_names.c_str());
    else
        progress_text(out, "\n%s\n", header.image_names.c_str());
}

// The leading digits of a wavelength such as "635 nm".
std::string wavelength_of(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9') ++digits;
    return std::string(text.substr(0, digits));
}

// The wavelengths of the scan: an "ImageName=635 nm<TAB>532 nm" record when it
// names two different ones, else those of the title line, else 635 and 532.
void keep_wavelengths(std::string_view image_name, file_header& h) {
    std::string red = h.format.title_red, green = h.format.title_green;
    constexpr std::string_view key = "ImageName=";
    if (image_name.starts_with(key)) {
        image_name.remove_prefix(key.size());
        const std::size_t tab = image_name.find('\t');
        if (tab != std::string_view::npos) {
            const std::string first = wavelength_of(image_name.substr(0, tab));
            const std::string second = wavelength_of(image_name.substr(tab + 1));
            if (!first.empty() && !second.empty() && first != second) {
                red = first;
                green = second;
            }
        }
    }
    if (!red.empty() && !green.empty()) {
        h.red_wavelength = red;
        h.green_wavelength = green;
    }
}

// The 1.x header: line 11 echoed, the five factor lines read where they stand.
void walk_fixed_header(byte_reader& in, const char* name, file_header& h, console& out) {
    std::string text;
    if (!read_word(in, text, word_room) || !is_result_file_word(text)) {
        if (h.format.claims_later) unreadable_layout(name, h.format);
        failure_stop("\n " + std::string(name) + " is not a valid GenePix output file.\n\n");
    }
    header_reader header(in, name, h.format);
    header.skip(fixed_header::image_names_line - 2);
    if (!read_quoted_value(in, text, header_value_room)) header.ends();  // line 10: the wavelengths, for the page
    keep_wavelengths(text, h);
    if (!read_quoted_value(in, text, header_value_room)) header.ends();  // line 11
    echo_image_names(text, name, h, out);
    header.skip(1);

    // Factor 1 finds where the factor lines start: line 13, or line 15 when
    // line 13 does not begin with N (after an optional quote).
    int c = header.get();
    if (c == '"') c = header.get();
    if (c == 'N') {
        header.skip_key(factor_lines[1].key_length - 1, 1);
    } else {
        header.skip(2);
        c = header.get();
        header.skip_key(c == 'N' ? factor_lines[1].key_length - 1 : factor_lines[1].key_length, 1);
    }
    h.factor[1] = header.factor(1);
    print_factor(out, 1, h.factor[1]);
    header.skip(1);

    for (int k = 2; k <= 5; ++k) {
        c = header.get();
        header.skip_key(c == 'N' ? factor_lines[k].key_length - 1 : factor_lines[k].key_length, k);
        h.factor[k] = header.factor(k);
        print_factor(out, k, h.factor[k]);
        header.skip(k == 5 ? 10 : 1);
    }

    // A line beginning with S (in practice "Supplier=") stands before the titles.
    c = header.get();
    if (c == '"') c = header.get();
    header.skip(c == 'S' ? 2 : 1);
}

// A later header: its data are normalised already, so every factor is 1.
void walk_titled_header(byte_reader& in, const char* name, file_header& h, console& out) {
    skip_lines(in, static_cast<int>(h.format.layout.title_line));
    echo_image_names(image_record(h.format), name, h, out);
    h.normalization_method = record_value(h.format, titled_header::normalization_key);
    keep_wavelengths("", h);
    for (int k = 1; k <= 5; ++k) {
        h.factor[k] = 1.0;
        print_factor(out, k, 1.0);
    }
}

}  // namespace

file_header header_walk(byte_reader& in, const char* name, console& out) {
    file_header h;
    h.format = detect_format(in, name);
    switch (h.format.family) {
        case file_family::titled:
            walk_titled_header(in, name, h, out);
            break;
        case file_family::fixed:
            walk_fixed_header(in, name, h, out);
            break;
    }
    return h;
}
