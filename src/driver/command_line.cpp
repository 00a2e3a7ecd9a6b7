#include "driver/command_line.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>

#include "driver/version.hpp"
#include "numeric/decimal_number.hpp"
#include "run/workers.hpp"

namespace {

constexpr int most_files = 99;

// What the options hold as typed, checked after the parse so each mistake
// gets a message of its own.
struct option_text {
    std::string replicates = "1";
    std::string approach = "1";
    std::string qc = "2.0";
    std::string output_dir;
    std::optional<std::string> threads;  // none: the machine's cores
    bool quiet = false;
    bool allow_layout_mismatch = false;
    bool html = false;
    std::optional<std::string> normalise, between, flag_cutoff, swap, targets, reference;
    bool moderated = false;
    bool version = false;
    std::vector<std::string> files;
};

const char* const usage_example =
    "Example:\n"
    "  spotweave -r 2 -a medians -c 2.0 -o results slide1.gpr slide2.gpr slide3.gpr\n"
    "    merges three slides with two replicated spots per gene into\n"
    "    results/cor.txt, results/data.txt and results/merge.txt.\n"
    "\n"
    "Without arguments the program asks its questions on the console instead.\n"
    "Exit status: 0 done, 1 a file or data error, 2 a usage error.\n";

// One line per option; a new option is one more line here and one more
// field in option_text and run_settings.
void add_options(CLI::App& app, option_text& o) {
    app.set_help_flag("-h,--help", "usage, with an example");
    app.add_option("-r,--replicates", o.replicates, "replicated spots per gene, consecutive rows (default 1)")
        ->option_text("N");
    app.add_option("-a,--approach", o.approach,
                   "1-5 or medians | means | median-of-ratios | mean-of-ratios | regression (default 1)")
        ->option_text("A");
    app.add_option("-c,--qc", o.qc, "quality constant, a number from 1.0 to 5.0 (default 2.0)")->option_text("C");
    app.add_option("-o,--output-dir", o.output_dir,
                   "where cor.txt, data.txt and merge.txt go (created if missing; default .)")
        ->option_text("DIR");
    app.add_option("-j,--threads", o.threads,
                   "threads to work on, 1 to 256; the reports are the same for any (default: the cores)")
        ->option_text("N");
    app.add_flag("-q,--quiet", o.quiet, "only errors and warnings on the console");
    app.add_flag("--allow-layout-mismatch", o.allow_layout_mismatch,
                 "merge files whose Block/Column/Row differ from the first file's");
    app.add_flag("--html", o.html, "also write report.html, the run's quality plots, next to the reports");
    app.add_option("--normalise,--normalize", o.normalise,
                   "header (default: each file's header factor) | none | median | loess | printtiploess")
        ->option_text("METHOD");
    app.add_option("--between", o.between, "none (default) | scale: every file's M brought to one spread")
        ->option_text("METHOD");
    app.add_option("--flag-cutoff", o.flag_cutoff,
                   "set aside everywhere each spot whose Flags value is below N (-1000 to 1000)")
        ->option_text("N");
    app.add_option("--swap", o.swap, "the files at these positions (1, 2, ...) carry the sample in the green channel")
        ->option_text("N[,N...]");
    app.add_option("--targets", o.targets,
                   "the files and their dyes from a targets file (FileName, Cy3, Cy5, optionally Name)")
        ->option_text("FILE");
    app.add_option("--reference", o.reference, "the label of the reference in the targets file")->option_text("LABEL");
    app.add_flag("--moderated", o.moderated,
                 "also write moderated.txt: the moderated t-test with false discovery rates");
    app.add_flag("-V,--version", o.version, "name and version");
    app.add_option("FILE", o.files, "result files to merge, 1 to 99")->option_text(" ");
}

// A whole decimal number, nothing after it.
bool whole_int(const std::string& text, int& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

parsed_command_line usage_error(const std::string& problem) {
    parsed_command_line p;
    p.action = command_action::usage_error;
    p.text = problem;
    return p;
}

int approach_number(const std::string& text) {
    int number = 0;
    if (whole_int(text, number)) return number >= 1 && number <= 5 ? number : 0;
    for (int a = 1; a <= 5; ++a)
        if (text == ratio_approach_names[a]) return a;
    return 0;
}

// The first file given twice, compared as written after removing "." and ".."
// steps, or empty.
std::string repeated_file(const std::vector<std::string>& files) {
    std::set<std::string> seen;
    for (const std::string& file : files)
        if (!seen.insert(std::filesystem::path(file).lexically_normal().generic_string()).second) return file;
    return {};
}

// The swapped positions "2" or "1,3" into s.swapped; the problem, or "".
std::string swaps_of(const std::string& text, run_settings& s) {
    s.swapped.assign(s.files.size(), 0);
    std::string item;
    std::istringstream list(text);
    const std::string bad = "--swap " + text + ": expected the positions of files, from 1 to " +
                            std::to_string(s.files.size()) + ", parted by commas, such as 2 or 1,3";
    bool any = false;
    while (std::getline(list, item, ',')) {
        int position = 0;
        if (!whole_int(item, position) || position < 1 || position > s.file_count()) return bad;
        char& mark = s.swapped[static_cast<std::size_t>(position - 1)];
        if (mark != 0) return "--swap " + text + ": file " + item + " is named twice";
        mark = 1;
        any = true;
    }
    return any && text.back() != ',' ? "" : bad;
}

// The index of `text` among the `count` names, or -1.
int index_of(const std::string& text, const char* const* names, int count) {
    for (int k = 0; k < count; ++k)
        if (text == names[k]) return k;
    return -1;
}

// The normalisation options into s; the problem, or "" when they are right.
std::string analysis_options(const option_text& o, run_settings& s) {
    s.analysis_options = o.normalise || o.between || o.flag_cutoff;
    if (o.normalise) {
        const int k = index_of(*o.normalise, normalisation_names, 5);
        if (k < 0) return "--normalise " + *o.normalise + ": expected header, none, median, loess or printtiploess";
        s.normalise = static_cast<normalisation>(k);
    }
    if (o.between) {
        const int k = index_of(*o.between, between_names, 2);
        if (k < 0) return "--between " + *o.between + ": expected none or scale";
        s.between = static_cast<between_files>(k);
    }
    if (o.flag_cutoff) {
        const std::string& text = *o.flag_cutoff;
        const bool negative = !text.empty() && text[0] == '-';
        int value = 0;
        if (!whole_int(negative ? text.substr(1) : text, value) || value > 1000)
            return "--flag-cutoff " + text + ": expected a whole number from -1000 to 1000, such as -50 or 0";
        s.flag_cutoff_given = true;
        s.flag_cutoff = negative ? -value : value;
    }
    return "";
}

// A decimal comma, as many locales write it: C takes a decimal point.
std::string decimal_point_hint(const std::string& text) {
    std::string with_point = text;
    std::replace(with_point.begin(), with_point.end(), ',', '.');
    double value = 0.0;
    if (with_point == text || !whole_real(with_point, value)) return {};
    return "C takes a decimal point, not a comma (" + with_point + "); ";
}

// The first option with a value that was given more than once, or "".
std::string option_given_twice(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options())
        if (option->get_items_expected_max() == 1 && option->count() > 1) return option->get_name();
    return {};
}

parsed_command_line settings_from(const option_text& o) {
    parsed_command_line p;
    run_settings& s = p.settings;
    if (!whole_int(o.replicates, s.replicate_count) || s.replicate_count < 1)
        return usage_error("--replicates " + o.replicates + ": expected a whole number of at least 1");
    s.ratio_approach = approach_number(o.approach);
    if (s.ratio_approach == 0)
        return usage_error("--approach " + o.approach +
                           ": expected 1-5 or medians, means, median-of-ratios, mean-of-ratios, regression");
    if (!whole_real(o.qc, s.qc_constant) || !(s.qc_constant >= 1.0 && s.qc_constant <= 5.0))
        return usage_error("--qc " + o.qc + ": " + decimal_point_hint(o.qc) + "expected a number from 1.0 to 5.0");
    s.threads = machine_cores();
    if (o.threads && (!whole_int(*o.threads, s.threads) || s.threads < 1 || s.threads > most_threads))
        return usage_error("--threads " + *o.threads + ": expected a whole number from 1 to " +
                           std::to_string(most_threads));
    if (o.targets && !o.files.empty())
        return usage_error("--targets " + *o.targets +
                           " names the files; give them there or on the command line, not both");
    if (o.targets && o.swap)
        return usage_error("--swap " + *o.swap +
                           ": the targets file says which files are swapped; give one of the two");
    if (o.reference && !o.targets)
        return usage_error("--reference " + *o.reference + ": it names a label of --targets");
    if (o.files.empty() && !o.targets) return usage_error("no result files given");
    if (o.files.size() > most_files)
        return usage_error(std::to_string(o.files.size()) + " result files given; at most 99 can be merged");
    for (const std::string& file : o.files)
        if (file.empty()) return usage_error("an empty file name was given");
    if (const std::string twice = repeated_file(o.files); !twice.empty())
        return usage_error("the file " + twice + " is given more than once");
    s.files = o.files;
    if (o.swap)
        if (const std::string problem = swaps_of(*o.swap, s); !problem.empty()) return usage_error(problem);
    s.output_dir = o.output_dir;
    s.check_layout = !o.allow_layout_mismatch;
    s.html = o.html;
    s.check_replicate_ids = true;
    if (const std::string problem = analysis_options(o, s); !problem.empty()) return usage_error(problem);
    s.moderated = o.moderated;
    s.analysis_options = s.analysis_options || o.swap || o.targets || o.moderated;
    p.targets = o.targets;
    p.reference = o.reference;
    if (!o.targets)
        if (const std::string problem = file_count_problem(s); !problem.empty()) return usage_error(problem);
    s.check_replicate_count = true;
    s.stage_reports = true;
    s.warn_unread_rows = true;
    s.wait_for_key = false;
    s.summary = true;
    p.quiet = o.quiet;
    return p;
}

}  // namespace

std::string file_count_problem(const run_settings& s) {
    if (s.file_count() > most_files)
        return std::to_string(s.file_count()) + " result files given; at most 99 can be merged";
    if (s.moderated && s.file_count() < 2)
        return "--moderated: the test needs at least two files (one value per file and gene)";
    return "";
}

parsed_command_line parse_command_line(const std::vector<std::string>& args) {
    CLI::App app("spotweave: merges GenePix result files of several slides into cor.txt, data.txt and merge.txt.",
                 "spotweave");
    app.footer(usage_example);
    option_text o;
    add_options(app, o);
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed_command_line p;
        p.action = command_action::help;
        p.text = app.help();
        return p;
    } catch (const CLI::ArgumentMismatch& e) {
        // CLI11 says "--qc: 1 required TEXT missing", and the same kind of
        // error for an option given twice.
        if (const std::string twice = option_given_twice(app); !twice.empty())
            return usage_error(twice + " is given more than once; give it once");
        const std::string what = e.what();
        return usage_error(what.substr(0, what.find(':')) + ": the value is missing");
    } catch (const CLI::ParseError& e) {
        return usage_error(e.what());
    }
    if (o.version) {
        parsed_command_line p;
        p.action = command_action::version;
        p.text = std::string("spotweave ") + program_version + "\n";
        return p;
    }
    return settings_from(o);
}
