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
    t.gene_name = cmatrix(1, ns, 0, static_cast<int>(name_room));
    t.gene_id = cmatrix(1, ns, 0, static_cast<int>(id_room));
    t.header_line11_text = cmatrix(1, nf, 0, static_cast<int>(header_value_room) + 1);
    t.norm_factor = dmatrix(1, nf, 0, 5);
    for (int f = 1; f <= nf; ++f)
        for (int a = 1; a <= 5; ++a) t.norm_factor[f][a] = 0.0;
    // Sized once, so the header walks of files loaded side by side never move them.
    t.file_layout.assign(static_cast<std::size_t>(nf) + 1, row_layout{});
    t.file_type.assign(static_cast<std::size_t>(nf) + 1, std::string());
}

void release_ratios(spot_tables& t) { dmatrix_free(t.spot_ratio, 1, t.file_count, 1, t.spot_count); }

void release_spot_tables(spot_tables& t) {
    const int nf = t.file_count;
    const int ns = t.spot_count;
    dmatrix_free(t.norm_factor, 1, nf, 0, 5);
    cmatrix_free(t.header_line11_text, 1, nf, 0, static_cast<int>(header_value_room) + 1);
    cmatrix_free(t.gene_id, 1, ns, 0, static_cast<int>(id_room));
    cmatrix_free(t.gene_name, 1, ns, 0, static_cast<int>(name_room));
    dmatrix_free(t.spot_ratio, 1, nf, 1, ns);
    dmatrix_free(t.spot_flag, 1, nf, 1, ns);
    ivector_free(t.spot_column, 1, ns);
    ivector_free(t.spot_row, 1, ns);
    ivector_free(t.spot_block, 1, ns);
    dmatrix_free(t.b532_median, 1, nf, 1, ns);
    dmatrix_free(t.b632_median, 1, nf, 1, ns);
    dmatrix_free(t.f532_median, 1, nf, 1, ns);
    dmatrix_free(t.f632_median, 1, nf, 1, ns);
    t.file_layout.clear();
    t.file_type.clear();
}
