// The two ways of reading data rows, for the tests and fuzz targets that hold
// them equal: in place in the reader's buffer (the fast path the program
// takes) or byte by byte (the plain path that also writes the messages).
// Not for the program itself, which reads through the public headers.
#pragma once

#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"

enum class reading_path { in_place, byte_wise };

layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, console& out,
                               reading_path path);

void load_spot_records(byte_reader& in, int f, const run_settings& s, spot_tables& t, reading_path path);
