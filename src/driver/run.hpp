// The fixed order of a run, from the settings to the last release.
#pragma once

#include <cstdio>

#include "run/settings.hpp"

// Runs the dialogue on `answers` (also the source of keypresses) and the
// whole run; returns the exit status.
int run_spotweave(std::FILE* answers);

// The whole run on settings already made; `keys` gives the keypresses the
// settings ask for. Returns the exit status.
int run_merge(const run_settings& s, std::FILE* keys);
