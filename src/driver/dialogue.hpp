// The console dialogue: file count, replicate count, file names, ratio
// approach and the quality-control constant C.
#pragma once

#include <cstdio>

#include "input/spot_tables.hpp"

// Asks every question in order, reading whitespace-separated answers from
// `answers`; fills the run-wide values and file_names of t. Ends the run with
// status 1 when the answers run out before the dialogue is complete.
void run_dialogue(std::FILE* answers, spot_tables& t);

// atoi on an answer: optional sign and leading digits, 0 when there are none;
// values beyond int are held at its limits.
int answer_to_int(const char* text);

// atof on an answer for C: leading decimal number, 0.0 when there is none.
double answer_to_real(const char* text);
