// The command line as a user meets it: what its messages look like and what
// a run leaves when it stops.
#include "driver/launch.hpp"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/command_line.hpp"
#include "report/report_file.hpp"
#include "run/console.hpp"
#include "support/capture.hpp"
#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

struct launched {
    std::string out, err;
    int status = -1;
};

// run_command_line in `work` with `args` after the program name.
launched launch(const fs::path& work, const std::vector<std::string>& args) {
    std::vector<std::string> line = {"spotweave"};
    line.insert(line.end(), args.begin(), args.end());
    const fs::path before = fs::current_path();
    fs::current_path(work);
    launched r;
    r.out = capture_stdout([&] { r.err = capture_stderr([&] { r.status = run_command_line(line); }); });
    fs::current_path(before);
    return r;
}

// What a failure text becomes on a console.
std::string written(bool command_line, const std::string& text) {
    console c;
    c.failures = stderr;
    c.command_line = command_line;
    return capture_stderr([&] { failure_text(c, "%s", text.c_str()); });
}

}  // namespace

TEST(command_line_messages, start_with_the_program_name_and_nothing_before_it) {
    EXPECT_EQ(written(true, "\n slide2.gpr, line 35: spot 5: bad\n"), "spotweave: slide2.gpr, line 35: spot 5: bad\n");
    EXPECT_EQ(written(true, "\n b.gpr is not a valid GenePix output file.\n\n"),
              "spotweave: b.gpr is not a valid GenePix output file.\n");
    // A message of two lines keeps its second line as it is.
    EXPECT_EQ(written(true, "can't open the data file <out/data.txt>\nclose the Excel file and try again.\n"),
              "spotweave: can't open the data file <out/data.txt>\nclose the Excel file and try again.\n");
    EXPECT_EQ(written(true, "warning: 2 of 3 genes"), "spotweave: warning: 2 of 3 genes\n");
    // The dialogue's words stay as they are.
    EXPECT_EQ(written(false, "\n slide2.gpr, line 35: bad\n"), "\n slide2.gpr, line 35: bad\n");
}

TEST(command_line_messages, a_held_failure_is_named_once_when_given_out) {
    console held = holding_console(true);
    failure_text(held, "%s", "\n b.gpr, line 3: bad\n");
    ASSERT_EQ(held.held.size(), 1u);
    EXPECT_EQ(held.held[0].text, "\n b.gpr, line 3: bad\n");
    console out;
    out.failures = stderr;
    out.command_line = true;
    EXPECT_EQ(capture_stderr([&] { print_held(out, held); }), "spotweave: b.gpr, line 3: bad\n");
}

TEST(command_line_messages, a_file_that_cannot_be_opened_says_why) {
    const fs::path work = fresh_temp_directory("spotweave-launch");
    fs::copy(fs::path(SPOTWEAVE_CASES) / "one_file_basic" / "slide1.gpr", work / "slide1.gpr");
    fs::create_directory(work / "folder.gpr");
    const launched missing = launch(work, {"-o", "out", "slide1.gpr", "missng.gpr"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "spotweave: can't open the data file: missng.gpr: No such file or directory\n");
    const launched folder = launch(work, {"-o", "out", "folder.gpr"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "spotweave: can't open the data file: folder.gpr: Is a directory\n");
    EXPECT_FALSE(fs::exists(work / "out"));
    fs::remove_all(work);
}

TEST(command_line_messages, each_files_factor_lines_are_headed_by_its_name) {
    const fs::path work = fresh_temp_directory("spotweave-launch");
    fs::create_directory(work / "day 1");
    fs::copy(fs::path(SPOTWEAVE_CASES) / "one_file_basic" / "slide1.gpr", work / "day 1" / "slide1.gpr");
    fs::copy(fs::path(SPOTWEAVE_CASES) / "one_file_basic" / "slide1.gpr", work / "copy.gpr");
    for (const char* threads : {"1", "2"}) {
        const launched r = launch(work, {"-j", threads, "-o", "out", "day 1/slide1.gpr", "copy.gpr"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("\nday 1/slide1.gpr: FileName=slide_635.tif\tslide_532.tif\nN. Factor-Ratio of Median: "),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("\ncopy.gpr: FileName=slide_635.tif\tslide_532.tif\nN. Factor-Ratio of Median: "),
                  std::string::npos)
            << r.out;
    }
    fs::remove_all(work);
}

TEST(launch, dropped_files_put_the_reports_next_to_the_first) {
    run_settings s = parse_command_line({"spotweave", "C:\\slides\\day 1\\a.gpr", "D:\\b.gpr"}).settings;
    settle_dropped_files(s);
#ifdef _WIN32
    EXPECT_EQ(final_report_path(s, "merge.txt"), "C:\\slides\\day 1\\merge.txt");
#endif
    s = parse_command_line({"spotweave", "/data/day 1/a.gpr", "b.gpr"}).settings;
    settle_dropped_files(s);
    EXPECT_EQ(s.output_dir, "/data/day 1");
    s = parse_command_line({"spotweave", "a.gpr"}).settings;
    settle_dropped_files(s);
    EXPECT_EQ(final_report_path(s, "merge.txt"), "merge.txt");
    s = parse_command_line({"spotweave", "-o", "out", "/data/a.gpr"}).settings;
    settle_dropped_files(s);
    EXPECT_EQ(s.output_dir, "out");
}
