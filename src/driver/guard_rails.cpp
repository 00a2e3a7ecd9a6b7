#include "driver/guard_rails.hpp"

#include <cstdio>
#include <cstring>
#include <string>

void warn_mixed_normalisation(const run_settings& s, const header_normalisation& h, console& out) {
    if (!mixes_normalisations(s, h)) return;
    failure_text(out, "warning: %s\n", mixed_normalisation_text(s, h).c_str());
}
#include "run/failure.hpp"

mixed_groups find_mixed_replicate_ids(const spot_tables& t) {
    mixed_groups found;
    const int r_count = t.replicate_count;
    for (int g = 1; g <= t.gene_count; ++g) {
        const int first = (g - 1) * r_count + 1;
        for (int spot = first + 1; spot <= g * r_count; ++spot) {
            if (std::strcmp(&t.gene_id[first][0], &t.gene_id[spot][0]) == 0) continue;
            if (found.count == 0) {
                found.first_gene = g;
                found.first_spot = first;
                found.differing_spot = spot;
            }
            ++found.count;
            break;
        }
    }
    return found;
}

namespace {

// An ID in double quotes: GenePix writes IDs quoted and the tables keep the
// quotes, so only an ID without them gets a pair.
std::string in_quotes(const char* id) {
    const std::string text(id);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text;
    return "\"" + text + "\"";
}

}  // namespace

void warn_mixed_replicate_ids(const run_settings& s, const spot_tables& t, console& out) {
    const mixed_groups found = find_mixed_replicate_ids(t);
    if (found.count == 0) return;
    failure_text(out,
                 "warning: %d of %d genes pool spots with different IDs (gene %d: spot %d is %s, spot %d is %s); "
                 "check that --replicates %d matches the slide\n",
                 found.count, t.gene_count, found.first_gene, found.first_spot,
                 in_quotes(&t.gene_id[found.first_spot][0]).c_str(), found.differing_spot,
                 in_quotes(&t.gene_id[found.differing_spot][0]).c_str(), s.replicate_count);
}

void check_replicate_count(const run_settings& s, int spot_count, console& out) {
    const int r = s.replicate_count;
    if (r > spot_count)
        failure_stop("--replicates " + std::to_string(r) + ": each file holds " + std::to_string(spot_count) +
                         " spots, too few for one gene of " + std::to_string(r) + "; give a count from 1 to " +
                         std::to_string(spot_count) + " (see spotweave --help)\n",
                     2);
    if (const int left = spot_count % r; left != 0)
        failure_text(out,
                     "warning: the %d spots of each file are not a whole number of genes of %d spots: the last %d "
                     "spot%s belong%s to no gene and %s left out of merge.txt; check that --replicates %d matches "
                     "the slide\n",
                     spot_count, r, left, left == 1 ? "" : "s", left == 1 ? "s" : "", left == 1 ? "is" : "are", r);
}

namespace {

// Why file 1 gives the spot count it gives; `cut` asks whether file 1 is a
// part of a larger file, when file 1 is the one holding more rows.
std::string count_reason(const run_settings& s, const layout_size& size, bool cut) {
    char flag[32];
    std::snprintf(flag, sizeof flag, "%g", size.flag);
    const std::string place = "Block " + std::to_string(size.block) + ", Column " + std::to_string(size.column) +
                              ", Row " + std::to_string(size.row);
    if (size.flag_ended)
        return "line " + std::to_string(size.count_line) + " of " + s.file_name(1) + " ends the data with the flag " +
               flag + ", none of 0, 100, -50, -75 and -100, and its " + place + " give " +
               std::to_string(size.spot_count) + " spots";
    return "the last data row of " + std::string(s.file_name(1)) + ", line " + std::to_string(size.count_line) + " (" +
           place + "), gives " + std::to_string(size.spot_count) + " spots" +
           (cut ? ": is the file cut from a larger one?" : "");
}

}  // namespace

void warn_unread_rows(const run_settings& s, const spot_tables& t, const layout_size& size, console& out) {
    int first = 0, others = 0;
    for (int f = 1; f <= t.file_count; ++f) {
        if (t.past[static_cast<std::size_t>(f)].rows == 0) continue;
        if (first == 0)
            first = f;
        else
            ++others;
    }
    if (first == 0) return;
    const spot_tables::rows_past& past = t.past[static_cast<std::size_t>(first)];
    const std::string more = others == 0 ? ""
                                         : "; " + std::to_string(others) + " more file" +
                                               (others == 1 ? " holds" : "s hold") + " rows past them too";
    failure_text(out,
                 "warning: %s holds %lld data rows, but the run reads the first %d of each file (reading stopped at "
                 "line %lld) and leaves the others out of every report: %s%s\n",
                 s.file_name(first), t.spot_count + past.rows, t.spot_count, past.stop_line,
                 count_reason(s, size, first == 1).c_str(), more.c_str());
}
