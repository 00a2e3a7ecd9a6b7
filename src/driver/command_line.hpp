// The command line: `spotweave [OPTIONS] FILE...`, one run without questions.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/settings.hpp"

enum class command_action { run, help, version, usage_error };

struct parsed_command_line {
    command_action action = command_action::run;
    run_settings settings;                          // complete when action is run
    bool quiet = false;                             // no progress text, only errors and warnings
    std::optional<std::string> targets, reference;  // the files come from this targets file
    std::string text;                               // the help, the version, or the usage error line
};

// Reads the arguments (program name first) without opening any file. Every
// mistake the arguments alone can show (an unknown option, a missing or
// malformed value, C out of range, no files, more than 99, a file given
// twice) becomes a usage error naming the problem.
parsed_command_line parse_command_line(const std::vector<std::string>& args);

// A mistake of the options that the number of files shows (--moderated with
// one file), or "".
std::string file_count_problem(const run_settings& s);
