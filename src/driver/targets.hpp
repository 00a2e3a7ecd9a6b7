// A targets file, the convention limma users keep beside their slides: one
// tab-separated row per slide naming its file and what was labelled with
// each dye, so the run knows which slides are dye swaps.
#pragma once

#include <optional>
#include <string>

#include "run/settings.hpp"

// Reads the targets file at `path` into s: the files in row order (their
// names relative to the file's folder), the labels (the Name column, else
// the file name as written) and the swaps. The title line holds FileName,
// Cy3 and Cy5, in any order and any letter case, and optionally Name. The
// reference is `reference` when given, else the one label in every row; a
// row whose Cy5 is the reference is swapped, one whose Cy3 is not. Returns
// the problem as one line naming the file and the row, or "" when the file
// is right.
std::string read_targets(const std::string& path, const std::optional<std::string>& reference, run_settings& s);
