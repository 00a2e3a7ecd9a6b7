#include "driver/dialogue.hpp"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "driver/version.hpp"
#include "input/byte_reader.hpp"
#include "numeric/decimal_number.hpp"
#include "run/failure.hpp"

namespace {

constexpr std::size_t answer_room = 49;

// Reads one whitespace-separated answer, keeping at most room + 1 bytes so an
// over-long one can be told apart.
std::string read_answer(std::FILE* answers) {
    std::fflush(stdout);
    int c;
    do c = std::getc(answers);
    while (c != EOF && is_space(c));
    if (c == EOF) {
        throw run_failure{1, false, nullptr, "\nThe answers ended before the dialogue was complete.\n"};
    }
    std::string answer;
    while (c != EOF && !is_space(c)) {
        if (answer.size() <= file_name_room) answer.push_back(static_cast<char>(c));
        c = std::getc(answers);
    }
    if (c != EOF) std::ungetc(c, answers);
    return answer;
}

std::string read_short_answer(std::FILE* answers) {
    std::string answer = read_answer(answers);
    if (answer.size() > answer_room) answer.resize(answer_room);
    return answer;
}

bool can_open(const std::string& name) {
    return name.find('\0') == std::string::npos && reading_error(name.c_str()) == 0;
}

void ask_file_count(std::FILE* answers, run_settings& s) {
    const char* prompt = "Input the number of data files you want to merge together:  ";
    std::printf("%s", prompt);
    int value = answer_to_int(read_short_answer(answers).c_str());
    while (value < 1 || value > 99) {
        if (value == 0)
            std::printf("Invalid Input! You are expected to enter a integer!\n\n");
        else
            std::printf("Invalid Input! You are expected to enter an integer from 1 to 99!\n\n");
        std::printf("%s", prompt);
        value = answer_to_int(read_short_answer(answers).c_str());
    }
    s.files.assign(static_cast<std::size_t>(value), std::string());
}

void ask_replicate_count(std::FILE* answers, run_settings& s) {
    std::printf("\n Input the number of replicated spots in each file:  ");
    int value = answer_to_int(read_short_answer(answers).c_str());
    while (value < 1) {
        std::printf("\n Invalid Input! You are expected to enter a positive integer!\n\n");
        std::printf("Input the number of replicated spots in each slides:  ");
        value = answer_to_int(read_short_answer(answers).c_str());
    }
    s.replicate_count = value;
}

void ask_file_names(std::FILE* answers, run_settings& s) {
    std::printf("\n Input the file names(no space allowed  within a filename):  ");
    std::printf("\n");
    for (int h = 1; h <= s.file_count(); ++h) {
        for (;;) {
            std::printf("\n file name %d:  ", h);
            const std::string name = read_answer(answers);
            if (name.size() > file_name_room) {
                std::printf("The file name is longer than %d characters\n Please enter the file name again\n",
                            file_name_room);
                continue;
            }
            std::string& stored_name = s.files[static_cast<std::size_t>(h - 1)];
            stored_name = name;
            // Shown and compared as C text, up to a zero byte if one was typed.
            const char* stored = stored_name.c_str();
            bool passed = true;
            if (!can_open(name)) {
                std::printf("can't open  file: %s\n Please enter the file name again\n", stored);
                passed = false;
            }
            for (int j = 1; j < h; ++j)
                if (std::strcmp(stored, s.file_name(j)) == 0) {
                    std::printf("%s has been used by file name %d\n Please enter the file name again\n", stored, j);
                    passed = false;
                }
            if (passed) break;
        }
    }
    std::printf("\n\nThe Files you want to merge are\n");
    for (int h = 1; h <= s.file_count(); ++h) std::printf("  File name %d:\t %s\n", h, s.file_name(h));
    std::printf("\n\n");
}

void ask_ratio_approach(std::FILE* answers, run_settings& s) {
    std::printf(
        "There are 5 different approaches used by GenePix Pro 3.0 to calculate channel ratio from Pixel "
        "Intensities, these are:\n");
    std::printf("1 --- Ratio of Medians.\n");
    std::printf("2 --- Ratio of Means.\n");
    std::printf("3 --- Median of Ratios.\n");
    std::printf("4 --- Mean of Ratios.\n");
    std::printf("5 --- Regression Ratio.\n\n");
    std::printf("Please enter a number (1,2,3,4,5) to make your choice:  ");
    int value = answer_to_int(read_short_answer(answers).c_str());
    std::printf("\n");
    while (value < 1 || value > 5) {
        std::printf("Invalid Input, you are expected to enter a number from 1 to 5\nPlease enter your choice again:  ");
        value = answer_to_int(read_short_answer(answers).c_str());
        std::printf("\n");
    }
    s.ratio_approach = value;
}

void ask_qc_constant(std::FILE* answers, run_settings& s) {
    std::printf("Please input the constant C for the quality control purpose:\n");
    std::printf("if for a spot the fraction (intensity/background) less than C for both channel,\n");
    std::printf("then this spot will be not accounted for. (1.0 <= C<= 5.0, C=2.0 recommended)\n");
    std::printf("C=");
    double value = answer_to_real(read_short_answer(answers).c_str());
    std::printf("\n");
    // Written so that not-a-number is refused too.
    while (!(value >= 1.0 && value <= 5.0)) {
        std::printf("Invalid Input, you are expected to enter a real number from 1.0 to 5.0\nPlease enter C again:  ");
        value = answer_to_real(read_short_answer(answers).c_str());
        std::printf("\n");
    }
    s.qc_constant = value;
}

}  // namespace

int answer_to_int(const char* text) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value <= INT_MAX) value = value * 10 + (*p - '0');
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double answer_to_real(const char* text) { return leading_decimal(text); }

void run_dialogue(std::FILE* answers, run_settings& s) {
    std::printf("You are using Spotweave %s released on Jan 30, 2002.\n -----------------------\n", program_version);
    ask_file_count(answers, s);
    ask_replicate_count(answers, s);
    ask_file_names(answers, s);
    ask_ratio_approach(answers, s);
    ask_qc_constant(answers, s);
}
