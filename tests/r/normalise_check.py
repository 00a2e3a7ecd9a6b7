#!/usr/bin/env python3
"""Holds lowess and the slide normalisation against R, run as a black box.

- lowess on generated scatterplots (ties, repeated points, outliers, exact
  lines, constant y, a handful of points, residuals all but zero, spans whose
  f * n falls just short of a whole number) against R's lowess: every fitted
  value within 1e-10.
- median, loess and print-tip loess normalisation of several generated files
  (a few spots to 20,000; ties in A; missing values; blocks of unequal fill,
  scattered over the file, and blocks with 0 to 3 spots present), each also
  followed by scale normalisation between the files, against limma's
  normalizeWithinArrays and normalizeBetweenArrays: every value within 1e-6
  and missing in the same spots.

    normalise_check.py PROBE

Prints the largest difference per method. Exits 77 (skipped) without Rscript
or limma.
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
REFERENCE = os.path.join(HERE, "normalise_reference.R")
LOWESS_TOLERANCE = 1e-10
LIMMA_TOLERANCE = 1e-6


def lowess_cases(rng):
    """[(f, iter, delta, xs, ys)] with xs ascending."""
    cases = []
    for _ in range(260):
        n = rng.choice([1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 16, 25, 40, 77, 200, 1000, 3000])
        kind = rng.randrange(7)
        if kind == 0:
            xs = [float(rng.randint(0, 5)) for _ in range(n)]
        elif kind == 1:
            xs = [rng.uniform(0, 1) for _ in range(n)]
        elif kind == 2:
            xs = [float(i) for i in range(n)]
        elif kind == 3:
            xs = [round(rng.gauss(8, 2), 1) for _ in range(n)]
        elif kind == 4:
            xs = [3.0] * n
        elif kind == 5:
            xs = [rng.expovariate(1) for _ in range(n)]
        else:
            # Near-repeats and points just inside a neighbourhood's edge: the weights' cut-offs.
            xs = []
            for b in rng.sample(range(40), min(n, 40)):
                xs += [float(b), b + 0.0005 * rng.random(), b + 1 - 0.0008 * rng.random()]
            xs = xs[:n]
        xs.sort()
        shape = rng.randrange(6)
        if shape == 0:
            ys = [2 * x + 1 for x in xs]
        elif shape == 1:
            ys = [float(rng.randint(-2, 2)) for _ in xs]
        elif shape == 2:
            ys = [0.5] * n
        elif shape == 3:
            ys = [x * x / 10 + rng.gauss(0, 0.2) + (15 if rng.random() < 0.05 else 0) for x in xs]
        elif shape == 4:
            ys = [math.sin(x) + rng.gauss(0, 0.3) + rng.choice([0] * 20 + [8, -10]) for x in xs]
        else:
            ys = [rng.gauss(0, 1) for _ in xs]
        f = rng.choice([0.01, 0.1, 0.3, 0.5, 2 / 3, 1.0])
        iterations = rng.choice([0, 1, 3, 3, 5])
        delta = 0.01 * (xs[-1] - xs[0]) * rng.choice([0, 1, 1, 3, 20])
        cases.append((f, iterations, delta, xs, ys))
    # Residuals of a few parts in 1e8 of the others: the robustness steps stop
    # below a median of 1e-7 of the mean absolute residual.
    noise = [rng.gauss(0, 1) for _ in range(1000)]
    for e in (1e-8, 5e-9, 3e-9, 1e-9):
        ys = [e * noise[i] if i < 600 else noise[i] for i in range(1000)]
        cases.append((0.05, 3, 0.0, [float(i) for i in range(1000)], ys))
    # f * n just short of a whole number: 0.7 * 90 and (63 - 5e-8) / 90 * 90 hold 63 points, (63 - 2e-7) 62.
    xs = sorted(rng.uniform(0, 10) for _ in range(90))
    ys = [rng.gauss(0, 1) for _ in xs]
    for f in (0.7, (63 - 5e-8) / 90, (63 - 2e-7) / 90):
        cases.append((f, 3, 0.0, xs, ys))
    # limma's setting on a slide-sized scatter with ties.
    xs = sorted(round(rng.gauss(10, 2), 2) for _ in range(20000))
    cases.append((0.3, 3, 0.01 * (xs[-1] - xs[0]), xs, [0.2 * math.sin(x) + rng.gauss(0, 0.3) for x in xs]))
    return cases


def spot_values(rng, n, missing):
    """M and A of n spots from integer intensities (so A has ties), with a
    curve in M along A; about `missing` of them without a value."""
    ms, as_ = [], []
    for _ in range(n):
        r = int(rng.lognormvariate(7, 1.5))
        g = int(rng.lognormvariate(7, 1.5) * 1.3)
        if rng.random() < missing or r <= 0 or g <= 0:
            ms.append(math.nan)
            as_.append(math.nan)
            continue
        lr, lg = math.log2(r), math.log2(g)
        a = (lr + lg) / 2
        m = lr - lg + 0.3 * math.sin(a / 2) + (rng.gauss(0, 3) if rng.random() < 0.02 else 0)
        ms.append(m)
        as_.append(a)
    return ms, as_


def edge_files(rng):
    """{name: [(block, M, A)]}: files whose median |M| after print-tip loess
    is (nearly) 0, which in scale normalisation turns every file to 0 or NaN."""
    files = {}
    # A handful of spots in one block.
    ms, as_ = spot_values(rng, 5, 0.2)
    files["tiny"] = [(1, m, a) for m, a in zip(ms, as_)]
    # Blocks with 0, 1, 2 and 3 spots present, and 10 to 13 (neighbourhoods of
    # three, where the first fits are exact and limma's result rests on rounding),
    # in runs; the last block has M exactly linear in A.
    rows = []
    for b, present in enumerate([0, 1, 2, 3, 10, 11, 12, 13, 14], start=1):
        ms, as_ = spot_values(rng, 14, 0.0)
        for k in range(14):
            keep = k < present
            m = 0.5 * as_[k] - 4 if b == 9 else ms[k]
            rows.append((b, m if keep else math.nan, as_[k] if keep else math.nan))
    files["small_blocks"] = rows
    return files


def slide_files(rng):
    """{name: [(block, M, A)]}."""
    files = {}
    # Blocks of unequal size scattered over the file; a few spots with only M or only A.
    rows = []
    ms, as_ = spot_values(rng, 3000, 0.05)
    for m, a in zip(ms, as_):
        b = rng.choice([1, 2, 2, 3, 3, 3, 4, 5, 6, 7, 7, 8, 9, 10, 11, 12])
        u = rng.random()
        if u < 0.005:
            a = math.nan
        elif u < 0.01:
            m = math.nan
        rows.append((b, m, a))
    files["scattered"] = rows
    # Slide sized: 40 blocks of 500 in runs; one block nearly empty.
    rows = []
    ms, as_ = spot_values(rng, 20000, 0.03)
    for k, (m, a) in enumerate(zip(ms, as_)):
        b = k // 500 + 1
        if b == 17 and k % 500 >= 2:
            m = a = math.nan
        rows.append((b, m + 0.1 * math.cos(b) if not math.isnan(m) else m, a))
    files["slide"] = rows
    ms, as_ = spot_values(rng, 400, 0.1)
    files["medium"] = [(k // 100 + 1, 2.5 * m if not math.isnan(m) else m, a) for k, (m, a) in enumerate(zip(ms, as_))]
    return files


# Numbers travel as hexadecimal floating point both ways: R reads decimal
# text that needs all 17 digits one unit off now and then, hex exactly.
def text(v):
    return "NA" if math.isnan(v) else v.hex()


def read_table(path):
    with open(path) as fh:
        lines = fh.read().splitlines()
    return [line.split("\t") for line in lines[1:]]


def value(field):
    return math.nan if field == "NA" else float.fromhex(field)


def compare(mine, reference, columns, tolerance, key):
    """{column: largest difference} over rows matched by key(row); problems listed."""
    problems = []
    if len(mine) != len(reference):
        return {}, ["%d rows against %d" % (len(mine), len(reference))]
    largest = {name: 0.0 for name in columns.values()}
    for p, q in zip(mine, reference):
        if key(p) != key(q):
            return largest, ["rows out of step: %s against %s" % (key(p), key(q))]
        for c, name in columns.items():
            a, b = value(p[c]), value(q[c])
            if math.isnan(a) or math.isnan(b):
                if not (math.isnan(a) and math.isnan(b)):
                    problems.append("%s %s: %s against %s" % (name, key(p), p[c], q[c]))
                continue
            d = abs(a - b)
            largest[name] = max(largest[name], d)
            if not d <= tolerance:
                problems.append("%s %s: %s against %s" % (name, key(p), p[c], q[c]))
    return largest, problems


def run(probe, mode, rows, heading, work):
    given = os.path.join(work, mode + "_in.tsv")
    with open(given, "w") as fh:
        fh.write(heading + "\n")
        for row in rows:
            fh.write("\t".join(row) + "\n")
    mine = os.path.join(work, mode + "_probe.tsv")
    reference = os.path.join(work, mode + "_r.tsv")
    with open(given) as stdin, open(mine, "w") as stdout:
        subprocess.run([probe, mode], stdin=stdin, stdout=stdout, check=True)
    subprocess.run(["Rscript", REFERENCE, mode, given, reference], check=True)
    return read_table(mine), read_table(reference)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if missing_r_package("limma"):
        return SKIPPED
    probe = sys.argv[1]
    rng = random.Random(20240611)
    work = tempfile.mkdtemp(prefix="spotweave-normalise-")
    problems = []
    try:
        rows = []
        for k, (f, iterations, delta, xs, ys) in enumerate(lowess_cases(rng)):
            rows += [(str(k), text(f), str(iterations), text(delta), text(x), text(y)) for x, y in zip(xs, ys)]
        mine, reference = run(probe, "lowess", rows, "case\tf\titer\tdelta\tx\ty", work)
        # Each row of a case in turn: the key is the case and the row's place.
        largest, found = compare(mine, reference, {1: "lowess"}, LOWESS_TOLERANCE, lambda r: r[0])
        problems += found
        print("lowess: %d cases, largest difference %.3g" % (len({r[0] for r in rows}), largest.get("lowess", 0)))

        columns = {2: "median", 3: "loess", 4: "printtiploess", 5: "scale after median", 6: "scale after loess",
                   7: "scale after printtiploess"}
        for group, files in (("edge files", edge_files(rng)), ("slides", slide_files(rng))):
            rows = []
            for name, spots in files.items():
                rows += [(name, str(s + 1), str(b), text(m), text(a)) for s, (b, m, a) in enumerate(spots)]
            mine, reference = run(probe, "normalise", rows, "file\tspot\tblock\tM\tA", work)
            largest, found = compare(mine, reference, columns, LIMMA_TOLERANCE, lambda r: (r[0], r[1]))
            problems += found
            for name in columns.values():
                print("%s, %s: %d spots, largest difference %.3g" % (group, name, len(rows), largest.get(name, 0)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for p in problems[:10] + problems[10:][-10:]:
        print("FAIL " + p)
    if problems:
        print("%d differences beyond the tolerance" % len(problems))
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
