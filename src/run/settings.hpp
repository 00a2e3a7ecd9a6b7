// What a run was asked to do, decided before any file is read: by the
// dialogue's answers or by the command line. The run reads it, never changes
// it; the spot tables hold the data.
#pragma once

#include <string>
#include <vector>

// How the ratios of every file are normalised before any report reads them:
// by each file's own header factor (the default), not at all, or the log
// ratios M by their median, a loess curve of M on A, or one per print tip.
enum class normalisation { header, none, median, loess, print_tip_loess };

// How the normalised log ratios of the files are brought to one another.
enum class between_files { none, scale };

struct run_settings {
    std::vector<std::string> files;  // as given; file h is files[h - 1]
    int replicate_count = 1;         // replicated spots per gene, consecutive rows
    int ratio_approach = 1;          // 1..5, see ratio_approach_names
    double qc_constant = 2.0;        // C of the quality control
    std::string output_dir;          // empty: the working directory, reports named bare

    // Guard rails of the command line; the dialogue runs without them.
    bool check_layout = false;           // every file's Block/Column/Row must match file 1's
    bool check_replicate_ids = false;    // warn when a replicate group mixes IDs
    bool check_replicate_count = false;  // stop on more replicates than spots, warn on spots left over
    bool stage_reports = false;          // reports under temporary names until the run has succeeded
    bool warn_unread_rows = false;       // warn when a file holds data rows past the spots read
    bool wait_for_key = true;            // the dialogue's closing keypress
    bool summary = false;                // the command line's closing summary
    bool html = false;                   // also write report.html beside the reports

    // Threads the run works on, 1 to most_threads; any count writes the same bytes.
    int threads = 1;

    // The analysis options of the command line; any of them given writes normalised.txt.
    normalisation normalise = normalisation::header;
    between_files between = between_files::none;
    bool flag_cutoff_given = false;
    int flag_cutoff = 0;            // a spot whose Flags value is below it is set aside everywhere
    bool analysis_options = false;  // --normalise, --between or --flag-cutoff given

    // Whether the reports read the normalised log ratios (2^M) instead of
    // ratio x factor: a trend taken out of M, or M scaled between files.
    bool uses_normalised_m() const {
        return between == between_files::scale ||
               (normalise != normalisation::header && normalise != normalisation::none);
    }

    // The dye swaps: file h carries the sample in the green channel when
    // swapped[h - 1] (empty: no file does). Its ratios are taken inverted.
    std::vector<char> swapped;
    // What the reports call each file: labels[h - 1] when given (a targets
    // file's Name), else the file's name as given.
    std::vector<std::string> labels;
    bool moderated = false;  // the moderated t-test, written to moderated.txt

    int file_count() const { return static_cast<int>(files.size()); }
    // The path a file is opened by, and named by in messages.
    const char* file_name(int h) const { return files[static_cast<std::size_t>(h - 1)].c_str(); }
    const char* file_label(int h) const {
        const std::size_t k = static_cast<std::size_t>(h - 1);
        return k < labels.size() && !labels[k].empty() ? labels[k].c_str() : files[k].c_str();
    }
    bool is_swapped(int h) const {
        const std::size_t k = static_cast<std::size_t>(h - 1);
        return k < swapped.size() && swapped[k] != 0;
    }
};

// The command-line names of the ratio approaches, by number (index 0 unused):
// Ratio of Medians, Ratio of Means, Median of Ratios, Mean of Ratios,
// Regression Ratio.
inline const char* const ratio_approach_names[6] = {
    "", "medians", "means", "median-of-ratios", "mean-of-ratios", "regression",
};

// The command-line names of the normalisations and the between-file steps.
inline const char* const normalisation_names[5] = {"header", "none", "median", "loess", "printtiploess"};
inline const char* const between_names[2] = {"none", "scale"};

// Their titles, as the summary and report.html name them.
inline const char* const normalisation_titles[5] = {
    "each file's header factor", "none", "median", "loess", "print-tip loess",
};

// Their titles, as the factor lines, the messages and report.html name them.
inline const char* const ratio_approach_titles[6] = {
    "", "Ratio of Medians", "Ratio of Means", "Median of Ratios", "Mean of Ratios", "Regression Ratio",
};
