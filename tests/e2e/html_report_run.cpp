// Runs the program's own run order with report.html on, the settings taken
// from a dialogue answers file (in the working directory), so every case
// folder can be checked page against reports. Exit status as the program's.
//   html_report_run ANSWERS [--no-html]
// --no-html leaves the page out, for a run to compare with.
#include <cstdio>
#include <cstring>

#include "driver/dialogue.hpp"
#include "driver/run.hpp"
#include "run/failure.hpp"
#include "run/workers.hpp"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: html_report_run ANSWERS [--no-html]\n");
        return 2;
    }
    std::FILE* answers = std::fopen(argv[1], "rb");
    if (answers == nullptr) {
        std::fprintf(stderr, "can't open %s\n", argv[1]);
        return 2;
    }
    run_settings s;
    s.threads = machine_cores();
    int status = 0;
    try {
        run_dialogue(answers, s);
    } catch (const run_failure& end) {
        status = end.status;
    }
    if (status == 0) {
        s.html = !(argc == 3 && std::strcmp(argv[2], "--no-html") == 0);
        s.wait_for_key = false;
        console out;
        status = run_merge(s, out, answers);
    }
    std::fclose(answers);
    return status;
}
