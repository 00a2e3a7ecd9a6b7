// Files loaded side by side against one after another: the same console
// text, the same file named in a failure, the same tables (the per-spot
// names and positions those of the last file).
#include "input/file_loading.hpp"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "run/console.hpp"
#include "run/workers.hpp"
#include "support/result_text.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;
using namespace result_text;

namespace {

constexpr int files = 9;
constexpr int columns = 40;
constexpr int spots = columns * 50;  // enough that files overlap in time

// File f's text: its own values, names and line 11, so a row of the tables
// taken from the wrong file shows.
std::string good_file(int f) {
    std::vector<std::string> header = header_lines();
    header[10] = quoted("Scan " + std::to_string(f));
    std::vector<data_row> rows = grid_rows(1, columns, spots / columns);
    for (std::size_t s = 0; s < rows.size(); ++s) {
        const std::string k = std::to_string(f * 100 + static_cast<int>(s));
        rows[s] =
            data_row(1, static_cast<int>(s) % columns + 1, static_cast<int>(s) / columns + 1, "gene-" + k, "id-" + k);
        rows[s].set(9, k).set(27, "0." + k);
    }
    return result_file(header, rows);
}

// What is wrong with some files of a scenario: not a result file, ends
// early, missing, a spot in another place than in file 1.
enum class fault { none, not_result_file, ends_early, missing, moved_spot };

struct loaded {
    captured_run run;
    std::string errors;
    test_run t = make_tables(files, spots);
    ~loaded() { release_spot_tables(t); }
};

// Loads the files of dir; failures on standard error as on the command line
// when `apart`, with the layout checked when `check`.
void load_in(const fs::path& dir, loaded& r, int threads, bool apart, bool check) {
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    r.t.settings.threads = threads;
    r.t.settings.check_layout = check;
    r.errors = capture_stderr([&] {
        r.run = run_captured([&](console& out) { load_files(r.t.settings, r.t, out); }, apart ? stderr : stdout);
    });
    fs::current_path(before);
}

bool same_row(series<const double> a, series<const double> b) {
    return std::memcmp(a.data(), b.data(), sizeof(double) * spots) == 0;
}

void expect_same_tables(const spot_tables& a, const spot_tables& b) {
    for (int f = 1; f <= files; ++f) {
        for (const dmatrix_t spot_tables::*m :
             {&spot_tables::f632_median, &spot_tables::f532_median, &spot_tables::b632_median,
              &spot_tables::b532_median, &spot_tables::spot_flag, &spot_tables::spot_ratio})
            EXPECT_TRUE(same_row((a.*m)[f], (b.*m)[f])) << "file " << f;
        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ(a.headers[static_cast<std::size_t>(f)].factor[k],
                      b.headers[static_cast<std::size_t>(f)].factor[k])
                << "file " << f;
        EXPECT_STREQ(a.headers[static_cast<std::size_t>(f)].image_names.c_str(),
                     b.headers[static_cast<std::size_t>(f)].image_names.c_str());
    }
    for (int s = 1; s <= spots; ++s) {
        EXPECT_STREQ(&a.gene_name[s][0], &b.gene_name[s][0]) << "spot " << s;
        EXPECT_STREQ(&a.gene_id[s][0], &b.gene_id[s][0]) << "spot " << s;
        EXPECT_EQ(a.spot_block[s], b.spot_block[s]);
        EXPECT_EQ(a.spot_column[s], b.spot_column[s]);
        EXPECT_EQ(a.spot_row[s], b.spot_row[s]);
    }
}

}  // namespace

TEST(file_loading, side_by_side_loads_print_and_fail_as_one_after_another) {
    const std::vector<std::map<int, fault>> scenarios = {
        {},
        {{4, fault::not_result_file}, {6, fault::ends_early}},
        {{7, fault::ends_early}, {3, fault::missing}},
        {{1, fault::not_result_file}},
        {{files, fault::ends_early}},
        {{5, fault::moved_spot}, {8, fault::not_result_file}},
    };
    for (std::size_t k = 0; k < scenarios.size(); ++k) {
        SCOPED_TRACE("scenario " + std::to_string(k));
        const fs::path dir = fresh_temp_directory("spotweave-loading");
        for (int f = 1; f <= files; ++f) {
            const auto bad = scenarios[k].find(f);
            const fault what = bad == scenarios[k].end() ? fault::none : bad->second;
            if (what == fault::missing) continue;
            std::string text = good_file(f);
            if (what == fault::not_result_file) text[1] = 'X';
            if (what == fault::ends_early) text.resize(text.size() - 40);
            if (what == fault::moved_spot) text.replace(text.find("\n1\t2\t1\t"), 7, "\n1\t99\t1\t");
            std::ofstream(dir / ("run_" + std::to_string(f) + ".gpr"), std::ios::binary) << text;
        }
        for (bool apart : {false, true})
            for (bool check : {false, true}) {
                SCOPED_TRACE(std::string(apart ? "failures apart" : "one stream") + (check ? ", layout checked" : ""));
                loaded one;
                load_in(dir, one, 1, apart, check);
                const bool moved_only = k == 5 && !check;  // file 8 is bad all the same
                EXPECT_EQ(one.run.end.has_value(), !scenarios[k].empty() || moved_only);
                EXPECT_NE((one.run.out + one.errors).find(k == 3 ? "run_1.gpr is not" : "Scan 1"), std::string::npos);
                if (k == 5) {
                    EXPECT_NE((one.run.out + one.errors).find(check ? "run_5.gpr" : "run_8.gpr"), std::string::npos);
                }
                for (int threads : {2, 7}) {
                    loaded many;
                    load_in(dir, many, threads, apart, check);
                    EXPECT_EQ(many.run.out, one.run.out) << threads << " threads";
                    EXPECT_EQ(many.errors, one.errors) << threads << " threads";
                    EXPECT_EQ(many.run.end.has_value(), one.run.end.has_value());
                    if (!one.run.end) expect_same_tables(one.t, many.t);
                }
            }
        fs::remove_all(dir);
    }
}
