// The moderated t-test of the empirical Bayes method (Smyth 2004) over the
// genes of a run, with Benjamini-Hochberg false discovery rates: what labs
// report beside merge.txt's ordinary t-test.
#pragma once

#include <vector>

#include "analysis/normalise.hpp"
#include "input/spot_tables.hpp"
#include "numeric/empirical_bayes.hpp"
#include "run/settings.hpp"

struct moderated_genes {
    // Per gene 1..G (index 0 unused): the mean over files of the gene's
    // per-file value, and the moderated statistics (not-a-number where the
    // gene has no value in any file).
    std::vector<double> log2_ratio;
    moderated_result result;  // indexed from 0: gene g is g - 1
    int significant = 0;      // genes with an adjusted p-value below 0.05
};

// Per file, the mean of the gene's replicate spots in ma.m (missing spots left
// out; missing when none is left) gives one value per gene and file; per
// gene, the one-sample fit over the files with a value (limma's lmFit on the
// gene x file matrix), then the empirical Bayes statistics. On s.threads
// threads; the same bits at any count.
moderated_genes moderate(const run_settings& s, const spot_tables& t, const ma_tables& ma);
