#include "driver/guard_rails.hpp"

#include <cstring>
#include <string>

void warn_mixed_normalisation(const run_settings& s, const header_normalisation& h, console& out) {
    if (!mixes_normalisations(s, h)) return;
    failure_text(out, "warning: %s\n", mixed_normalisation_text(s, h).c_str());
}

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

void warn_mixed_replicate_ids(const run_settings& s, const spot_tables& t, console& out) {
    const mixed_groups found = find_mixed_replicate_ids(t);
    if (found.count == 0) return;
    failure_text(out,
                 "warning: %d of %d genes pool spots with different IDs (gene %d: spot %d is \"%s\", spot %d is "
                 "\"%s\"); check that --replicates %d matches the slide\n",
                 found.count, t.gene_count, found.first_gene, found.first_spot, &t.gene_id[found.first_spot][0],
                 found.differing_spot, &t.gene_id[found.differing_spot][0], s.replicate_count);
}
