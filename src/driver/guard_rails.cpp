#include "driver/guard_rails.hpp"

#include <cstring>
#include <string>

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
