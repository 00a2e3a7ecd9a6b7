// The end-to-end case folders of tests/e2e/cases, for the runners that play
// them: the folder names in order, a case's files staged in a work folder,
// and whole files read as bytes.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        if (name == "expected" || name == "answers.txt" || name == "setup.sh") continue;
        std::filesystem::copy(entry.path(), work / name, std::filesystem::copy_options::recursive);
    }
    if (!std::filesystem::exists(source / "setup.sh")) return true;
    const std::string setup = "cd " + quoted(work) + " && sh " + quoted(source / "setup.sh");
    return std::system(setup.c_str()) == 0;
}
