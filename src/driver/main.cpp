// spotweave: merges GenePix result files into cor.txt, data.txt and merge.txt,
// after a short console dialogue or as the command line describes.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/launch.hpp"
#include "driver/run.hpp"
#include "run/workers.hpp"

int main(int argc, char** argv) {
    if (argc <= 1) return run_spotweave(stdin, machine_cores());
    return run_command_line(std::vector<std::string>(argv, argv + argc));
}
