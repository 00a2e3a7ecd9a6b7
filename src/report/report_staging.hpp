// Reports written under temporary names and put in place together once the
// whole run has succeeded, so that a run that stops leaves the output folder
// as it was. A staged report is ".spotweave-<process id>-<report>.part" in
// the output folder: hidden on Unix, never ending in a report's extension,
// and naming the process that writes it, so a later run can tell the
// leftovers of a killed run from the files of a run still going.
#pragma once

#include <string>
#include <string_view>

#include "run/settings.hpp"

// `name` inside folder `dir`: bare when dir is empty (the working folder),
// joined with one separator otherwise.
std::string in_folder(const std::string& dir, std::string_view name);

// The temporary name of `report` for this process, without a folder.
std::string staged_name(std::string_view report);

// The report a path names: `path` itself, or for a staged report the path of
// the report it stands for (what messages show).
std::string shown_report_path(std::string_view path);

// Removes from `dir` ("" the working folder) the staged reports of runs that
// are no longer running: regular files named as staged reports whose process
// is gone. Nothing else is touched, and a folder that cannot be read is left
// alone.
void clear_stale_reports(const std::string& dir);

// Renames every staged report of this process in the output folder to its
// report name. Ends the run through a failure stop when one cannot be put in
// place, saying which reports were replaced: none when a report's place is
// taken by a folder, as every place is checked before the first rename.
void publish_reports(const run_settings& s);

// Removes every staged report of this process from the output folder.
void discard_staged_reports(const run_settings& s);
