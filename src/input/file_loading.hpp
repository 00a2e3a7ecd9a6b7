// Loading every file of the run: the header walk and the data rows of files
// 1..F into their rows of the tables.
#pragma once

#include "input/spot_tables.hpp"
#include "run/console.hpp"
#include "run/settings.hpp"

// With one thread the files are walked and loaded one after another. With
// more, they are loaded at the same time (file 1 first on its own when the
// layout is checked, as the others compare with it), each holding back its
// console text and its failure; these are then printed and raised in file
// order, so the console and the file a failure names are those of one
// thread: the text of every file before the first bad one, then that file's
// own text and message.
void load_files(const run_settings& s, spot_tables& t, console& out);
