// Runs the program's own steps on the answers file named on the command line
// (in the working directory) and writes report.html beside the three reports,
// so the page can be checked against them. Exit status as the program's.
//   html_report_run ANSWERS [--time | --no-html]
// --time prints the seconds spent on the page to standard error; --no-html
// leaves the page out, for a run to compare with.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver/dialogue.hpp"
#include "input/header_walk.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"
#include "numeric/run_end.hpp"
#include "report/correlation_report.hpp"
#include "report/merge_report.hpp"
#include "report/ratio_table.hpp"
#include "report/report_html.hpp"

namespace {

// The "Type=..." value of a file's header, or "" when there is none in its first lines.
std::string type_line(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return "";
    char line[512];
    std::string type;
    for (int n = 0; n < 40 && std::fgets(line, sizeof line, file) != nullptr; ++n) {
        const char* at = std::strstr(line, "Type=");
        if (at == nullptr) continue;
        type = at + 5;
        while (!type.empty() && (type.back() == '\n' || type.back() == '\r' || type.back() == '"')) type.pop_back();
        break;
    }
    std::fclose(file);
    return type;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int run(std::FILE* answers, bool html, bool timed) {
    spot_tables t;
    merge_tables m;
    html_figures fig;
    run_dialogue(answers, t);
    const layout_size size = sizing_scan(&t.file_names[1][0], t.replicate_count);
    t.spot_count = size.spot_count;
    t.gene_count = size.gene_count;
    create_spot_tables(t);
    for (int h = 1; h <= t.file_count; ++h) {
        byte_reader in = header_walk(h, t);
        load_spot_records(in, h, t);
    }
    normalise_ratios(t);
    correlation_report(t, html ? &fig.cor : nullptr);
    const auto collect_start = std::chrono::steady_clock::now();
    if (html) collect_html_figures(t, fig);
    const double collect_seconds = seconds_since(collect_start);
    regroup_by_gene(t, m);
    ratio_table(t);
    release_ratios(t);
    gene_statistics(t, m);
    merge_report(t, m);
    html_inputs extra;
    extra.program_version = "5.0";
    for (int f = 1; f <= t.file_count; ++f) extra.file_versions.push_back(type_line(&t.file_names[f][0]));
    const auto write_start = std::chrono::steady_clock::now();
    const bool written = !html || write_report_html(t, m, fig, extra, "report.html");
    if (timed) std::fprintf(stderr, "collect %.3f s, write %.3f s\n", collect_seconds, seconds_since(write_start));
    release_merge_tables(t, m);
    release_spot_tables(t);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool timed = argc == 3 && std::strcmp(argv[2], "--time") == 0;
    const bool html = !(argc == 3 && std::strcmp(argv[2], "--no-html") == 0);
    if (argc < 2 || argc > 3 || (argc == 3 && !timed && html)) {
        std::fprintf(stderr, "usage: html_report_run ANSWERS [--time | --no-html]\n");
        return 2;
    }
    std::FILE* answers = std::fopen(argv[1], "rb");
    if (answers == nullptr) {
        std::fprintf(stderr, "can't open %s\n", argv[1]);
        return 2;
    }
    try {
        return run(answers, html, timed);
    } catch (const run_end& end) {
        return end.status;
    }
}
