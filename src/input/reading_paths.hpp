// The two ways of reading data rows, for the tests and fuzz targets that hold
// them equal: in place in the reader's buffer (the fast path the program
// takes) or byte by byte (the plain path that also writes the messages).
// Not for the program itself, which reads through the public headers; the
// types are only named here, so this header depends on none of them.
#pragma once

class byte_reader;
struct console;
struct layout_size;
struct run_settings;
struct spot_tables;

enum class reading_path { in_place, byte_wise };

layout_size sizing_scan_stream(byte_reader& in, const char* file_name, int replicate_count, console& out,
                               reading_path path);

void load_spot_records(byte_reader& in, int f, const run_settings& s, spot_tables& t, reading_path path);
