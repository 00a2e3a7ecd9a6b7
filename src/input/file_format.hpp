// Which family a result file belongs to, decided once from its first lines
// (as htslib decides a file's format before anything reads it): GenePix
// Results 1.2 and 1.4 at fixed places, or GenePix Results 2 and 3 by column
// title, with the row layout the file's rows are read by.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "input/byte_reader.hpp"
#include "input/result_layout.hpp"

enum class file_family { fixed, titled };

struct file_format {
    file_family family = file_family::fixed;
    // The value of the Type record among the first lines, of any ATF file ("" when none).
    std::string type;
    // Of the fixed family: a Type record names version 2 or 3 but the later
    // layout does not hold (why, and where). The file is read at the fixed
    // places all the same; what stops it there is reported as this reason.
    bool claims_later = false;
    long long reason_line = 0;
    std::string reason;
    // Of the fixed family: the Type record names neither GenePix Results 1.x
    // nor a later version (a "GenePix Export 3" table, say). The file is read
    // at the fixed places all the same; what stops it there names its Type.
    bool foreign_type = false;
    // Of a titled file: key and value of each header record (line 3 on).
    std::vector<std::pair<std::string, std::string>> records;
    // How the rows are read: the fixed layout, or the one built from the title line.
    row_layout layout;
    // The wavelengths of the title line's first two "F<w> Median" columns, red
    // then green (e.g. "635", "532"); "" where the first lines show none.
    std::string title_red, title_green;
};

// Looks at the first lines of the file without consuming anything. A file
// takes the titled path when a Type record names version 2 or 3 and line 2's
// counts agree with the header records and the title line; every other file
// takes the fixed path. Of a titled file the column map is built here, ending
// the run through a failure stop naming the file when it holds one channel,
// ratios green over red, or lacks a column; a fixed file whose RatioFormulation
// record says its ratios are green over red is refused the same way. Of a
// fixed file the wavelengths are taken from the first line whose first title
// is Block, when one is seen.
file_format detect_format(byte_reader& in, const char* file_name);

// The record naming the images ("ImageFiles=..."), as the file writes it, or "".
std::string image_record(const file_format& format);

// The value of the first header record of a titled file with this key,
// without blanks around it; "" when there is none.
std::string record_value(const file_format& format, std::string_view key);

// A failure of the fixed path at `line`: `what`, or for a file that names a
// later version the message saying which versions the program reads, or for a
// file of a foreign Type `what` with its Type and the versions read.
[[noreturn]] void fixed_path_failure(const char* file_name, const file_format& format, long long line,
                                     const std::string& what);

// A failure while reading the data rows at `line`: fixed_path_failure,
// unless `in` has found the file damaged at or before that line.
[[noreturn]] void row_failure(const byte_reader& in, const char* file_name, const file_format& format, long long line,
                              const std::string& what);

// For a file that names a later version without holding its layout: one
// message saying which versions the program reads. Ends the run.
[[noreturn]] void unreadable_layout(const char* file_name, const file_format& format);
