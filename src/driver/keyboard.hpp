// The console side of a run: the keypress and the closing lines.
#pragma once

#include <cstdio>

// Waits for one keypress without echo and without Enter when `keys` is a
// terminal; otherwise consumes one byte of it, if one is left, and returns.
void wait_key(std::FILE* keys);
