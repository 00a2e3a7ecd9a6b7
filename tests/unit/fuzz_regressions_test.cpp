// Inputs kept from fuzzing (tests/fuzz/regressions), fed again to the same
// three entry points as the fuzz targets: the sizing scan, the header walk
// with the rows, and the whole run on the answers. Each must end normally or
// through run_failure; a crash or a sanitizer report ends the test binary.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/entry_points.hpp"
#include "support/capture.hpp"

namespace {

namespace fs = std::filesystem;

fs::path regressions_folder() { return fs::path(__FILE__).parent_path().parent_path() / "fuzz" / "regressions"; }

std::vector<fs::path> regression_files() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(regressions_folder(), error))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string contents_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Inputs of findings not fixed yet, by file name, with the finding they show.
const std::map<std::string, std::string> open_findings = {};

template <class Entry>
void feed_every_file(Entry entry) {
    const std::vector<fs::path> files = regression_files();
    ASSERT_FALSE(files.empty()) << "no inputs in " << regressions_folder();
    std::string skipped;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        if (const auto open = open_findings.find(name); open != open_findings.end()) {
            skipped += name + ": " + open->second + "\n";
            continue;
        }
        SCOPED_TRACE(name);
        const std::string bytes = contents_of(file);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        // Any exception but run_failure escapes the entry points.
        capture_stdout([&] { EXPECT_NO_THROW(entry(data, bytes.size())); });
    }
    if (!skipped.empty()) GTEST_SKIP() << "open findings:\n" << skipped;
}

// Runs in a fresh directory holding the result files "a" and "b", as the
// dialogue target does, and leaves the test's own directory as it was.
class run_directory {
public:
    run_directory() : previous_(fs::current_path()), dir_(fuzz_entry::make_run_directory()) { fs::current_path(dir_); }
    ~run_directory() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(dir_, ignored);
    }
    run_directory(const run_directory&) = delete;
    run_directory& operator=(const run_directory&) = delete;

private:
    fs::path previous_;
    fs::path dir_;
};

TEST(FuzzRegressions, SizingScanEndsNormallyOrWithRunEnd) { feed_every_file(fuzz_entry::sizing_scan_bytes); }

TEST(FuzzRegressions, HeaderWalkAndRowsEndNormallyOrWithRunEnd) { feed_every_file(fuzz_entry::header_and_rows_bytes); }

TEST(FuzzRegressions, TitledFileEndsNormallyOrWithRunEnd) { feed_every_file(fuzz_entry::titled_file_bytes); }

TEST(FuzzRegressions, WholeRunEndsNormallyOrWithRunEnd) {
    run_directory dir;
    feed_every_file(fuzz_entry::dialogue_bytes);
}

// The two files the dialogue inputs name make a complete run.
TEST(FuzzRegressions, RunDirectoryFilesMakeACompleteRun) {
    run_directory dir;
    const std::string answers = "2\n2\na\nb\n1\n2.0\n\n";
    fuzz_entry::outcome outcome = fuzz_entry::outcome::refused;
    const std::string console = capture_stdout([&] {
        outcome = fuzz_entry::dialogue_bytes(reinterpret_cast<const std::uint8_t*>(answers.data()), answers.size());
    });
    EXPECT_EQ(outcome, fuzz_entry::outcome::normal);
    EXPECT_NE(console.find("The number of total spots in each file:  8\n"), std::string::npos) << console;
    EXPECT_NE(console.find("\nOK!\n"), std::string::npos) << console;
}

}  // namespace
