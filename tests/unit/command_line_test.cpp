#include "driver/command_line.hpp"
#include "report/report_file.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/workers.hpp"

namespace {

parsed_command_line parse(std::vector<std::string> args) {
    args.insert(args.begin(), "spotweave");
    return parse_command_line(args);
}

std::string problem(const std::vector<std::string>& args) {
    const parsed_command_line p = parse(args);
    EXPECT_EQ(p.action, command_action::usage_error) << p.text;
    return p.text;
}

}  // namespace

TEST(command_line, defaults_match_the_recommended_answers) {
    const parsed_command_line p = parse({"a.gpr"});
    ASSERT_EQ(p.action, command_action::run) << p.text;
    const run_settings& s = p.settings;
    EXPECT_EQ(s.files, std::vector<std::string>{"a.gpr"});
    EXPECT_EQ(s.replicate_count, 1);
    EXPECT_EQ(s.ratio_approach, 1);
    EXPECT_EQ(s.qc_constant, 2.0);
    EXPECT_EQ(final_report_path(s, "merge.txt"), "merge.txt");
    EXPECT_TRUE(s.stage_reports);
    EXPECT_TRUE(s.check_layout);
    EXPECT_TRUE(s.check_replicate_ids);
    EXPECT_TRUE(s.summary);
}

TEST(command_line, every_option_long_and_short) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-r", "3", "-a", "4", "-c", "1.5", "-o", "out", "-q", "--allow-layout-mismatch",
                                   "x.gpr", "y.gpr"},
          std::vector<std::string>{"--replicates=3", "--approach", "mean-of-ratios", "--qc", "1.5", "--output-dir",
                                   "out", "--quiet", "x.gpr", "--allow-layout-mismatch", "y.gpr"}}) {
        const parsed_command_line p = parse(args);
        ASSERT_EQ(p.action, command_action::run) << p.text;
        EXPECT_EQ(p.settings.files, (std::vector<std::string>{"x.gpr", "y.gpr"}));
        EXPECT_EQ(p.settings.replicate_count, 3);
        EXPECT_EQ(p.settings.ratio_approach, 4);
        EXPECT_EQ(p.settings.qc_constant, 1.5);
        EXPECT_TRUE(p.quiet);
        EXPECT_FALSE(p.settings.check_layout);
    }
}

TEST(command_line, approaches_by_number_and_by_name) {
    const char* const names[6] = {"", "medians", "means", "median-of-ratios", "mean-of-ratios", "regression"};
    for (int a = 1; a <= 5; ++a) {
        EXPECT_EQ(parse({"-a", std::to_string(a), "f"}).settings.ratio_approach, a);
        EXPECT_EQ(parse({"-a", names[a], "f"}).settings.ratio_approach, a);
    }
    for (const char* wrong : {"0", "6", "Medians", "median", "1.0", ""})
        EXPECT_NE(problem({"-a", wrong, "f"}).find("--approach"), std::string::npos) << wrong;
}

TEST(command_line, c_bounds_are_inclusive_and_the_number_must_be_whole) {
    EXPECT_EQ(parse({"-c", "1.0", "f"}).settings.qc_constant, 1.0);
    EXPECT_EQ(parse({"-c", "5", "f"}).settings.qc_constant, 5.0);
    EXPECT_EQ(parse({"-c", "2.5e0", "f"}).settings.qc_constant, 2.5);
    for (const char* wrong : {"0.999", "5.0001", "nan", "inf", "2.0 ", "two", "-2"})
        EXPECT_EQ(problem({"-c", wrong, "f"}), std::string("--qc ") + wrong + ": expected a number from 1.0 to 5.0");
}

TEST(command_line, replicates_must_be_a_positive_whole_number) {
    EXPECT_EQ(parse({"-r", "4", "f"}).settings.replicate_count, 4);
    for (const char* wrong : {"0", "-1", "+2", "2.0", "x", "99999999999"})
        EXPECT_EQ(problem({"-r", wrong, "f"}),
                  std::string("--replicates ") + wrong + ": expected a whole number of at least 1");
}

TEST(command_line, file_count_from_1_to_99) {
    EXPECT_EQ(problem({"-r", "2"}), "no result files given");
    std::vector<std::string> files;
    for (int i = 1; i <= 99; ++i) files.push_back("f" + std::to_string(i));
    EXPECT_EQ(parse(files).settings.file_count(), 99);
    files.push_back("f100");
    EXPECT_EQ(problem(files), "100 result files given; at most 99 can be merged");
}

TEST(command_line, a_file_given_twice_is_named) {
    EXPECT_EQ(problem({"a.gpr", "b.gpr", "a.gpr"}), "the file a.gpr is given more than once");
    EXPECT_EQ(problem({"a.gpr", ""}), "an empty file name was given");
    EXPECT_EQ(problem({"run/a.gpr", "run/../run/./a.gpr"}), "the file run/../run/./a.gpr is given more than once");
    // Different files of one name in different folders are fine.
    EXPECT_EQ(parse({"day1/a.gpr", "day2/a.gpr"}).action, command_action::run);
}

TEST(command_line, paths_of_any_length_and_files_after_the_double_dash) {
    const std::string deep = "folder/" + std::string(300, 'n') + ".gpr";
    const parsed_command_line p = parse({"-r", "2", "--", deep, "-a", "--qc"});
    ASSERT_EQ(p.action, command_action::run) << p.text;
    EXPECT_EQ(p.settings.files, (std::vector<std::string>{deep, "-a", "--qc"}));
    EXPECT_EQ(p.settings.ratio_approach, 1);
}

TEST(command_line, unknown_options_and_missing_values) {
    EXPECT_NE(problem({"--jobs", "2", "f"}).find("--jobs"), std::string::npos);
    EXPECT_NE(problem({"-x", "f"}).find("-x"), std::string::npos);
    EXPECT_EQ(problem({"f", "-c"}), "--qc: the value is missing");
    EXPECT_EQ(problem({"-o"}), "--output-dir: the value is missing");
}

TEST(command_line, an_option_given_twice_is_named_as_such) {
    EXPECT_EQ(problem({"-r", "3", "-r", "4", "f"}), "--replicates is given more than once; give it once");
    EXPECT_EQ(problem({"-c", "2", "f", "--qc=3"}), "--qc is given more than once; give it once");
    EXPECT_EQ(problem({"-o", "a", "-o", "b", "f"}), "--output-dir is given more than once; give it once");
    // A value that is missing is still said to be missing.
    EXPECT_EQ(problem({"f", "-a"}), "--approach: the value is missing");
}

TEST(command_line, a_decimal_comma_in_c_is_named) {
    EXPECT_EQ(problem({"-c", "2,5", "f"}),
              "--qc 2,5: C takes a decimal point, not a comma (2.5); expected a number from 1.0 to 5.0");
    EXPECT_EQ(problem({"-c", "7,5", "f"}),
              "--qc 7,5: C takes a decimal point, not a comma (7.5); expected a number from 1.0 to 5.0");
    EXPECT_EQ(problem({"-c", "2,5,1", "f"}), "--qc 2,5,1: expected a number from 1.0 to 5.0");
    EXPECT_EQ(problem({"-c", "x", "f"}), "--qc x: expected a number from 1.0 to 5.0");
}

TEST(command_line, help_and_version) {
    const parsed_command_line help = parse({"a.gpr", "--help"});
    EXPECT_EQ(help.action, command_action::help);
    for (const char* option : {"--replicates", "--approach", "--qc", "--output-dir", "--threads", "--quiet", "--help",
                               "--version", "--allow-layout-mismatch", "Example:"})
        EXPECT_NE(help.text.find(option), std::string::npos) << option;
    const parsed_command_line version = parse({"-V"});
    EXPECT_EQ(version.action, command_action::version);
    EXPECT_EQ(version.text, "spotweave 5.0\n");
}

TEST(command_line, threads_from_one_to_256_and_the_cores_by_default) {
    EXPECT_EQ(parse({"a.gpr"}).settings.threads, machine_cores());
    EXPECT_EQ(parse({"-j", "1", "a.gpr"}).settings.threads, 1);
    EXPECT_EQ(parse({"--threads=7", "a.gpr"}).settings.threads, 7);
    EXPECT_EQ(parse({"--threads", "256", "a.gpr"}).settings.threads, 256);
    for (const char* bad : {"0", "257", "-2", "2x", "", "99999999999"})
        EXPECT_NE(problem({"-j", bad, "a.gpr"}).find(std::string("--threads ") + bad + ": expected a whole number"),
                  std::string::npos)
            << bad;
}
