// Every end-to-end case run inside the test process at 1, 2 and 7 threads:
// console, standard error, exit status and every report must be exactly the
// expected ones at each count.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/run.hpp"
#include "support/capture.hpp"
#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

struct case_run {
    std::string console, errors;
    int status = -1;
};

// Copies the case to a fresh folder and runs it there, in this process.
case_run run_case(const fs::path& source, const fs::path& work, int threads) {
    if (!stage_case(source, work)) ADD_FAILURE() << "setup.sh failed";
    std::FILE* answers = std::fopen((source / "answers.txt").string().c_str(), "rb");
    EXPECT_NE(answers, nullptr);
    const fs::path before = fs::current_path();
    fs::current_path(work);
    case_run r;
    r.console = capture_stdout([&] { r.errors = capture_stderr([&] { r.status = run_spotweave(answers, threads); }); });
    fs::current_path(before);
    std::fclose(answers);
    return r;
}

class thread_counts : public testing::TestWithParam<std::string> {};

TEST_P(thread_counts, every_count_gives_the_expected_bytes) {
    const fs::path source = fs::path(SPOTWEAVE_CASES) / GetParam();
    const fs::path expected = source / "expected";
    for (int threads : {1, 2, 7}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const fs::path work = fresh_temp_directory("spotweave-threads");
        const case_run r = run_case(source, work, threads);
        EXPECT_EQ(r.console, read_file(expected / "console.txt"));
        EXPECT_EQ(std::to_string(r.status) + "\n", read_file(expected / "status"));
        if (fs::exists(expected / "stderr.txt")) {
            EXPECT_EQ(r.errors, read_file(expected / "stderr.txt"));
        }
        for (const char* report : {"cor.txt", "data.txt", "merge.txt"}) {
            if (fs::exists(expected / report)) {
                EXPECT_TRUE(read_file(work / report) == read_file(expected / report)) << report << " differs";
            } else {
                EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(work / report))) << report << " written";
            }
        }
        fs::remove_all(work);
    }
}

INSTANTIATE_TEST_SUITE_P(cases, thread_counts, testing::ValuesIn(case_names(SPOTWEAVE_CASES)),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
