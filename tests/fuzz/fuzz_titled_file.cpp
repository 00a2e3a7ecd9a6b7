// Files of the later layout: header records, title line and rows taken from
// the input, line 2's counts made to agree, read by the sizing scan and by
// the header walk with the rows, in place and byte by byte.
#include <cstddef>
#include <cstdint>

#include "entry_points.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_entry::quiet_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz_entry::titled_file_bytes(data, size) == fuzz_entry::outcome::refused ? -1 : 0;
}
