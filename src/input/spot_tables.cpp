#include "input/spot_tables.hpp"

#include "input/result_format.hpp"

void create_spot_tables(spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    t.f632_median = dmatrix(1, nf, 1, ns);
    t.f532_median = dmatrix(1, nf, 1, ns);
    t.b632_median = dmatrix(1, nf, 1, ns);
    t.b532_median = dmatrix(1, nf, 1, ns);
    t.spot_block = ivector(1, ns);
    t.spot_row = ivector(1, ns);
    t.spot_column = ivector(1, ns);
    t.spot_flag = dmatrix(1, nf, 1, ns);
    t.spot_ratio = dmatrix(1, nf, 1, ns);
    t.file_flag = offset_matrix<std::int16_t>(1, nf, 1, ns, "allocation failure 1 in flag table",
                                              "allocation failure 2 in flag table");
    if (t.with_places) {
        t.spot_x = dmatrix(1, nf, 1, ns);
        t.spot_y = dmatrix(1, nf, 1, ns);
    }
    t.gene_name = cmatrix(1, ns, 0, static_cast<int>(name_room));
    t.gene_id = cmatrix(1, ns, 0, static_cast<int>(id_room));
    // Sized once, so files loaded side by side never move each other's records.
    t.headers.assign(static_cast<std::size_t>(nf) + 1, file_header{});
    t.past.assign(static_cast<std::size_t>(nf) + 1, spot_tables::rows_past{});
}

void release_ratios(spot_tables& t) { dmatrix_free(t.spot_ratio, 1, t.file_count, 1, t.spot_count); }

void release_spot_tables(spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    cmatrix_free(t.gene_id, 1, ns, 0, static_cast<int>(id_room));
    cmatrix_free(t.gene_name, 1, ns, 0, static_cast<int>(name_room));
    dmatrix_free(t.spot_ratio, 1, nf, 1, ns);
    t.file_flag.reset();
    t.spot_x.reset();
    t.spot_y.reset();
    dmatrix_free(t.spot_flag, 1, nf, 1, ns);
    ivector_free(t.spot_column, 1, ns);
    ivector_free(t.spot_row, 1, ns);
    ivector_free(t.spot_block, 1, ns);
    dmatrix_free(t.b532_median, 1, nf, 1, ns);
    dmatrix_free(t.b632_median, 1, nf, 1, ns);
    dmatrix_free(t.f532_median, 1, nf, 1, ns);
    dmatrix_free(t.f632_median, 1, nf, 1, ns);
    t.headers.clear();
}
