// The fixed order of a run, from the settings to the last release.
#pragma once

#include <cstdio>

#include "run/console.hpp"
#include "run/settings.hpp"

// Runs the dialogue on `answers` (also the source of keypresses) and the
// whole run on `threads` threads; returns the exit status.
int run_spotweave(std::FILE* answers, int threads);

// The whole run on settings already made, its text on `out`; `keys` gives
// the keypresses the settings ask for. Returns the exit status.
int run_merge(const run_settings& s, console& out, std::FILE* keys);
