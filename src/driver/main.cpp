// spotweave: merges GenePix result files into cor.txt, data.txt and merge.txt
// after a short console dialogue. Command-line arguments are not used.
#include <cstdio>

#include "driver/run.hpp"

int main() { return run_spotweave(stdin); }
