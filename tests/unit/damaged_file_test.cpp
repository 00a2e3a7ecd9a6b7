// Files holding, after their header, bytes that no text file holds: the run
// stops at the first such line, whichever reader meets it, unless the byte
// stands in a gene's name or ID (real GenePix files carry control characters
// there) and is not NUL.
#include "input/byte_reader.hpp"
#include "input/reading_paths.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/result_text.hpp"
#include "support/temp_dir.hpp"

using namespace result_text;
namespace fs = std::filesystem;

namespace {

const std::vector<bool> name_and_id = {false, false, false, false, true, true};

// The lines a reader gives out after refuse_control_bytes, and where it stopped.
struct given_out {
    std::vector<std::string> lines;
    long long damaged_line = 0;
    int damaged_byte = 0;
};

given_out read_lines(byte_reader& in) {
    in.refuse_control_bytes(name_and_id);
    given_out out;
    for (std::string line; read_line_text(in, line);) out.lines.push_back(line);
    out.damaged_line = in.damaged_line();
    out.damaged_byte = in.damaged_byte();
    return out;
}

std::string damage(const std::string& file, long long line, const char* byte) {
    return "\n " + file + ", line " + std::to_string(line) + ": the file is damaged here: the line holds the byte " +
           byte + ", which no text file holds; use an undamaged copy of the file\n";
}

captured_run load(test_run& t, int f, const std::string& text, reading_path path) {
    byte_reader in(text.data(), text.size());
    return run_captured([&](console&) { load_spot_records(in, f, t.settings, t, path); });
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

TEST(damaged_file, the_reader_gives_out_the_lines_before_the_first_damaged_one) {
    struct case_t {
        std::string third;  // line 3
        bool damaged;
    };
    const case_t cases[] = {
        {"1\t2\t3\tna\x01me\tid\t5", false},
        {"1\t2\t3\tname\ti\x1f"
         "d\t5",
         false},
        {std::string("1\t2\t3\tna\0me\tid\t5", 16), true},
        {"1\t2\x01\t3\tname\tid\t5", true},
        {"1\t2\t3\tname\tid\t5\x7f", true},
        {"1\t2\t3\tname\tid\t5\v6", true},
        {"\x1b[0m", true},
        {"1\t2\r3\tname\tid\t5", false},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.third);
        const std::string text = "a\nb\n" + c.third + "\nd\n";
        byte_reader in(text.data(), text.size());
        const given_out out = read_lines(in);
        if (!c.damaged) {
            EXPECT_EQ(out.damaged_line, 0);
            EXPECT_EQ(out.lines.size(), 4u);
            continue;
        }
        EXPECT_EQ(out.damaged_line, 3);
        EXPECT_EQ(out.lines, (std::vector<std::string>{"a\n", "b\n"}));
    }
}

TEST(damaged_file, a_file_read_in_blocks_names_the_same_line_wherever_the_blocks_part) {
    const fs::path dir = fresh_temp_directory("spotweave-damaged");
    const std::string row = "1\t2\t3\tname\tid\t" + std::string(80, '7') + "\n";  // 95 bytes
    const std::size_t buffer = 1 << 18;
    for (const std::size_t at : {buffer - 1, buffer, buffer + 1, 3 * buffer + 50}) {
        SCOPED_TRACE(at);
        std::string text;
        while (text.size() < 4 * buffer) text += row;
        const std::size_t bad = text[at] == '\n' ? at + 1 : at;
        text[bad] = '\x02';
        const long long line = static_cast<long long>(std::count(text.begin(), text.begin() + bad, '\n')) + 1;
        write(dir / "big.gpr", text);
        byte_reader in((dir / "big.gpr").string().c_str());
        const given_out out = read_lines(in);
        EXPECT_EQ(out.damaged_line, line);
        EXPECT_EQ(out.damaged_byte, 2);
        // Every line before is given out whole; of the damaged line at most
        // the part read before the block that shows the byte.
        ASSERT_GE(out.lines.size(), static_cast<std::size_t>(line - 1));
        ASSERT_LE(out.lines.size(), static_cast<std::size_t>(line));
        for (long long i = 0; i < line - 1; ++i) EXPECT_EQ(out.lines[static_cast<std::size_t>(i)], row) << i;
        if (out.lines.size() == static_cast<std::size_t>(line)) {
            const std::string& part = out.lines.back();
            EXPECT_EQ(text.compare(bad - (bad - text.rfind('\n', bad) - 1), part.size() - 1, part, 0, part.size() - 1),
                      0);
        }
    }
    fs::remove_all(dir);
}

TEST(damaged_file, loading_stops_at_the_damaged_line_in_place_and_byte_by_byte) {
    struct case_t {
        const char* label;
        std::string text;
        std::string message;  // empty: the rows load
    };
    const std::string one = data_row(1, 1, 1).text() + "\n";
    const std::string three = data_row(1, 3, 1).text() + "\n";
    const case_t cases[] = {
        {"a NUL in a name", one + data_row(1, 2, 1, std::string("na\0me", 5)).text() + "\n" + three,
         damage("run_1.gpr", 2, "0x00")},
        {"a control character in a number",
         one +
             data_row(1, 2, 1)
                 .set(9,
                      "3\x01"
                      "00")
                 .text() +
             "\n" + three,
         damage("run_1.gpr", 2, "0x01")},
        {"a form feed parting two numbers", one + data_row(1, 2, 1).set(9, "300\f").text() + "\n" + three,
         damage("run_1.gpr", 2, "0x0C")},
        {"a control character in a name and in the Log Ratio",
         one + data_row(1, 2, 1, "na\x01me").set(38, "Err\x05or").text() + "\n" + three, ""},
        {"garbage after the rows",
         one + data_row(1, 2, 1).text() + "\n" + three + std::string("end\n\x80\x81\0\x01\n", 8),
         damage("run_1.gpr", 5, "0x00")},
        {"an earlier bad number stops first", data_row(1, 1, 1).set(9, "x").text() + "\n\x01\n",
         "\n run_1.gpr, line 1: spot 1, column \"F635 Median\": \"x\" is not a number\n"},
        {"a file ending early, then damage", one + "\x04" + "\n", damage("run_1.gpr", 2, "0x04")},
    };
    for (const case_t& c : cases)
        for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
            SCOPED_TRACE(std::string(c.label) + (path == reading_path::in_place ? ", in place" : ", byte by byte"));
            test_run t = make_tables(1, 3, 1, 2.0);
            const captured_run run = load(t, 1, c.text, path);
            EXPECT_EQ(run.end.has_value(), !c.message.empty());
            EXPECT_EQ(run.out, c.message);
            if (c.message.empty()) {
                EXPECT_EQ(std::string(&t.gene_name[2][0]), "name");
            }
            release_spot_tables(t);
        }
}

TEST(damaged_file, the_sizing_scan_stops_at_binary_garbage_after_good_rows) {
    std::string garbage;
    for (int i = 0; i < 2000; ++i) garbage.push_back(static_cast<char>((i * 37 + 11) % 256));
    const std::string text = result_file(header_lines(), grid_rows(1, 3, 1)) + garbage;
    const std::size_t bad = text.find_first_of(std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08\x0b\x0c\x0e", 12) +
                                                   "\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e"
                                                   "\x1f\x7f",
                                               text.size() - garbage.size());
    const long long line = static_cast<long long>(std::count(text.begin(), text.begin() + bad, '\n')) + 1;
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
    for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
        byte_reader in(text.data(), text.size());
        const captured_run run = run_captured([&](console& out) { sizing_scan_stream(in, "lead.gpr", 1, out, path); });
        ASSERT_TRUE(run.end.has_value()) << run.out;
        EXPECT_EQ(run.out, "\n Program running...\n" + damage("lead.gpr", line, byte));
    }
}

TEST(damaged_file, a_damaged_line_longer_than_the_read_buffer_is_named) {
    const fs::path dir = fresh_temp_directory("spotweave-damaged");
    const std::string long_name(300000, 'n');
    const std::string text = data_row(1, 1, 1).text() + "\n" +
                             data_row(1, 2, 1, long_name, std::string("i\0d", 3)).text() + "\n" +
                             data_row(1, 3, 1).text() + "\n";
    write(dir / "long.gpr", text);
    for (const reading_path path : {reading_path::in_place, reading_path::byte_wise}) {
        test_run t = make_tables(1, 3, 1, 2.0);
        byte_reader in((dir / "long.gpr").string().c_str());
        const captured_run run = run_captured([&](console&) { load_spot_records(in, 1, t.settings, t, path); });
        EXPECT_EQ(run.out, damage("run_1.gpr", 2, "0x00"));
        release_spot_tables(t);
    }
    fs::remove_all(dir);
}
