"""Holds the moderated statistics of moderated_probe against R's limma.

    python3 moderated_check.py MODERATED_PROBE [--keep DIR]

Writes gene x file matrices of log ratios (2 to 99 files, 5 to 20,000 genes;
missing values, genes with one value, with all values equal, with none;
changing genes and none), runs the probe and limma (lmFit, eBayes,
topTable(sort.by = "none", number = Inf)) on each, and compares: t and both
p-values to a relative 1e-5, logFC and B to 2e-6, the prior df and variances
to a relative 1e-5, and the same genes without a value. Prints the largest
difference of each column. Exits 77 when Rscript or limma is not installed.
"""

import math
import os
import random
import shutil
import subprocess
import sys
import tempfile
from r_packages import SKIPPED, missing_r_package

HERE = os.path.dirname(os.path.abspath(__file__))
COLUMNS = ["logFC", "t", "P.Value", "adj.P.Val", "B"]
RELATIVE = {"t": 1e-5, "P.Value": 1e-5, "adj.P.Val": 1e-5}
ABSOLUTE = {"logFC": 2e-6, "B": 2e-6}
PRIORS = ["df.prior", "s2.prior", "var.prior"]


def make_matrix(seed, genes, files, spread=0.3, changing=0.0, shift=2.0, missing=0.0, one_value=0, no_value=0,
                constant=0, zero=0, same_variance=False):
    """Rows of values (None = missing), rounded to 6 decimals as a result file would give them."""
    rng = random.Random(seed)
    pattern = [rng.gauss(0.0, 1.0) for _ in range(files)]
    rows = []
    for g in range(genes):
        mean = 0.0
        if rng.random() < changing:
            mean = rng.choice([-1.0, 1.0]) * shift * (0.5 + rng.random())
        if same_variance:
            row = [mean + z for z in pattern]
        else:
            sd = 0.5 * math.exp(rng.gauss(0.0, spread))
            row = [rng.gauss(mean, sd) for _ in range(files)]
        row = [round(x, 6) for x in row]
        if missing > 0.0:
            row = [None if rng.random() < missing else x for x in row]
        rows.append(row)
    # The special genes go at spread-out places, not all at the top.
    places = rng.sample(range(genes), one_value + no_value + constant + zero)
    for k, g in enumerate(places):
        if k < one_value:
            keep = rng.randrange(files)
            rows[g] = [round(rng.gauss(0.0, 1.0), 6) if j == keep else None for j in range(files)]
        elif k < one_value + no_value:
            rows[g] = [None] * files
        elif k < one_value + no_value + constant:
            value = round(rng.uniform(-2.0, 2.0), 6)
            rows[g] = [value] * files
        else:
            rows[g] = [0.0] * files
    return rows


CASES = [
    ("no change, 4 files", dict(seed=1, genes=2000, files=4)),
    ("2% changing, 6 files", dict(seed=2, genes=5000, files=6, changing=0.02)),
    ("missing values, 8 files", dict(seed=3, genes=3000, files=8, changing=0.03, missing=0.1, one_value=40,
                                     no_value=25, constant=10)),
    ("2 files", dict(seed=4, genes=1000, files=2, changing=0.05, missing=0.15, no_value=5)),
    ("3 files, 10 genes", dict(seed=5, genes=10, files=3, changing=0.2)),
    ("25 genes, 1 changing", dict(seed=6, genes=25, files=4, changing=0.04, shift=4.0)),
    ("wide spread of variances", dict(seed=7, genes=4000, files=5, spread=1.5, changing=0.05)),
    ("one variance: infinite df.prior", dict(seed=8, genes=3000, files=5, changing=0.05, same_variance=True,
                                             one_value=30)),
    ("one variance, unequal df", dict(seed=9, genes=2000, files=6, changing=0.05, same_variance=True, missing=0.1,
                                      no_value=4)),
    ("5 genes: df total capped", dict(seed=102, genes=5, files=3, spread=0.02)),
    ("most genes all zero", dict(seed=11, genes=300, files=4, changing=0.1, constant=20, zero=170)),
    ("one gene with residual df", dict(seed=12, genes=30, files=3, one_value=29)),
    ("20,000 genes x 99 files", dict(seed=13, genes=20000, files=99, changing=0.01, shift=0.5)),
    ("99 files with missing values", dict(seed=14, genes=1500, files=99, changing=0.05, shift=0.5, missing=0.3,
                                          one_value=10, no_value=10, constant=5)),
]


def write_matrix(path, rows):
    with open(path, "w") as out:
        for row in rows:
            out.write("\t".join("NA" if x is None else "%.6f" % x for x in row) + "\n")


def read_table(path):
    """(priors, rows) of a probe or limma output; None when not estimable."""
    with open(path) as f:
        lines = f.read().splitlines()
    if lines == ["not estimable"]:
        return None
    priors = {}
    for line in lines[:3]:
        name, value = line.split("\t")
        priors[name] = float(value)
    if lines[3].split("\t") != COLUMNS:
        raise ValueError("%s: unexpected header %r" % (path, lines[3]))
    rows = [[None if v in ("NA", "NaN") else float(v) for v in line.split("\t")] for line in lines[4:]]
    return priors, rows


def difference(name, ours, theirs):
    """The measure the column is held to: relative for t and p-values, absolute otherwise."""
    if ours == theirs:
        return 0.0
    if name in RELATIVE or name in PRIORS:
        if math.isinf(ours) or math.isinf(theirs):
            return math.inf
        return abs(ours - theirs) / abs(theirs) if theirs != 0.0 else abs(ours)
    return abs(ours - theirs)


def limit(name):
    return RELATIVE.get(name, ABSOLUTE.get(name, 1e-5))


def compare(label, ours, theirs, worst):
    """Failure messages for one case; the largest difference of each column goes into worst."""
    if ours is None or theirs is None:
        if (ours is None) != (theirs is None):
            return ["%s: estimable for one side only" % label]
        return []
    failures = []
    for name in PRIORS:
        d = difference(name, ours[0][name], theirs[0][name])
        worst[name] = max(worst[name], d)
        if not d <= limit(name):
            failures.append("%s: %s %.17g, limma %.17g" % (label, name, ours[0][name], theirs[0][name]))
    if len(ours[1]) != len(theirs[1]):
        return failures + ["%s: %d genes, limma %d" % (label, len(ours[1]), len(theirs[1]))]
    for gene, (a, b) in enumerate(zip(ours[1], theirs[1]), start=1):
        for k, name in enumerate(COLUMNS):
            if (a[k] is None) != (b[k] is None):
                failures.append("%s: gene %d %s %s, limma %s" % (label, gene, name, a[k], b[k]))
                continue
            if a[k] is None:
                continue
            d = difference(name, a[k], b[k])
            worst[name] = max(worst[name], d)
            if not d <= limit(name) and len(failures) < 20:
                failures.append("%s: gene %d %s %.17g, limma %.17g" % (label, gene, name, a[k], b[k]))
    return failures


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    probe = sys.argv[1]
    if missing_r_package("limma"):
        return SKIPPED
    keep = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--keep" else None
    folder = keep or tempfile.mkdtemp(prefix="moderated_")
    try:
        paths = []
        for k, (label, settings) in enumerate(CASES):
            path = os.path.join(folder, "case%02d.txt" % k)
            write_matrix(path, make_matrix(**settings))
            paths.append(path)
        subprocess.run(["Rscript", os.path.join(HERE, "moderated_limma.R")] + paths, check=True)
        worst_all = {name: 0.0 for name in PRIORS + COLUMNS}
        failures = []
        for (label, settings), path in zip(CASES, paths):
            with open(path + ".probe", "w") as out:
                subprocess.run([probe, path], stdout=out, check=True)
            ours = read_table(path + ".probe")
            theirs = read_table(path + ".limma")
            worst = {name: 0.0 for name in PRIORS + COLUMNS}
            failures += compare(label, ours, theirs, worst)
            for name in worst:
                worst_all[name] = max(worst_all[name], worst[name])
            priors = "not estimable"
            if ours is not None:
                priors = "df.prior %-9.6g var.prior %-9.6g" % (ours[0]["df.prior"], ours[0]["var.prior"])
            print("%-34s %5d x %2d  %s" % (label, settings["genes"], settings["files"], priors))
        print("largest difference (relative for t, p-values and priors; absolute for logFC and B):")
        for name in PRIORS + COLUMNS:
            print("  %-10s %.3g  (limit %g)" % (name, worst_all[name], limit(name)))
        for line in failures:
            print("FAIL " + line)
        return 1 if failures else 0
    finally:
        if keep is None:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
