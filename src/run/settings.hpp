// What a run was asked to do, decided before any file is read: by the
// dialogue's answers or by the command line. The run reads it, never changes
// it; the spot tables hold the data.
#pragma once

#include <string>
#include <vector>

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

    int file_count() const { return static_cast<int>(files.size()); }
    const char* file_name(int h) const { return files[static_cast<std::size_t>(h - 1)].c_str(); }
};

// The command-line names of the ratio approaches, by number (index 0 unused):
// Ratio of Medians, Ratio of Means, Median of Ratios, Mean of Ratios,
// Regression Ratio.
inline const char* const ratio_approach_names[6] = {
    "", "medians", "means", "median-of-ratios", "mean-of-ratios", "regression",
};

// Their titles, as the factor lines, the messages and report.html name them.
inline const char* const ratio_approach_titles[6] = {
    "", "Ratio of Medians", "Ratio of Means", "Median of Ratios", "Mean of Ratios", "Regression Ratio",
};
