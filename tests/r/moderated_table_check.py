#!/usr/bin/env python3
"""moderated.txt of the program against limma, run as a black box.

For real result files and generated runs (replicate spots, missing spots,
genes with a value in one file only, 2 to 99 files), the program runs with
--moderated under the header factors and under print-tip loess with scale.
Here M is worked out from the files (through limma's normalisation for the
loess methods), each gene's value per file is the mean of its present
replicate spots, and limma's lmFit, eBayes and topTable(sort.by = "none")
give the statistics. Every line of moderated.txt must agree: log2 ratio and B
within 2e-6, t and both p-values within a relative 1e-5 (t printed with six
decimals: within 5e-7 where that is larger), the same genes without a value,
and the summary's prior degrees of freedom and variance. Prints the largest
difference per column.

    moderated_table_check.py PROGRAM REALDATA

Exits 77 (skipped) without Rscript or limma, or without the real files (after
the generated runs are compared).
"""
import math
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import make_result_file as mk  # noqa: E402
import normalised_check as nc  # noqa: E402
import reference_model as model  # noqa: E402
from r_packages import SKIPPED, missing_r_package, verdict  # noqa: E402

COLUMNS = ["log2 ratio", "t", "p-value", "adjusted p-value", "B"]
R_SCRIPT = r"""
suppressMessages(library(limma))
args <- commandArgs(trailingOnly = TRUE)
x <- read.delim(args[1], header = FALSE, colClasses = "character")
v <- suppressWarnings(as.numeric(ifelse(as.matrix(x) == "NA", NA, as.matrix(x))))
y <- matrix(v, nrow = nrow(x))
fit <- eBayes(lmFit(y))
tt <- topTable(fit, sort.by = "none", number = Inf)
h <- function(v) ifelse(is.na(v), "NA", sprintf("%a", v))
writeLines(c(paste("prior", h(fit$df.prior[1]), h(fit$s2.prior[1]), sep = "\t"),
             paste(h(tt$logFC), h(tt$t), h(tt$P.Value), h(tt$adj.P.Val), h(tt$B), sep = "\t")), args[2])
"""


def limma_statistics(matrix, work):
    source, result, script = (os.path.join(work, n) for n in ("matrix.tsv", "stats.tsv", "ebayes.R"))
    with open(source, "w") as f:
        for row in matrix:
            f.write("\t".join(nc.hexed(v) for v in row) + "\n")
    open(script, "w").write(R_SCRIPT)
    subprocess.run(["Rscript", script, source, result], check=True, capture_output=True)
    lines = open(result).read().split("\n")
    value = lambda c: None if c == "NA" else float.fromhex(c)
    prior = [value(c) for c in lines[0].split("\t")[1:]]
    return prior, [[value(c) for c in line.split("\t")] for line in lines[1:] if line]


def normalised_m(run, names, method, work):
    """Per file the normalised M: limma's for print-tip loess (then scaled), the header factors' otherwise."""
    if method == "header":
        return [nc.m_and_a(run, f, "header", None)[0] for f in range(len(names))]
    return nc.expected_columns(run, names, "printtiploess", True, None, work, {})


def gene_matrix(columns, replicates):
    genes = len(columns[0]) // replicates
    matrix = []
    for g in range(genes):
        row = []
        for column in columns:
            present = [m for m in column[g * replicates:(g + 1) * replicates] if m is not None and not math.isnan(m)]
            total = 0.0
            for m in present:
                total += m
            row.append(total / len(present) if present else None)
        matrix.append(row)
    return matrix


def program_run(program, work, names, replicates, method):
    options = ["--normalise", "printtiploess", "--between", "scale"] if method != "header" else []
    done = subprocess.run([program, "-o", "out", "-r", str(replicates), "--moderated"] + options + names, cwd=work,
                          capture_output=True, timeout=600)
    if done.returncode != 0:
        raise SystemExit("the program failed: %r" % done.stderr[-300:])
    said = re.search(r"prior degrees of freedom (\S+), prior variance (\S+);", done.stdout.decode())
    lines = open(os.path.join(work, "out", "moderated.txt")).read().split("\n")
    rows = [[None if c == "-" else float(c) for c in line.split("\t")[6:]] for line in lines[1:] if line]
    return (float(said.group(1)), float(said.group(2))) if said else None, rows


def differs(column, got, want):
    if (got is None) != (want is None or math.isnan(want)):
        return float("inf")
    if got is None:
        return 0.0
    if column in ("log2 ratio", "B"):
        return abs(got - want) / 2e-6
    # Below the smallest normal double a p-value holds a few bits only; it is 0 for every purpose.
    allowed = max(1e-5 * abs(want), 5e-7 if column == "t" else sys.float_info.min)
    return abs(got - want) / allowed


def check(program, label, sources, replicates, largest):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        names = nc.stage(sources, work)
        run = model.load_files(work, names)
        for method in ("header", "printtiploess"):
            said, rows = program_run(program, work, names, replicates, method)
            prior, want = limma_statistics(gene_matrix(normalised_m(run, names, method, work), replicates), work)
            what = "%s, %s, -r %d" % (label, method, replicates)
            if len(rows) != len(want):
                problems.append("%s: %d genes against limma's %d" % (what, len(rows), len(want)))
                continue
            for name, mine, theirs in (("df.prior", said[0], prior[0]), ("s2.prior", said[1], prior[1])):
                if mine != theirs and not abs(mine - theirs) <= 5e-6 * abs(theirs):
                    problems.append("%s: %s %s against limma's %r" % (what, name, mine, theirs))
            for g, (mine, theirs) in enumerate(zip(rows, want), start=1):
                for k, column in enumerate(COLUMNS):
                    ratio = differs(column, mine[k], theirs[k])
                    if mine[k] is not None and ratio != float("inf"):
                        d = abs(mine[k] - theirs[k])
                        if column == "t":  # printed to six decimals: relative where that holds five digits
                            d = d / abs(theirs[k]) if abs(theirs[k]) >= 0.1 else 0.0
                        elif column not in ("log2 ratio", "B"):
                            d = d / abs(theirs[k]) if abs(theirs[k]) >= sys.float_info.min else 0.0
                        largest[column] = max(largest.get(column, 0.0), d)
                    if not ratio <= 1.0:
                        problems.append("%s, gene %d, %s: %s against limma's %r" % (what, g, column, mine[k],
                                                                                    theirs[k]))
    return problems


def generated(files, blocks, columns, rows, replicates, seed):
    """Slides whose genes have replicate spots; some spots without a ratio,
    some genes present in one file only."""
    out = []
    for k in range(files):
        rf = mk.make_result_file(blocks, columns, rows, seed=seed + k, replicates=replicates, gene_seed=seed)
        for n, sp in enumerate(rf.spots, start=1):
            gene = (n - 1) // replicates
            if (n + k) % 13 == 0 or (gene % 17 == 3 and k > 0):
                sp.set(ratios=0)  # gene 3, 20, ... keep a value in file 1 only
        out.append(rf.to_bytes())
    return out


def main():
    program, realdata = os.path.abspath(sys.argv[1]), sys.argv[2]
    if missing_r_package("limma"):
        return SKIPPED
    largest, problems = {}, []
    problems += check(program, "generated, 3 files", generated(3, 4, 8, 6, 4, 11), 4, largest)
    problems += check(program, "generated, 2 files", generated(2, 2, 10, 5, 2, 21), 2, largest)
    problems += check(program, "generated, 99 files", generated(99, 2, 4, 4, 2, 31), 2, largest)
    real = os.path.isdir(realdata)
    if real:
        for group in (nc.REAL_GROUPS[1], nc.REAL_GROUPS[0]):
            problems += check(program, group[0], [os.path.join(realdata, g) for g in group], 1, largest)
    lines = ["largest %s difference from limma, %-17s %.3g"
             % ("absolute" if column in ("log2 ratio", "B") else "relative", column, largest.get(column, 0.0))
             for column in COLUMNS]
    return verdict(problems, lines, real, realdata, "the generated runs")


if __name__ == "__main__":
    sys.exit(main())
