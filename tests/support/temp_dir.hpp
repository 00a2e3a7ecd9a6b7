// A fresh directory of the test's own below the system's temporary folder.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

// Creates <temp>/<prefix>-<random> that did not exist before; throws when no
// such name can be created.
inline std::filesystem::path fresh_temp_directory(const std::string& prefix) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path();
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = base / (prefix + "-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(dir)) return dir;
    }
    throw std::runtime_error("no fresh directory could be created in " + base.string());
}
