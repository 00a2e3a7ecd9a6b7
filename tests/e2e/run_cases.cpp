// Runs every case folder of tests/e2e/cases: the case's files are copied to a
// fresh directory, the program runs there with answers.txt on standard input,
// and its console output, exit status and reports are compared byte for byte
// with expected/. A failing case keeps its directory for a look.
//
// A case folder holds: answers.txt; the input files; optional setup.sh (run in
// the directory first); expected/console.txt, expected/status, optional expected/stderr.txt and the
// reports the run must leave. A report missing from expected/ must not exist
// as a regular file (setup.sh may have put a folder or a link in its place).
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

class e2e : public testing::TestWithParam<std::string> {};

TEST_P(e2e, case_matches_expected) {
    const fs::path source = fs::path(SPOTWEAVE_CASES) / GetParam();
    const fs::path work = fresh_temp_directory("spotweave-e2e");

    ASSERT_TRUE(stage_case(source, work)) << "setup.sh failed";

    const std::string command = "cd " + quoted(work) + " && timeout 120 " + quoted(SPOTWEAVE_BINARY) + " < " +
                                quoted(source / "answers.txt") + " > console.out 2> console.err";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    const int status = WEXITSTATUS(raw);

    bool ok = true;
    auto check = [&](bool same, const std::string& what) {
        EXPECT_TRUE(same) << what;
        ok = ok && same;
    };
    const fs::path expected = source / "expected";
    check(read_file(work / "console.out") == read_file(expected / "console.txt"), "console output differs");
    check(std::to_string(status) + "\n" == read_file(expected / "status"),
          "exit status " + std::to_string(status) + " differs");
    if (fs::exists(expected / "stderr.txt"))
        check(read_file(work / "console.err") == read_file(expected / "stderr.txt"), "standard error differs");
    for (const char* report : {"cor.txt", "data.txt", "merge.txt"}) {
        if (fs::exists(expected / report))
            check(fs::exists(work / report) && read_file(work / report) == read_file(expected / report),
                  std::string(report) + " differs");
        else
            check(!fs::is_regular_file(fs::symlink_status(work / report)),
                  std::string(report) + " must not be written");
    }
    if (ok)
        fs::remove_all(work);
    else
        ADD_FAILURE() << "kept for inspection: " << work;
}

INSTANTIATE_TEST_SUITE_P(cases, e2e, testing::ValuesIn(case_names(SPOTWEAVE_CASES)),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
