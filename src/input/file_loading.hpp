// Loading every file of the run: the header walk and the data rows of files
// 1..F into their rows of the tables.
#pragma once

#include "input/spot_tables.hpp"

// With one thread the files are walked and loaded one after another. With
// more, they are loaded concurrently, each holding back its console lines and
// its failure; these are then printed and raised in file order, so the
// console and the file a failure names are those of one thread: the lines of
// every file before the first bad one, then that file's own lines and message.
void load_files(spot_tables& t);
