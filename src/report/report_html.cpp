#include "report/report_html.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "report/html_page.hpp"
#include "run/failure.hpp"

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
        failure_stop("can't write the report <" + std::string(path) +
                     ">: " + (error != 0 ? std::strerror(error) : "write error") +
                     "\ncheck that the folder is writable and has room, then run again.\n");
}
