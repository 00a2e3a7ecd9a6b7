// The sizing scan over arbitrary bytes taken as file 1.
#include <cstddef>
#include <cstdint>

#include "entry_points.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_entry::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz_entry::sizing_scan_bytes(data, size) == fuzz_entry::outcome::refused ? -1 : 0;
}
