// The whole run with arbitrary bytes as standard input, in a directory of its
// own that holds the two result files "a" and "b".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "entry_points.hpp"

namespace {

std::filesystem::path run_directory;
std::filesystem::path own_directory;

void remove_run_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(run_directory, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_entry::quiet_console();
    run_directory = fuzz_entry::make_run_directory();
    own_directory = std::filesystem::current_path();
    std::atexit(remove_run_directory);
    return 0;
}

// Each run happens in the run directory; the fuzzer's own relative paths
// (inputs, corpus) keep meaning what they meant. A crash is written while
// inside the run directory, so give -artifact_prefix an absolute path.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::filesystem::current_path(run_directory);
    const fuzz_entry::outcome outcome = fuzz_entry::dialogue_bytes(data, size);
    std::filesystem::current_path(own_directory);
    return outcome == fuzz_entry::outcome::refused ? -1 : 0;
}
