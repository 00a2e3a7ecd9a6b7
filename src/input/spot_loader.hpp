// Loading of the data rows of one file, with the quality-control test.
#pragma once

#include "input/byte_reader.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Reads spot_count rows of file f from `in` (left at the first data row by the
// header walk) into the spot tables, marks spots that fail the test against C
// with the flag -90.0, and closes the reader. A row that breaks the layout
// ends the run through a failure stop naming the file, line, spot and field.
// With s.check_layout, a row whose Block/Column/Row differs from file 1's,
// or a data row beyond file 1's count, stops the run naming both files.
void load_spot_records(byte_reader& in, int f, const run_settings& s, spot_tables& t);

// The same for files loading side by side (file 1 first when the layout is
// checked, then the others at the same time). One after another, every file
// writes the per-spot names and IDs and the last file's stay; side by side,
// only the last file writes them, and with the check the positions stay file
// 1's, which the check makes the last file's too. The tables end the same.
enum class file_order { one_after_another, side_by_side };
void load_spot_records(byte_reader& in, int f, const run_settings& s, spot_tables& t, file_order order);

// The flag of a spot that fails the test against C.
constexpr double failed_quality_control = -90.0;

// Quality control: a channel passes when its foreground / background quotient
// is at least C; a spot fails when neither channel passes.
bool fails_quality_control(double f632, double b632, double f532, double b532, double c);
