// Two small files held in the spot tables, for the tests of the page and of
// what it draws.
#pragma once

#include <string>

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "run/settings.hpp"

// Files of 8 spots in 2 blocks of 2 x 2, every net intensity 1000
// (A = 1/2 log2 1e6). File 1: every ratio 2. File 2: spot 1 ratio 0 (no M),
// spot 2 flagged -90 (failed the test against C), the rest 0.5. Factors 1.25
// and 0.5; normalised with --normalise none, so M is 1 in file 1 and -1 in
// file 2. Files after the second are copies of the first.
struct small_slides {
    run_settings s;
    spot_tables t;
    ma_tables ma;
    explicit small_slides(int files = 2) {
        t.file_count = files;
        t.spot_count = 8;
        t.replicate_count = 2;
        t.gene_count = 4;
        s.ratio_approach = 1;
        s.qc_constant = 2.0;
        s.files = {"a<1>.gpr", "b.gpr"};
        for (int f = 3; f <= files; ++f) s.files.push_back("c" + std::to_string(f) + ".gpr");
        s.normalise = normalisation::none;
        create_spot_tables(t);
        for (int s = 1; s <= 8; ++s) {
            t.spot_block[s] = (s - 1) / 4 + 1;
            t.spot_column[s] = (s - 1) % 2 + 1;
            t.spot_row[s] = (s - 1) / 2 % 2 + 1;
            for (int f = 1; f <= files; ++f) {
                t.f632_median[f][s] = t.f532_median[f][s] = 1100;
                t.b632_median[f][s] = t.b532_median[f][s] = 100;
                t.spot_flag[f][s] = 0;
                t.file_flag[f][s] = 0;
                t.spot_ratio[f][s] = f == 2 ? 0.5 : 2.0;
            }
        }
        t.spot_ratio[2][1] = 0.0;
        t.spot_flag[2][2] = -90.0;
        t.headers[static_cast<std::size_t>(1)].factor[1] = 1.25;
        t.headers[static_cast<std::size_t>(2)].factor[1] = 0.5;
        for (int f = 3; f <= files; ++f) t.headers[static_cast<std::size_t>(f)].factor[1] = 1.25;
    }
    // M and A as a run with the page makes them.
    void normalise_for_page() { normalise(s, t, ma, true, true); }
    ~small_slides() {
        release_ma_tables(ma);
        release_spot_tables(t);
    }
};
