// The two ways a run ends early. Both unwind to the entry point, which turns
// them into the closing line, the keypress and the exit status, so every
// reader can also be exercised inside a test process.
#pragma once

struct run_end {
    int status;
    bool wait_for_key;  // failure stops wait; numeric errors do not
};

// Failure stop: the caller has printed its messages; the run ends with
// "press any key to exit the program", one keypress and `status`.
[[noreturn]] inline void failure_stop(int status) { throw run_end{status, true}; }

// Writes the three-line numeric error banner to standard error, flushes
// standard output and ends the run with status 1, without a keypress.
[[noreturn]] void numeric_fatal(const char* message);
