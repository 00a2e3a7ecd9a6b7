// The console dialogue: file count, replicate count, file names, ratio
// approach and the quality-control constant C.
#pragma once

#include <cstdio>

#include "run/settings.hpp"

// The longest file name the dialogue takes.
constexpr int file_name_room = 50;

// Asks every question in order, reading whitespace-separated answers from
// `answers`; fills the files, the replicate count, the ratio approach and C of s. Ends the run with
// status 1 when the answers run out before the dialogue is complete.
void run_dialogue(std::FILE* answers, run_settings& s);

// atoi on an answer: optional sign and leading digits, 0 when there are none;
// values beyond int are held at its limits.
int answer_to_int(const char* text);

// atof on an answer for C: leading decimal number, 0.0 when there is none.
double answer_to_real(const char* text);
