// The header walk of one file at loading: checks the file, echoes the value
// naming its images, reads the five normalisation factors and leaves the
// reader at the first data row. What it reads comes back as the file's
// header record; the caller keeps it with the tables.
#pragma once

#include <string>

#include "input/byte_reader.hpp"
#include "input/file_format.hpp"
#include "run/console.hpp"

struct file_header {
    file_format format;
    double factor[6] = {0, 0, 0, 0, 0, 0};  // normalisation factor by ratio approach 1..5, index 0 unused
    std::string image_names;                // the echoed header value, at most header_value_room bytes
    std::string normalization_method;       // of a later file, its NormalizationMethod record ("" when none)
    // The scan's wavelengths in nm, red then green: of a 1.x file its
    // ImageName record (line 10) when it names two, else its title line's
    // "F<w> Median" columns; of a later file its title line; else 635 and 532.
    std::string red_wavelength = "635", green_wavelength = "532";
};

// Opens the result file `name`; ends the run through a failure stop
// ("can't open the data file: <name>") when it cannot be opened.
byte_reader open_result_file(const char* name);

// Walks the header of `name` from the start of `in`, printing the file's
// console lines on `out`. Ends the run through a failure stop when the file
// is not a result file, ends inside its header, or has a factor line that
// cannot be read.
file_header header_walk(byte_reader& in, const char* name, console& out);
