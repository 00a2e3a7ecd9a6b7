#include "report/report_html.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "numeric/fixed_text.hpp"
#include "report/html_page.hpp"
#include "report/report_staging.hpp"
#include "run/failure.hpp"

// The helpers every part of the page shares (html_page.hpp).

std::string fixed(double value, int decimals) {
    char text[fixed_text_room];
    return std::string(text, format_fixed(text, value, decimals, 0));
}

std::string integer(long long value) {
    char text[fixed_text_room];
    return std::string(text, format_int(text, value, 0));
}

std::string short_fixed(double value) {
    std::string text = fixed(value, 6);
    if (text.find('.') == std::string::npos) return text;
    while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.') text.pop_back();
    return text;
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text);
    return out;
}

std::string numbered_label(const run_settings& s, int f) { return integer(f) + ". " + s.file_label(f); }

std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

void caption(std::string& page, std::string_view text) {
    page += "<figcaption>";
    append_escaped(page, text);
    page += "</figcaption>\n";
}

page_channels channels_of(const spot_tables& t) {
    page_channels c{true, "635", "532"};
    for (int f = 1; f <= t.file_count; ++f) {
        const file_header& h = t.headers[static_cast<std::size_t>(f)];
        if (f == 1) {
            c.red = h.red_wavelength;
            c.green = h.green_wavelength;
        } else if (h.red_wavelength != c.red || h.green_wavelength != c.green) {
            c.uniform = false;
        }
    }
    return c;
}

std::string channel_names(const spot_tables& t, int f) {
    const file_header& h = t.headers[static_cast<std::size_t>(f)];
    return "R = F" + h.red_wavelength + ", G = F" + h.green_wavelength;
}

std::vector<colour> palette_of(colour (*scale)(double), int levels, double from) {
    std::vector<colour> palette;
    for (int k = 0; k < levels; ++k)
        palette.push_back(scale(levels > 1 ? from + (1.0 - from) * k / (levels - 1) : 1.0));
    return palette;
}

void file_labels(svg_writer& svg, int files, double x0, double slot, double y) {
    const int every = slot >= 14 ? 1 : static_cast<int>(std::ceil(14.0 / slot));
    for (int f = 1; f <= files; ++f)
        if ((f - 1) % every == 0) svg.text(x0 + (f - 0.5) * slot, y, integer(f), anchor::middle, 9);
}

double slot_width(int files) {
    const double n = std::max(files, 1);
    return std::max(std::clamp(std::floor(1200.0 / n), 8.0, 60.0), std::floor(360.0 / n));
}

namespace {

void page_head(std::string& page, const html_inputs& extra) {
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Spotweave quality report</title>\n<style>\n";
    page +=
        "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
        "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em;border-bottom:1px solid #ccc}\n"
        "figure{margin:0 0 1.2em 0}figcaption{font-size:.85em;color:#444;max-width:72em;margin-top:.3em}\n"
        "svg{max-width:100%;height:auto}svg text{font-family:sans-serif}\n"
        ".row{display:flex;flex-wrap:wrap;gap:1em 2em;align-items:flex-start}.row>figure{max-width:650px}\n"
        ".scroll{max-height:32em;overflow-y:auto;display:inline-block}.scroll "
        "th{position:sticky;top:0;background:#fff}\n"
        ".grid{display:flex;flex-wrap:wrap;gap:14px 18px;align-items:flex-start}\n"
        ".panel{margin:0;border:1px solid #bbb;padding:4px 6px 2px}\n"
        ".panel .name{font-size:.8em;font-weight:bold;margin-bottom:2px}\n"
        ".panel figcaption{font-size:.75em;margin-top:0}\n"
        "table{border-collapse:collapse;font-size:.85em}td,th{border:1px solid #ccc;padding:2px 6px}\n"
        "td.n{text-align:right}td.fail{background:#f4b6a8;font-weight:bold}tr.limit td{font-style:italic;color:#555}\n"
        "p.warn{background:#fff3cd;border-left:4px solid #e6a700;padding:.4em .8em;max-width:72em}\n"
        "p.note{font-size:.85em;color:#444;max-width:72em}\n"
        "@media print{h2{break-after:avoid}figure{break-inside:avoid}.scroll{max-height:none;overflow:visible}}\n";
    page += "</style>\n</head>\n<body>\n<h1>Spotweave quality report</h1>\n";
    if (!extra.program_version.empty()) page += "<p>Written by Spotweave " + escaped(extra.program_version) + ".</p>\n";
}

}  // namespace

std::string report_html_text(const run_settings& s, const spot_tables& t, const merge_tables& m,
                             const html_figures& fig, const correlation_tables& c, const html_inputs& extra) {
    std::string page;
    page_head(page, extra);
    if (extra.quality != nullptr) suspect_section(page, s, *extra.quality);
    run_section(page, s, t, m, fig, extra);
    heat_map_section(page, s, t, c, fig);
    ma_section(page, s, t, fig);
    slide_section(page, s, t, fig);
    box_section(page, t, fig);
    gene_section(page, t, m, extra);
    page += "</body>\n</html>\n";
    return page;
}

void write_report_html(const run_settings& s, const spot_tables& t, const merge_tables& m, const html_figures& fig,
                       const correlation_tables& c, const html_inputs& extra, const char* path) {
    const std::string page = report_html_text(s, t, m, fig, c, extra);
    errno = 0;
    std::FILE* file = std::fopen(path, "wb");
    bool written = file != nullptr && std::fwrite(page.data(), 1, page.size(), file) == page.size();
    if (file != nullptr) written = (std::fclose(file) == 0) && written;
    const int error = errno;
    if (!written)
        failure_stop("can't write the report <" + shown_report_path(path) +
                     ">: " + (error != 0 ? std::strerror(error) : "write error") +
                     "\ncheck that the folder is writable and has room, then run again.\n");
}
