// Every end-to-end case run inside the test process at 1, 2 and 7 threads:
// standard output, standard error, exit status and every file the run
// leaves must be exactly the expected ones at each count.
#include "driver/run.hpp"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/launch.hpp"
#include "support/capture.hpp"
#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

struct case_run {
    std::string out, err;
    int status = -1;
};

// Runs the staged case in `work`, in this process: the dialogue on its
// answers, or the command line on its arguments with -j first.
case_run run_case(const fs::path& source, const fs::path& work, const std::vector<std::string>* args, int threads) {
    std::FILE* answers = nullptr;
    if (fs::exists(source / "answers.txt")) answers = std::fopen((source / "answers.txt").string().c_str(), "rb");
    const fs::path before = fs::current_path();
    fs::current_path(work);
    case_run r;
    r.out = capture_stdout([&] {
        r.err = capture_stderr([&] {
            if (args == nullptr) {
                r.status = run_spotweave(answers, threads);
                return;
            }
            std::vector<std::string> line = {"spotweave", "-j", std::to_string(threads)};
            line.insert(line.end(), args->begin(), args->end());
            r.status = run_command_line(line);
        });
    });
    fs::current_path(before);
    if (answers != nullptr) std::fclose(answers);
    return r;
}

class thread_counts : public testing::TestWithParam<std::string> {};

TEST_P(thread_counts, every_count_gives_the_expected_bytes) {
    const fs::path source = fs::path(SPOTWEAVE_CASES) / GetParam();
    std::vector<std::string> args;
    const bool command_line = fs::exists(source / "args.txt");
    if (command_line) {
        const auto given = case_arguments(source, SPOTWEAVE_REALDATA);
        if (!given) GTEST_SKIP() << "skipped: the real result files are not in " << SPOTWEAVE_REALDATA;
        args = *given;
    }
    for (int threads : {1, 2, 7}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const fs::path work = fresh_temp_directory("spotweave-threads");
        ASSERT_TRUE(stage_case(source, work)) << "setup.sh failed";
        const case_run r = run_case(source, work, command_line ? &args : nullptr, threads);
        const std::string realdata = SPOTWEAVE_REALDATA;
        for (const std::string& difference :
             differences(source, work, with_placeholder(r.out, realdata), with_placeholder(r.err, realdata), r.status))
            ADD_FAILURE() << difference;
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
