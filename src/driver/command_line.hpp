// The command line: `spotweave [OPTIONS] FILE...`, one run without questions.
#pragma once

#include <string>
#include <vector>

#include "run/settings.hpp"

enum class command_action { run, help, version, usage_error };

struct parsed_command_line {
    command_action action = command_action::run;
    run_settings settings;  // complete when action is run
    std::string text;       // the help, the version, or the usage error line
};

// Reads the arguments (program name first) without opening any file. Every
// mistake the arguments alone can show (an unknown option, a missing or
// malformed value, C out of range, no files, more than 99, a file given
// twice) becomes a usage error naming the problem.
parsed_command_line parse_command_line(const std::vector<std::string>& args);

// Parses, then prints the help or version (status 0), a usage error with a
// hint to --help on standard error (status 2), or makes the output folder and
// runs (status of the run; 1 when the folder cannot be made).
int run_command_line(const std::vector<std::string>& args);

// A run started by dropping files onto the program has an arbitrary working
// folder (often the system's own): without -o, the reports go next to the
// first file.
void settle_dropped_files(run_settings& s);

// Whether this program is the only one on its console window: started by a
// double click or by files dropped onto it (Windows only; false elsewhere).
bool owns_console_window();
