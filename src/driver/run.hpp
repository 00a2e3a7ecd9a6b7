// The fixed order of a run, from the first prompt to the last release.
#pragma once

#include <cstdio>

// Runs the dialogue on `answers` (also the source of keypresses) and the
// whole run; returns the exit status.
int run_spotweave(std::FILE* answers);
