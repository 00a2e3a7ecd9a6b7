// Starting a command-line run: the parse, the checks made before any file is
// read (every file opens, the output folder exists), and the run.
#pragma once

#include <string>
#include <vector>

#include "run/settings.hpp"

// Parses, then prints the help or version (status 0), a usage error with a
// hint to --help on standard error (status 2), or checks the files, makes the
// output folder and runs (status of the run; 1 when a file cannot be opened
// or the folder cannot be made).
int run_command_line(const std::vector<std::string>& args);

// A run started by dropping files onto the program has an arbitrary working
// folder (often the system's own): without -o, the reports go next to the
// first file.
void settle_dropped_files(run_settings& s);

// Whether this program is the only one on its console window: started by a
// double click or by files dropped onto it (Windows only; false elsewhere).
bool owns_console_window();
