// The end-to-end case folders of tests/e2e/cases, for the runners that play
// them. A case folder holds its input files, optional setup.sh (run in the
// work folder first), and either answers.txt (the dialogue: the bytes piped
// to standard input, last byte the keypress) or args.txt (the command line:
// one argument a line, "${REALDATA}" standing for the folder of real result
// files; answers.txt, if present, is then standard input). expected/ holds
// console.txt (standard output), status, optional stderr.txt (for the command
// line, absent means nothing on standard error), optional not-written.txt
// (paths, one a line, that must not exist after the run) and every
// other file the run must leave, at its path below the work folder. A
// dialogue case must leave no cor.txt, data.txt or merge.txt it does not
// expect, and no case a report under its temporary name.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The case folders below `cases`, sorted by name.
inline std::vector<std::string> case_names(const std::filesystem::path& cases) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(cases))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Copies the case's input files to `work` and runs its setup.sh there, if it
// has one; false when setup.sh fails.
inline bool stage_case(const std::filesystem::path& source, const std::filesystem::path& work) {
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
        const std::string name = entry.path().filename().string();
        if (name == "expected" || name == "answers.txt" || name == "args.txt" || name == "setup.sh") continue;
        std::filesystem::copy(entry.path(), work / name, std::filesystem::copy_options::recursive);
    }
    if (!std::filesystem::exists(source / "setup.sh")) return true;
    const std::string setup = "cd " + quoted(work) + " && sh " + quoted(source / "setup.sh");
    return std::system(setup.c_str()) == 0;
}

// The lines of a text file, without their line ends.
inline std::vector<std::string> lines_of(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::istringstream text(read_file(path));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

// The arguments of a command-line case with "${REALDATA}" replaced by
// `realdata`; none when the case needs real files and `realdata` is not a folder.
inline std::optional<std::vector<std::string>> case_arguments(const std::filesystem::path& source,
                                                              const std::string& realdata) {
    std::vector<std::string> args;
    for (std::string arg : lines_of(source / "args.txt")) {
        const std::string mark = "${REALDATA}";
        if (const std::size_t at = arg.find(mark); at != std::string::npos) {
            if (!std::filesystem::is_directory(realdata)) return std::nullopt;
            arg.replace(at, mark.size(), realdata);
        }
        args.push_back(arg);
    }
    return args;
}

// The files a case expects beyond its console text, status and lists, as
// paths relative to expected/.
inline std::vector<std::filesystem::path> expected_files(const std::filesystem::path& expected) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(expected)) {
        if (!entry.is_regular_file()) continue;
        const std::filesystem::path relative = std::filesystem::relative(entry.path(), expected);
        const std::string name = relative.generic_string();
        if (name == "console.txt" || name == "status" || name == "stderr.txt" || name == "not-written.txt") continue;
        files.push_back(relative);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What a run of the case left, against expected/: each difference as one
// line; none when the run is the expected one. `out` and `err` are what it
// printed, real-file paths already named by the placeholder.
inline std::vector<std::string> differences(const std::filesystem::path& source, const std::filesystem::path& work,
                                            const std::string& out, const std::string& err, int status) {
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    const fs::path expected = source / "expected";
    const bool command_line = fs::exists(source / "args.txt");
    if (out != read_file(expected / "console.txt")) found.push_back("standard output differs:\n" + out);
    if (std::to_string(status) + "\n" != read_file(expected / "status"))
        found.push_back("exit status " + std::to_string(status) + " differs");
    if ((command_line || fs::exists(expected / "stderr.txt")) && err != read_file(expected / "stderr.txt"))
        found.push_back("standard error differs:\n" + err);
    for (const fs::path& file : expected_files(expected))
        if (!fs::exists(work / file) || read_file(work / file) != read_file(expected / file))
            found.push_back(file.generic_string() + " differs");
    if (fs::exists(expected / "not-written.txt"))
        for (const std::string& path : lines_of(expected / "not-written.txt"))
            if (fs::exists(fs::symlink_status(work / path))) found.push_back(path + " must not be written");
    // A run, finished or not, leaves no report under its temporary name.
    for (const auto& entry : fs::recursive_directory_iterator(work)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".spotweave-") && name.ends_with(".part"))
            found.push_back(fs::relative(entry.path(), work).generic_string() + " is left behind");
    }
    if (!command_line)
        for (const char* report : {"cor.txt", "data.txt", "merge.txt"})
            if (!fs::exists(expected / report) && fs::is_regular_file(fs::symlink_status(work / report)))
                found.push_back(std::string(report) + " must not be written");
    return found;
}

// `text` with every `path` named "${REALDATA}" instead.
inline std::string with_placeholder(std::string text, const std::string& path) {
    for (std::size_t at = 0; !path.empty() && (at = text.find(path, at)) != std::string::npos;)
        text.replace(at, path.size(), "${REALDATA}");
    return text;
}
