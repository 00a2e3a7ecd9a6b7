#include "driver/launch.hpp"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "driver/command_line.hpp"
#include "driver/keyboard.hpp"
#include "driver/run.hpp"
#include "driver/targets.hpp"
#include "input/byte_reader.hpp"
#include "report/report_staging.hpp"
#include "run/console.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

bool is_terminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

// Every file can be opened, as the dialogue checks each name before it goes
// on: a missing last file should not cost the reading of all the others. The
// message gives the system's reason, which tells a misspelt name from a
// folder or a file the user may not read.
bool files_open(const run_settings& s) {
    for (int h = 1; h <= s.file_count(); ++h) {
        if (const int error = reading_error(s.file_name(h)); error != 0) {
            std::fprintf(stderr, "spotweave: can't open the data file: %s: %s\n", s.file_name(h), std::strerror(error));
            return false;
        }
    }
    return true;
}

// Makes the output folder and its parents; false after a message when that fails.
bool make_output_dir(const std::string& dir) {
    if (dir.empty()) return true;
    std::error_code error;
    const std::filesystem::path path(dir);
    if (std::filesystem::is_directory(path, error)) return true;
    std::filesystem::create_directories(path, error);
    if (error || !std::filesystem::is_directory(path)) {
        std::fprintf(stderr, "spotweave: cannot make the output folder %s: %s\n", dir.c_str(),
                     error ? error.message().c_str() : "a file of that name is in the way");
        return false;
    }
    return true;
}

// Progress on standard output unless quiet, failures on standard error, the
// progress line only where standard error is a terminal.
console command_line_console(bool quiet) {
    console out;
    out.progress = quiet ? nullptr : stdout;
    out.failures = stderr;
    out.line = !quiet && is_terminal(stderr) ? stderr : nullptr;
    out.command_line = true;
    return out;
}

}  // namespace

void settle_dropped_files(run_settings& s) {
    if (s.output_dir.empty()) s.output_dir = std::filesystem::path(s.files[0]).parent_path().string();
}

bool owns_console_window() {
#ifdef _WIN32
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
#else
    return false;
#endif
}

int run_command_line(const std::vector<std::string>& args) {
    parsed_command_line p = parse_command_line(args);
    // Files dropped onto the program: keep its window open until a key.
    const bool own_window = owns_console_window();
    int status = 0;
    switch (p.action) {
        case command_action::help:
        case command_action::version:
            std::fputs(p.text.c_str(), stdout);
            break;
        case command_action::usage_error:
            std::fprintf(stderr, "spotweave: %s (see spotweave --help)\n", p.text.c_str());
            status = 2;
            break;
        case command_action::run: {
            if (p.targets) {
                std::string problem = read_targets(*p.targets, p.reference, p.settings);
                if (problem.empty()) problem = file_count_problem(p.settings);
                if (!problem.empty()) {
                    std::fprintf(stderr, "spotweave: %s (see spotweave --help)\n", problem.c_str());
                    status = 2;
                    break;
                }
            }
            p.settings.wait_for_key = own_window;
            if (own_window) settle_dropped_files(p.settings);
            if (!files_open(p.settings) || !make_output_dir(p.settings.output_dir)) {
                status = 1;
                break;
            }
            // What a killed run left is not a report, and goes.
            clear_stale_reports(p.settings.output_dir);
            console out = command_line_console(p.quiet);
            return run_merge(p.settings, out, stdin);
        }
    }
    if (own_window) {
        std::printf("\n\nPress Any Key to Continue\n");
        wait_key(stdin);
    }
    return status;
}
