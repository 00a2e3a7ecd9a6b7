// The header of a result file of the later family (GenePix Results 2 and 3):
// which path a file takes, decided from its first lines, and the checks and
// column map of a file read by its titles.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "input/byte_reader.hpp"
#include "input/result_layout.hpp"

struct layout_probe {
    // A Type record names version 2 or 3 and line 2's counts agree with the
    // header records and the title line: the file is read by its titles.
    bool titled = false;
    // A Type record names version 2 or 3 but the layout does not hold: why, and where.
    bool claims_later = false;
    long long reason_line = 0;
    std::string reason;
    // Of a titled file: key and value of each record (line 3 on), the title cells.
    std::vector<std::pair<std::string, std::string>> records;
    std::vector<std::string> titles;
    long long title_line = 0;
    // The value of the Type record among the first lines, of any ATF file ("" when none).
    std::string type;
};

// Looks at the first lines of the file without consuming anything. Every file
// that does not positively show a later layout takes the fixed path.
layout_probe probe_layout(byte_reader& in);

// The column map of a titled file. Ends the run through a failure stop naming
// the file when it holds one channel, ratios green over red, or lacks a column.
row_layout titled_layout(const layout_probe& probe, const char* file_name);

// The record naming the images ("ImageFiles=..."), as the file writes it, or "".
std::string image_record(const layout_probe& probe);

// For a file that names a later version without holding its layout: one
// message saying which versions the program reads. Ends the run.
[[noreturn]] void unreadable_layout(const char* file_name, const layout_probe& probe);
