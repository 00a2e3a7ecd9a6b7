#!/usr/bin/env python3
"""qc.txt of the program against R, run as a black box.

- Generated runs, each of ten slides of one layout: nine plain ones and one
  made an outlier by one criterion (M shuffled over the spots for the
  distance, M shifted for KS, M following A for Hoeffding's D, M rising
  across the slide for the spatial share). The outlier must be named for its
  criterion, and no plain slide for any.
- Those runs and the real result files of REALDATA: every statistic of qc.txt
  against the same statistics computed in R on the same M, A, X and Y
  (quality_reference.R: plain R for the distances, ks.test, Hmisc's hoeffd,
  fft for the spatial share, fivenum for the limits), each within 1e-6, and
  the same outliers.

    qc_check.py PROGRAM REALDATA

Prints the largest difference per statistic. Exits 77 (skipped) without
Rscript or Hmisc, or without the real files (after the generated runs).
"""
import math
import os
import random
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

REFERENCE = os.path.join(HERE, "quality_reference.R")
STATISTICS = ["distance", "KS", "Hoeffding D", "spatial"]
CRITERIA = ["distance", "KS", "D", "spatial"]


def slide(seed, outlier=None):
    """One slide of 4 x 3 blocks of 12 x 10 spots, 2 replicates a gene; blocks
    laid out on the slide by X and Y. outlier: how it differs."""
    rf = mk.make_result_file(12, 12, 10, seed=seed, replicates=2, gene_seed=5)
    rng = random.Random(seed * 7 + 1)
    logs = []
    for sp in rf.spots:
        block, column, row = int(sp[mk.BLOCK]), int(sp[mk.COLUMN]), int(sp[mk.ROW])
        sp[mk.X] = ((block - 1) % 4) * 2600 + 200 * column
        sp[mk.Y] = ((block - 1) // 4) * 2200 + 200 * row
        logs.append(math.log2(float(sp[27])) if float(sp[27]) > 0 else None)
    if outlier == "distance":
        present = [m for m in logs if m is not None]
        rng.shuffle(present)
        it = iter(present)
        logs = [None if m is None else next(it) for m in logs]
    for sp, m in zip(rf.spots, logs):
        if m is None:
            continue
        x, y = float(sp[mk.X]), float(sp[mk.Y])
        green = float(sp[mk.F532_MEDIAN]) - float(sp[mk.B532_MEDIAN])
        a = math.log2(green) + m / 2 if green > 0 else 0.0
        if outlier == "KS":
            m += 0.9
        elif outlier == "D":
            m = 0.2 * m + 1.5 * (a - 9.0)  # M follows A: a dye bias no normalisation took out
        elif outlier == "spatial":
            m += 2.5 * (x / 10400.0 - 0.5) + 2.0 * (y / 6600.0 - 0.5)
        sp.set(ratios=mk.fmt_ratio(2.0 ** m))
    return rf.to_bytes()


def program_qc(program, work, names):
    done = subprocess.run([program, "-q", "--html", "-o", "out"] + names, cwd=work, capture_output=True, timeout=600)
    if done.returncode != 0:
        raise SystemExit("the program failed: %r" % done.stderr[-300:])
    lines = open(os.path.join(work, "out", "qc.txt")).read().split("\n")
    if lines[0] != "File\tName\tdistance\tKS\tHoeffding D\tspatial\toutliers":
        raise SystemExit("qc.txt: titles %r" % lines[0])
    rows = [line.split("\t") for line in lines[1:] if line]
    return [[None if c == "-" else float(c) for c in row[2:6]] for row in rows], \
        [set() if row[6] == "-" else set(row[6].split(",")) for row in rows]


def r_statistics(run, names, work):
    """The statistics of quality_reference.R on M (header factors), A, X and Y."""
    table, result = os.path.join(work, "qc_in.tsv"), os.path.join(work, "qc_out.tsv")
    with open(table, "w") as f:
        f.write("file\tspot\tM\tA\tX\tY\n")
        for k in range(len(names)):
            ms, as_ = nc.m_and_a(run, k, "header", None)
            for s in range(run.ns):
                x, y = run.places[k][s]
                f.write("%d\t%d\t%s\t%s\t%r\t%r\n" % (k + 1, s + 1, "NA" if ms[s] is None else repr(ms[s]),
                                                       "NA" if as_[s] is None else repr(as_[s]), x, y))
    done = subprocess.run(["Rscript", REFERENCE, table, result], capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit("Rscript failed: " + done.stderr[-500:])
    stats, flags = [], {}
    for line in open(result).read().split("\n")[1:]:
        cells = line.split("\t")
        if cells[0] == "outliers":
            flags[cells[1]] = [c == "1" for c in cells[2:]]
        elif cells[0] not in ("fivenum", ""):
            stats.append([None if c == "NA" else float(c) for c in cells[1:5]])
    named = [set() for _ in stats]
    for criterion, key in zip(CRITERIA, ["distance", "ks", "hoeffding", "spatial"]):
        if key == "hoeffding":
            flags[key] = [v is not None and v[2] > 0.15 for v in stats]
        for k, flagged in enumerate(flags[key]):
            if flagged:
                named[k].add(criterion)
    return stats, named


def compare(label, mine, theirs, largest):
    problems = []
    for k, (a, b) in enumerate(zip(mine, theirs), start=1):
        for name, x, y in zip(STATISTICS, a, b):
            if (x is None) != (y is None):
                problems.append("%s, file %d, %s: %s against R's %s" % (label, k, name, x, y))
            elif x is not None:
                largest[name] = max(largest.get(name, 0.0), abs(x - y))
                if not abs(x - y) <= 1e-6:
                    problems.append("%s, file %d, %s: %.6f against R's %.9f" % (label, k, name, x, y))
    return problems


def check_run(program, label, sources, largest, planned=None):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        names = nc.stage(sources, work)
        mine, named = program_qc(program, work, names)
        run = model.load_files(work, names)
        theirs, r_named = r_statistics(run, names, work)
        problems += compare(label, mine, theirs, largest)
        if named != r_named:
            problems.append("%s: outliers %s, R's %s" % (label, named, r_named))
        if planned is not None:
            criterion, index = planned
            if criterion not in named[index]:
                problems.append("%s: slide %d is not named for %s (%s)" % (label, index + 1, criterion, named[index]))
            others = [k + 1 for k, n in enumerate(named) if n and k != index]
            if others:
                problems.append("%s: plain slides %s are named too" % (label, others))
            print("%-30s the outlier is named for %s" % (label, ",".join(sorted(named[index]))))
    return problems


def main():
    program, realdata = os.path.abspath(sys.argv[1]), sys.argv[2]
    if missing_r_package("Hmisc"):
        return SKIPPED
    largest, problems = {}, []
    for k, criterion in enumerate(CRITERIA):
        sources = [slide(10 * k + j, criterion if j == 6 else None) for j in range(10)]
        problems += check_run(program, "an outlier by " + criterion, sources, largest, (criterion, 6))
    real = os.path.isdir(realdata)
    if real:
        for group in nc.REAL_GROUPS:
            problems += check_run(program, group[0], [os.path.join(realdata, g) for g in group], largest)
    lines = ["largest difference from R, %-12s %.3g" % (name, largest.get(name, 0.0)) for name in STATISTICS]
    return verdict(problems, lines, real, realdata, "the generated runs")


if __name__ == "__main__":
    sys.exit(main())
