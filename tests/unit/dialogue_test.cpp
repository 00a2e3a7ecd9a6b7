#include "driver/dialogue.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "run/failure.hpp"
#include "support/capture.hpp"
#include "support/temp_dir.hpp"

namespace {

const std::string banner = "You are using Spotweave 5.0 released on Jan 30, 2002.\n -----------------------\n";
const std::string count_prompt = "Input the number of data files you want to merge together:  ";
const std::string count_retry = "Invalid Input! You are expected to enter a integer!\n\n";
const std::string count_range = "Invalid Input! You are expected to enter an integer from 1 to 99!\n\n";
const std::string replicate_prompt = "\n Input the number of replicated spots in each file:  ";
const std::string replicate_retry =
    "\n Invalid Input! You are expected to enter a positive integer!\n\nInput the number of replicated spots in "
    "each slides:  ";
const std::string names_intro = "\n Input the file names(no space allowed  within a filename):  \n";
const std::string approach_menu =
    "There are 5 different approaches used by GenePix Pro 3.0 to calculate channel ratio from Pixel Intensities, "
    "these are:\n1 --- Ratio of Medians.\n2 --- Ratio of Means.\n3 --- Median of Ratios.\n4 --- Mean of Ratios.\n5 "
    "--- Regression Ratio.\n\nPlease enter a number (1,2,3,4,5) to make your choice:  \n";
const std::string approach_retry =
    "Invalid Input, you are expected to enter a number from 1 to 5\nPlease enter your choice again:  \n";
const std::string c_prompt =
    "Please input the constant C for the quality control purpose:\nif for a spot the fraction "
    "(intensity/background) less than C for both channel,\nthen this spot will be not accounted for. (1.0 <= C<= "
    "5.0, C=2.0 recommended)\nC=\n";
const std::string c_retry =
    "Invalid Input, you are expected to enter a real number from 1.0 to 5.0\nPlease enter C again:  \n";
const std::string ended = "\nThe answers ended before the dialogue was complete.\n";

std::string file_prompt(int h) { return "\n file name " + std::to_string(h) + ":  "; }
std::string cant_open(const std::string& name) {
    return "can't open  file: " + name + "\n Please enter the file name again\n";
}
std::string used(const std::string& name, int j) {
    return name + " has been used by file name " + std::to_string(j) + "\n Please enter the file name again\n";
}
std::string listing(std::initializer_list<std::string> names) {
    std::string text = "\n\nThe Files you want to merge are\n";
    int h = 1;
    for (const std::string& name : names) text += "  File name " + std::to_string(h++) + ":\t " + name + "\n";
    return text + "\n\n";
}

struct outcome {
    std::string console;
    run_settings t;
    int status = 0;  // -1 when the dialogue completed
    bool waited = false;
};

// Runs the dialogue in a directory holding a.txt, b.txt and a folder sub/.
class dialogue : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fresh_temp_directory("spotweave-dialogue");
        saved_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        std::ofstream("a.txt") << "ATF\n";
        std::ofstream("b.txt") << "ATF\n";
        std::ofstream("data1.txt") << "ATF\n";
        ASSERT_TRUE(std::filesystem::create_directory("sub"));
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(dir_);
    }
    outcome run(const std::string& answers) {
        outcome o;
        o.status = -1;
        std::FILE* in = fmemopen(const_cast<char*>(answers.data()), answers.size(), "r");
        o.console = capture_stdout([&] {
            try {
                run_dialogue(in, o.t);
            } catch (const run_failure& end) {
                o.status = end.status;
                o.waited = end.wait_for_key;
                std::fputs(end.text.c_str(), stdout);  // as the entry point prints it
            }
        });
        std::fclose(in);
        return o;
    }
    std::filesystem::path dir_;
    std::filesystem::path saved_;
};

}  // namespace

TEST_F(dialogue, complete_run_prints_every_prompt) {
    const outcome o = run("2\n3\na.txt\nb.txt\n1\n2.0\n");
    EXPECT_EQ(o.status, -1);
    EXPECT_EQ(o.console, banner + count_prompt + replicate_prompt + names_intro + file_prompt(1) + file_prompt(2) +
                             listing({"a.txt", "b.txt"}) + approach_menu + c_prompt);
    EXPECT_EQ(o.t.file_count(), 2);
    EXPECT_EQ(o.t.replicate_count, 3);
    EXPECT_STREQ(o.t.file_name(2), "b.txt");
    EXPECT_EQ(o.t.ratio_approach, 1);
    EXPECT_EQ(o.t.qc_constant, 2.0);
}

TEST_F(dialogue, file_count_answers) {
    struct {
        const char* answers;
        std::string retries;
        int count;
    } cases[] = {
        {"0 abc x3 3abc", count_retry + count_prompt + count_retry + count_prompt + count_retry + count_prompt, 3},
        {"3.9", "", 3},
        {"-2 100 +1", count_range + count_prompt + count_range + count_prompt, 1},
        {"99999999999 1", count_range + count_prompt, 1},
    };
    for (const auto& c : cases) {
        std::string names;
        for (const char* n : {"a.txt", "b.txt", "data1.txt"}) names += std::string(" ") + n;
        const outcome o = run(std::string(c.answers) + " 1" + names + " 1 2\n");
        EXPECT_EQ(o.t.file_count(), c.count) << c.answers;
        EXPECT_EQ(o.console.substr(0, banner.size() + count_prompt.size() + c.retries.size() + replicate_prompt.size()),
                  banner + count_prompt + c.retries + replicate_prompt)
            << c.answers;
    }
}

TEST_F(dialogue, replicate_count_refuses_zero_and_negative) {
    const outcome o = run("1 0 -2 2 a.txt 1 2");
    EXPECT_EQ(o.t.replicate_count, 2);
    EXPECT_EQ(o.console.substr(0, banner.size() + count_prompt.size() + replicate_prompt.size() +
                                      2 * replicate_retry.size() + names_intro.size()),
              banner + count_prompt + replicate_prompt + replicate_retry + replicate_retry + names_intro);
}

TEST_F(dialogue, two_answers_on_one_line_serve_two_prompts) {
    const outcome o = run("2 3\na.txt b.txt 5 1\n");
    EXPECT_EQ(o.t.file_count(), 2);
    EXPECT_EQ(o.t.replicate_count, 3);
    EXPECT_EQ(o.t.ratio_approach, 5);
    EXPECT_EQ(o.t.qc_constant, 1.0);
}

TEST_F(dialogue, names_that_cannot_be_opened_or_repeat_are_asked_again) {
    // DATA1.txt and data1.txt are different names, whatever the file system makes of them.
    std::ofstream("DATA1.txt") << "ATF\n";
    const outcome o = run("3 1 missing.txt a.txt a.txt sub DATA1.txt DATA1.txt data1.txt 1 2");
    EXPECT_EQ(o.status, -1);
    const std::string expected = names_intro + file_prompt(1) + cant_open("missing.txt") + file_prompt(1) +
                                 file_prompt(2) + used("a.txt", 1) + file_prompt(2) + cant_open("sub") +
                                 file_prompt(2) + file_prompt(3) + used("DATA1.txt", 2) + file_prompt(3) +
                                 listing({"a.txt", "DATA1.txt", "data1.txt"});
    EXPECT_NE(o.console.find(expected), std::string::npos) << o.console;
}

TEST_F(dialogue, names_longer_than_fifty_are_refused) {
    const std::string long_name(51, 'n');
    const std::string fifty(50, 'f');
    std::ofstream(fifty) << "ATF\n";
    const outcome o = run("1 1 " + long_name + " " + fifty + " 1 2");
    EXPECT_EQ(o.status, -1);
    EXPECT_NE(o.console.find(file_prompt(1) +
                             "The file name is longer than 50 characters\n Please enter the file name again\n" +
                             file_prompt(1) + listing({fifty})),
              std::string::npos);
    EXPECT_EQ(std::string(o.t.file_name(1)), fifty);
}

TEST_F(dialogue, approach_answers) {
    const outcome o = run("1 1 a.txt 0 6 five 4.8 2");
    EXPECT_EQ(o.t.ratio_approach, 4);
    EXPECT_NE(o.console.find(approach_menu + approach_retry + approach_retry + approach_retry + c_prompt),
              std::string::npos);
}

TEST_F(dialogue, c_answers) {
    for (const char* good : {"1", "5", "5.0", "2", "2.5abc"}) {
        const outcome o = run(std::string("1 1 a.txt 1 ") + good);
        EXPECT_EQ(o.status, -1) << good;
        EXPECT_EQ(o.console.substr(o.console.size() - c_prompt.size()), c_prompt) << good;
    }
    const outcome o = run("1 1 a.txt 1 0.99 5.01 abc nan inf 1e500 1.0");
    EXPECT_EQ(o.t.qc_constant, 1.0);
    std::string retries;
    for (int i = 0; i < 6; ++i) retries += c_retry;
    EXPECT_EQ(o.console.substr(o.console.size() - c_prompt.size() - retries.size()), c_prompt + retries);
}

TEST_F(dialogue, answers_ending_at_any_prompt_end_the_run) {
    const char* prefixes[] = {"",
                              "0",
                              "1",
                              "1 0",
                              "1 1",
                              "2 1 a.txt",
                              "1 1 missing",
                              "1 1 a.txt",
                              "1 1 a.txt 9",
                              "1 1 a.txt 1",
                              "1 1 a.txt 1 0.5",
                              "1 1 a.txt 1 \n\n  "};
    for (const char* prefix : prefixes) {
        const outcome o = run(prefix);
        EXPECT_EQ(o.status, 1) << '"' << prefix << '"';
        EXPECT_FALSE(o.waited) << prefix;
        EXPECT_EQ(o.console.substr(o.console.size() - ended.size()), ended) << prefix;
    }
}

TEST(answer_conversion, like_atoi_and_atof) {
    EXPECT_EQ(answer_to_int("3abc"), 3);
    EXPECT_EQ(answer_to_int("-2"), -2);
    EXPECT_EQ(answer_to_int("+7"), 7);
    EXPECT_EQ(answer_to_int("x3"), 0);
    EXPECT_EQ(answer_to_int("-"), 0);
    EXPECT_EQ(answer_to_int("4294967297"), 2147483647);
    EXPECT_EQ(answer_to_int("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(answer_to_real("2.5e0x"), 2.5);
    EXPECT_EQ(answer_to_real(".5"), 0.5);
    EXPECT_EQ(answer_to_real("abc"), 0.0);
    EXPECT_TRUE(answer_to_real("nan") != answer_to_real("nan"));
    // An exponent marker without digits ends the number, as atof reads it.
    EXPECT_EQ(answer_to_real("2e"), 2.0);
    EXPECT_EQ(answer_to_real("1.5E-"), 1.5);
    EXPECT_EQ(answer_to_real("3e+x"), 3.0);
    EXPECT_EQ(answer_to_real("2e1"), 20.0);
}

TEST_F(dialogue, c_with_a_dangling_exponent_is_taken_at_once) {
    for (const auto& [answer, value] : {std::pair{"2e", 2.0}, std::pair{"1.5E-", 1.5}}) {
        const outcome o = run(std::string("1 1 a.txt 1 ") + answer);
        EXPECT_EQ(o.status, -1) << answer;
        EXPECT_EQ(o.t.qc_constant, value) << answer;
        EXPECT_EQ(o.console.find(c_retry), std::string::npos) << answer;
    }
}
