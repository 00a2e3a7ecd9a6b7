// Plays every case folder of tests/e2e/cases (see support/case_folders.hpp)
// against the built program: the case is staged in a fresh folder, the
// program runs there with its answers or arguments, and its standard output,
// standard error, exit status and the files it leaves are compared byte for
// byte with expected/. A failing case keeps its folder for a look.
//
// Every dialogue case whose answers are one plain answer a question is also
// run as a command line at the machine's cores and at 1, 2 and 7 threads: a
// finished run must write the dialogue's reports, a failed one its failure
// text on standard error with the same status.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

const char* const reports[] = {"cor.txt", "data.txt", "merge.txt"};

std::string shell_word(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct run_result {
    int status = -1;
    std::string out, err;
};

// The program in `work` with `args`, standard input from `input` (or empty);
// what it prints is kept beside the work folder, not in it.
run_result run_program(const fs::path& work, const std::vector<std::string>& args, const fs::path& input) {
    const fs::path out = work.string() + ".out", err = work.string() + ".err";
    std::string command = "cd " + quoted(work) + " && timeout 120 " + quoted(SPOTWEAVE_BINARY);
    for (const std::string& arg : args) command += " " + shell_word(arg);
    command +=
        " < " + (input.empty() ? std::string("/dev/null") : quoted(input)) + " > " + quoted(out) + " 2> " + quoted(err);
    const int raw = std::system(command.c_str());
    run_result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_file(out);
    r.err = read_file(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

std::string test_name(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class e2e : public testing::TestWithParam<std::string> {};

TEST_P(e2e, case_matches_expected) {
    const fs::path source = fs::path(SPOTWEAVE_CASES) / GetParam();
    const bool command_line = fs::exists(source / "args.txt");
    std::vector<std::string> args;
    if (command_line) {
        const auto given = case_arguments(source, SPOTWEAVE_REALDATA);
        if (!given) GTEST_SKIP() << "skipped: the real result files are not in " << SPOTWEAVE_REALDATA;
        args = *given;
    }
    const fs::path work = fresh_temp_directory("spotweave-e2e");
    ASSERT_TRUE(stage_case(source, work)) << "setup.sh failed";
    const fs::path answers = fs::exists(source / "answers.txt") ? source / "answers.txt" : fs::path();
    const run_result r = run_program(work, args, answers);
    const std::vector<std::string> found = differences(source, work, with_placeholder(r.out, SPOTWEAVE_REALDATA),
                                                       with_placeholder(r.err, SPOTWEAVE_REALDATA), r.status);
    for (const std::string& difference : found) ADD_FAILURE() << difference;
    if (found.empty())
        fs::remove_all(work);
    else
        ADD_FAILURE() << "kept for inspection: " << work;
}

INSTANTIATE_TEST_SUITE_P(cases, e2e, testing::ValuesIn(case_names(SPOTWEAVE_CASES)), test_name);

// The command-line arguments for the answers of a dialogue case, or none
// when they are not one plain answer per question of a run the command line
// can make (no retries, no setup, every file there).
std::optional<std::vector<std::string>> options_from_answers(const fs::path& source) {
    if (fs::exists(source / "setup.sh") || !fs::exists(source / "answers.txt")) return std::nullopt;
    std::istringstream text(read_file(source / "answers.txt"));
    std::vector<std::string> words;
    for (std::string word; text >> word;) words.push_back(word);
    auto number = [](const std::string& word, int& value) {
        return !word.empty() && word.find_first_not_of("0123456789") == std::string::npos && word.size() < 9 &&
               (value = std::stoi(word), true);
    };
    int count = 0, replicates = 0;
    if (words.size() < 2 || !number(words[0], count) || !number(words[1], replicates)) return std::nullopt;
    if (count < 1 || count > 99 || replicates < 1 || words.size() < static_cast<std::size_t>(count) + 4)
        return std::nullopt;
    const std::vector<std::string> names(words.begin() + 2, words.begin() + 2 + count);
    const std::string approach = words[static_cast<std::size_t>(count) + 2];
    const std::string qc = words[static_cast<std::size_t>(count) + 3];
    if (approach.size() != 1 || approach[0] < '1' || approach[0] > '5') return std::nullopt;
    if (std::set<std::string>(names.begin(), names.end()).size() != names.size()) return std::nullopt;
    for (const std::string& name : names)
        if (!fs::is_regular_file(source / name)) return std::nullopt;
    std::vector<std::string> args = {"-r", words[1], "-a", approach, "-c", qc};
    args.insert(args.end(), names.begin(), names.end());
    return args;
}

// The one case whose files the command line's layout check refuses: its
// second file has more rows than its first.
const std::set<std::string> layouts_refused = {"two_answers_one_line"};

class dialogue_as_command_line : public testing::TestWithParam<std::string> {};

TEST_P(dialogue_as_command_line, writes_the_dialogues_reports_at_every_thread_count) {
    const fs::path source = fs::path(SPOTWEAVE_CASES) / GetParam();
    std::optional<std::vector<std::string>> options = options_from_answers(source);
    ASSERT_TRUE(options.has_value());
    if (layouts_refused.count(GetParam()) != 0) options->insert(options->begin(), "--allow-layout-mismatch");
    const fs::path expected = source / "expected";
    const int status = std::stoi(read_file(expected / "status"));
    const fs::path work = fresh_temp_directory("spotweave-cli");
    ASSERT_TRUE(stage_case(source, work));
    run_result reference;
    for (const char* threads : {"", "1", "2", "7"}) {
        SCOPED_TRACE(*threads ? std::string("-j ") + threads : std::string("the machine's cores"));
        const std::string out = std::string("out/j") + threads;
        std::vector<std::string> args = {"-o", out};
        if (*threads) args.insert(args.end(), {"-j", threads});
        args.insert(args.end(), options->begin(), options->end());
        run_result r = run_program(work, args, {});
        EXPECT_EQ(r.status, status);
        if (status == 0) {
            for (const char* report : reports)
                EXPECT_EQ(read_file(work / out / report), read_file(expected / report)) << report;
            EXPECT_NE(r.out.find(out + "/merge.txt"), std::string::npos) << "the summary names no merge.txt";
        } else {
            // One message, "spotweave: " and the dialogue's words, without
            // the blank line and blank the dialogue puts before them.
            const std::string console = read_file(expected / "console.txt");
            const std::string closing = "press any key to exit the program\n";
            const std::string prefix = "spotweave: ";
            ASSERT_GT(r.err.size(), prefix.size() + 1) << r.err;
            EXPECT_EQ(r.err.substr(0, prefix.size()), prefix);
            EXPECT_EQ(r.err.back(), '\n');
            EXPECT_EQ(r.err.find("\n\n"), std::string::npos) << r.err;
            const std::string words = r.err.substr(prefix.size(), r.err.size() - prefix.size() - 1);
            ASSERT_TRUE(console.ends_with(closing));
            const std::string before = console.substr(0, console.size() - closing.size());
            EXPECT_TRUE(before.ends_with(words + "\n") || before.ends_with(words + "\n\n"))
                << "standard error is not the dialogue's failure text: " << r.err;
            EXPECT_EQ((r.out + r.err).find(closing), std::string::npos) << "the command line asks for a key";
        }
        // The same console at every count, the folder named aside.
        for (std::size_t at = 0; (at = r.out.find(out, at)) != std::string::npos; at += 5)
            r.out.replace(at, out.size(), "out/j");
        if (*threads == '\0') {
            reference = r;
        } else {
            EXPECT_EQ(r.out, reference.out);
            EXPECT_EQ(r.err, reference.err);
        }
    }
    fs::remove_all(work);
}

// The dialogue cases the command line can replay.
std::vector<std::string> plain_dialogue_cases() {
    std::vector<std::string> plain;
    for (const std::string& name : case_names(SPOTWEAVE_CASES))
        if (options_from_answers(fs::path(SPOTWEAVE_CASES) / name)) plain.push_back(name);
    return plain;
}

INSTANTIATE_TEST_SUITE_P(cases, dialogue_as_command_line, testing::ValuesIn(plain_dialogue_cases()), test_name);

// The rewriting progress line appears where standard error is a terminal
// (script(1) gives the program one), and nowhere else.
TEST(command_line, progress_line_only_on_a_terminal) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "skipped: script(1) not installed";
    const fs::path work = fresh_temp_directory("spotweave-tty");
    fs::copy(fs::path(SPOTWEAVE_CASES) / "one_file_basic" / "slide1.gpr", work / "slide1.gpr");
    const fs::path shown = work.string() + ".shown";
    const std::string command = "cd " + quoted(work) + " && script -qec " +
                                shell_word(shell_word(SPOTWEAVE_BINARY) + " -o tty slide1.gpr") +
                                " /dev/null < /dev/null > " + quoted(shown);
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = read_file(shown);
    EXPECT_NE(text.find("\rloading file 1 of 1"), std::string::npos) << text;
    EXPECT_NE(text.find("\rwriting merge.txt"), std::string::npos) << text;
    const run_result plain = run_program(work, {"-o", "plain", "slide1.gpr"}, {});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ((plain.out + plain.err).find('\r'), std::string::npos) << "a progress line on a redirected console";
    fs::remove_all(work);
    fs::remove(shown);
}

}  // namespace
