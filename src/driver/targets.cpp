#include "driver/targets.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

struct target_row {
    int line = 0;
    std::string file, cy3, cy5, name;
};

std::string trimmed(std::string cell) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\r' || c == '\t'; };
    while (!cell.empty() && blank(static_cast<unsigned char>(cell.back()))) cell.pop_back();
    std::size_t first = 0;
    while (first < cell.size() && blank(static_cast<unsigned char>(cell[first]))) ++first;
    cell.erase(0, first);
    if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') cell = cell.substr(1, cell.size() - 2);
    return cell;
}

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream text(line);
    while (std::getline(text, cell, '\t')) cells.push_back(trimmed(cell));
    if (!line.empty() && line.back() == '\t') cells.push_back("");
    return cells;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Where each needed title stands (-1: absent).
struct title_places {
    int file = -1, cy3 = -1, cy5 = -1, name = -1;
};

title_places places_of(const std::vector<std::string>& titles) {
    title_places p;
    for (int k = 0; k < static_cast<int>(titles.size()); ++k) {
        const std::string t = lower(titles[static_cast<std::size_t>(k)]);
        if (t == "filename" && p.file < 0) p.file = k;
        if (t == "cy3" && p.cy3 < 0) p.cy3 = k;
        if (t == "cy5" && p.cy5 < 0) p.cy5 = k;
        if (t == "name" && p.name < 0) p.name = k;
    }
    return p;
}

// The rows of the file, or the problem.
std::string rows_of(std::istream& in, const std::string& shown, std::vector<target_row>& rows) {
    std::string line;
    int number = 0;
    title_places p;
    bool titled = false;
    while (std::getline(in, line)) {
        ++number;
        if (trimmed(line).empty()) continue;
        const std::vector<std::string> cells = cells_of(line);
        if (!titled) {
            p = places_of(cells);
            for (const auto& [place, title] : {std::pair{p.file, "FileName"}, {p.cy3, "Cy3"}, {p.cy5, "Cy5"}})
                if (place < 0)
                    return shown + ", line " + std::to_string(number) + ": the titles hold no " + title +
                           " column (FileName, Cy3 and Cy5 are needed)";
            titled = true;
            continue;
        }
        const auto cell = [&](int k) { return k >= 0 && k < static_cast<int>(cells.size()) ? cells[k] : ""; };
        target_row r{number, cell(p.file), cell(p.cy3), cell(p.cy5), cell(p.name)};
        for (const auto& [value, title] : {std::pair{r.file, "FileName"}, {r.cy3, "Cy3"}, {r.cy5, "Cy5"}})
            if (value.empty()) return shown + ", line " + std::to_string(number) + ": the " + title + " cell is empty";
        rows.push_back(r);
    }
    if (!titled) return shown + ": no title line with FileName, Cy3 and Cy5";
    if (rows.empty()) return shown + ": no row names a file";
    return "";
}

// The one label in every row, or the problem asking for --reference.
std::string common_label(const std::vector<target_row>& rows, const std::string& shown, std::string& label) {
    std::vector<std::string> common;
    for (const std::string& candidate : {rows[0].cy3, rows[0].cy5}) {
        const bool everywhere = std::all_of(
            rows.begin(), rows.end(), [&](const target_row& r) { return r.cy3 == candidate || r.cy5 == candidate; });
        if (everywhere && std::find(common.begin(), common.end(), candidate) == common.end())
            common.push_back(candidate);
    }
    if (common.size() == 1) {
        label = common[0];
        return "";
    }
    return shown + ": " +
           (common.empty() ? std::string("no label is in every row")
                           : "both " + common[0] + " and " + common[1] + " are in every row") +
           ", so the reference is not plain; name it with --reference LABEL";
}

}  // namespace

std::string read_targets(const std::string& path, const std::optional<std::string>& reference, run_settings& s) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "--targets " + path + ": the file cannot be opened: " + std::strerror(errno != 0 ? errno : ENOENT);
    std::vector<target_row> rows;
    if (const std::string problem = rows_of(in, path, rows); !problem.empty()) return problem;
    std::string label = reference ? *reference : "";
    if (!reference)
        if (const std::string problem = common_label(rows, path, label); !problem.empty()) return problem;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::map<std::string, int> seen;
    s.files.clear();
    s.labels.clear();
    s.swapped.clear();
    for (const target_row& r : rows) {
        const std::string where = path + ", line " + std::to_string(r.line) + ": ";
        if (r.cy3 == label && r.cy5 == label) return where + "both Cy3 and Cy5 are the reference " + label;
        if (r.cy3 != label && r.cy5 != label)
            return where + "neither Cy3 (" + r.cy3 + ") nor Cy5 (" + r.cy5 + ") is the reference " + label;
        const std::string key = std::filesystem::path(r.file).lexically_normal().generic_string();
        if (const auto [at, fresh] = seen.emplace(key, r.line); !fresh)
            return where + "the file " + r.file + " is named twice (line " + std::to_string(at->second) + ")";
        const std::filesystem::path file(r.file);
        s.files.push_back(file.is_absolute() || folder.empty() ? r.file : (folder / file).string());
        s.labels.push_back(r.name.empty() ? r.file : r.name);
        s.swapped.push_back(r.cy5 == label ? 1 : 0);
    }
    return "";
}
