// The three ways arbitrary bytes reach the program, shared by the fuzz
// targets and the regression test: the sizing scan of a file, the header walk
// with the loading of the rows, and the whole run driven by the answers.
// A run that ends early (run_failure) is an ordinary outcome; any other exception
// is let through so it shows up as a failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "driver/run.hpp"
#include "input/byte_reader.hpp"
#include "input/header_walk.hpp"
#include "input/reading_paths.hpp"
#include "input/sizing_scan.hpp"
#include "input/spot_loader.hpp"
#include "input/spot_tables.hpp"
#include "numeric/containers.hpp"
#include "run/failure.hpp"

namespace fuzz_entry {

enum class outcome { normal, run_ended, refused };

// A private copy, so the readers see exactly `size` bytes and never a null
// pointer.
// Fuzzing prints nothing of the program's console text unless asked to, so
// the runs stay fast and the fuzzer's own report stands out.
inline void quiet_console() {
    if (std::getenv("SPOTWEAVE_FUZZ_CONSOLE") == nullptr && std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
}

inline std::string bytes_of(const std::uint8_t* data, std::size_t size) {
    return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

inline outcome sizing_scan_bytes(const std::uint8_t* data, std::size_t size) {
    const std::string text = bytes_of(data, size);
    byte_reader in(text.data(), text.size());
    console out;
    try {
        sizing_scan_stream(in, "fuzz.gpr", 2, out);
    } catch (const run_failure&) {
        return outcome::run_ended;
    }
    return outcome::normal;
}

// The first byte sizes the tables and picks the options; the rest is the file.
// Bits 0-2: spot count 1..8 (small, so every input stays fast); bits 4-7: the
// ratio approach.
struct load_options {
    int spot_count;
    int ratio_approach;
};

inline load_options options_of(std::uint8_t first) { return {1 + (first & 7), 1 + (first >> 4) % 5}; }

inline run_settings settings_for(const load_options& options) {
    run_settings s;
    s.files = {"fuzz.gpr"};
    s.ratio_approach = options.ratio_approach;
    return s;
}

inline spot_tables tables_for(const load_options& options) {
    spot_tables t;
    t.file_count = 1;
    t.replicate_count = 1;
    t.spot_count = options.spot_count;
    t.gene_count = options.spot_count;
    create_spot_tables(t);
    return t;
}

// Header walk and rows, read in place or byte by byte; the status of the
// run_failure, or -1 when the file was read completely.
inline int load_file(const std::string& file, const run_settings& s, spot_tables& t, bool in_place) {
    byte_reader in(file.data(), file.size());
    console out;
    try {
        t.headers[static_cast<std::size_t>(1)] = header_walk(in, s.file_name(1), out);
        load_spot_records(in, 1, s, t, (in_place ? reading_path::in_place : reading_path::byte_wise));
    } catch (const run_failure& end) {
        return end.status;
    }
    return -1;
}

template <class T>
bool same_bytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Whether two loads of one file left the same values behind, bit for bit
// (a -0.0 prints differently from 0.0).
inline bool same_tables(spot_tables& a, spot_tables& b) {
    for (int k = 1; k <= 5; ++k)
        if (!same_bytes(a.headers[static_cast<std::size_t>(1)].factor[k],
                        b.headers[static_cast<std::size_t>(1)].factor[k]))
            return false;
    if (std::strcmp(a.headers[static_cast<std::size_t>(1)].image_names.c_str(),
                    b.headers[static_cast<std::size_t>(1)].image_names.c_str()) != 0)
        return false;
    for (int s = 1; s <= a.spot_count; ++s) {
        if (a.spot_block[s] != b.spot_block[s] || a.spot_column[s] != b.spot_column[s] ||
            a.spot_row[s] != b.spot_row[s])
            return false;
        if (std::strcmp(&a.gene_name[s][0], &b.gene_name[s][0]) != 0) return false;
        if (std::strcmp(&a.gene_id[s][0], &b.gene_id[s][0]) != 0) return false;
        for (const dmatrix_t spot_tables::*table :
             {&spot_tables::f632_median, &spot_tables::b632_median, &spot_tables::f532_median,
              &spot_tables::b532_median, &spot_tables::spot_ratio, &spot_tables::spot_flag})
            if (!same_bytes((a.*table)[1][s], (b.*table)[1][s])) return false;
    }
    return true;
}

// Loads the file both ways; the fast in-place parser must agree with the
// byte-wise reader on every input, so a difference aborts.
inline outcome header_and_rows_bytes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return outcome::refused;
    const load_options options = options_of(data[0]);
    const std::string file = bytes_of(data + 1, size - 1);
    spot_tables in_place = tables_for(options);
    spot_tables byte_wise = tables_for(options);
    const run_settings settings = settings_for(options);
    const int in_place_end = load_file(file, settings, in_place, true);
    const int byte_wise_end = load_file(file, settings, byte_wise, false);
    if (in_place_end != byte_wise_end || (in_place_end == -1 && !same_tables(in_place, byte_wise))) {
        std::fprintf(stderr, "the in-place and the byte-wise row readers disagree\n");
        std::abort();
    }
    release_spot_tables(in_place);
    release_spot_tables(byte_wise);
    return in_place_end == -1 ? outcome::normal : outcome::run_ended;
}

// A file of the later layout assembled from the input, so that most inputs
// reach the titled reader: after the options byte, the bytes up to the first
// 0x1E are header records (one a line), up to the second the title line, and
// the rest the data rows. Line 1 and line 2's counts (records, titles) are
// written to agree; option bit 3 leaves out the Type record naming version 3.
inline std::string assemble_titled_file(std::uint8_t first, const std::string& rest) {
    const std::size_t a = rest.find('\x1e');
    const std::size_t b = a == std::string::npos ? std::string::npos : rest.find('\x1e', a + 1);
    std::string records = "\"Type=GenePix Results 3\"\n";
    if ((first & 8) != 0) records.clear();
    records += rest.substr(0, a);
    const std::string titles = a == std::string::npos ? std::string() : rest.substr(a + 1, b - a - 1);
    const std::string rows = b == std::string::npos ? std::string() : rest.substr(b + 1);
    if (!records.empty() && records.back() != '\n') records += '\n';
    long long record_count = 0, title_count = 1;
    for (char c : records) record_count += c == '\n';
    for (char c : titles) title_count += c == '\t';
    return "ATF\t1.0\n" + std::to_string(record_count) + "\t" + std::to_string(title_count) + "\n" + records + titles +
           "\n" + rows;
}

// The assembled file through the sizing scan, then through the header walk
// and the rows both ways, compared as header_and_rows_bytes compares them.
inline outcome titled_file_bytes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return outcome::refused;
    const std::string file = assemble_titled_file(data[0], bytes_of(data + 1, size - 1));
    {
        byte_reader in(file.data(), file.size());
        console out;
        try {
            sizing_scan_stream(in, "fuzz.gpr", 1, out);
        } catch (const run_failure&) {}
    }
    std::string framed(1, static_cast<char>(data[0]));
    framed += file;
    return header_and_rows_bytes(reinterpret_cast<const std::uint8_t*>(framed.data()), framed.size());
}

// Two small result files of 8 spots (2 blocks of 2 x 2) that a whole run can
// be made of: "a" with its factor lines at 13 and line feeds, "b" with them at
// 15, CR LF line ends, other factors and a flagged and a failing spot.
inline std::string small_result_file(bool factors_at_15) {
    const char* const eol = factors_at_15 ? "\r\n" : "\n";
    std::string text = std::string("ATF\t1.0") + eol + (factors_at_15 ? "27\t43" : "25\t43") + eol;
    for (const char* line : {"Type=GenePix Results 1.3", "DateTime=2002/01/30 10:00:00", "Settings=", "GalFile=x.gal",
                             "Scanner=GenePix 4000A", "Comment=", "PixelSize=10", "ImageName=635 nm\t532 nm",
                             factors_at_15 ? "FileName=b.tif" : "FileName=a.tif", "PMTVolts=600\t600"})
        text += std::string("\"") + line + "\"" + eol;
    if (factors_at_15) text += std::string("\"Wavelengths=635\t532\"") + eol + "\"LaserPower=4.1\t3.9\"" + eol;
    const char* const keys[5] = {
        "RatioOfMedians=", "RatioOfMeans=", "MedianOfRatios=", "MeanOfRatios=", "RegressionRatio="};
    const char* const factors[5] = {"1.25", "0.5", factors_at_15 ? "0.8" : "2", "1.125", factors_at_15 ? "3" : "0.75"};
    for (int k = 0; k < 5; ++k) text += std::string("\"NormalizationFactor:") + keys[k] + factors[k] + "\"" + eol;
    for (const char* line : {"JpegImage=x.jpg", "RatioFormulation=W1/W2 (635/532)", "FeatureType=Circular",
                             "Barcode=", "BackgroundSubtraction=LocalFeature", "ImageOrigin=0, 0", "JpegOrigin=0, 0",
                             "Creator=GenePix Pro 3.0", "Temperature=25.5", "Supplier=Lab"})
        text += std::string("\"") + line + "\"" + eol;
    text += std::string("\"Block\"\t\"Column\"\t\"Row\"\t\"Name\"\t\"ID\"\t\"X\"") + eol;
    int spot = 0;
    for (int block = 1; block <= 2; ++block)
        for (int row = 1; row <= 2; ++row)
            for (int column = 1; column <= 2; ++column) {
                ++spot;
                const int shift = factors_at_15 ? 3 : 0;
                text += std::to_string(block) + "\t" + std::to_string(column) + "\t" + std::to_string(row) + "\tG" +
                        std::to_string((spot + 1) / 2) + "\tID" + std::to_string(spot) + "\t";
                for (int field = 6; field <= 43; ++field) {
                    std::string value = std::to_string(field);
                    if (field == 9 || field == 18) value = std::to_string(300 + 40 * ((spot + shift) % 5));
                    if (field == 12 || field == 21) value = "100";
                    if (field >= 27 && field <= 32)
                        value = std::to_string(0.5 + 0.25 * ((spot * field + shift) % 7)).substr(0, 5);
                    if (field == 38) value = "Error";
                    if (field == 43) value = "0";
                    if (factors_at_15 && spot == 3 && field == 43) value = "-50";
                    if (factors_at_15 && spot == 6 && (field == 9 || field == 18)) value = "110";
                    text += value + (field == 43 ? eol : "\t");
                }
            }
    return text;
}

// Makes a fresh directory holding the files "a" and "b"; returns its path.
inline std::filesystem::path make_run_directory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "spotweave-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    const std::filesystem::path dir = pattern;
    std::ofstream(dir / "a", std::ios::binary) << small_result_file(false);
    std::ofstream(dir / "b", std::ios::binary) << small_result_file(true);
    return dir;
}

// The whole run on the answers, in the current directory (made by
// make_run_directory). Answers holding a '/' are refused: they could name
// files outside the directory, such as endless devices. The reports are
// removed afterwards so every input starts from the same directory.
inline outcome dialogue_bytes(const std::uint8_t* data, std::size_t size) {
    if (size != 0 && std::memchr(data, '/', size) != nullptr) return outcome::refused;
    std::string text = bytes_of(data, size);
    std::FILE* answers = fmemopen(text.data(), text.size(), "r");
    if (answers == nullptr) {
        std::perror("fmemopen");
        std::abort();
    }
    const int status = run_spotweave(answers, 1);
    std::fclose(answers);
    for (const char* report : {"cor.txt", "data.txt", "merge.txt"}) std::remove(report);
    return status == 0 ? outcome::normal : outcome::run_ended;
}

}  // namespace fuzz_entry
