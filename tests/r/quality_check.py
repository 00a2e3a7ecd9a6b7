"""Compares the slide-quality statistics of quality_probe with R's.

    quality_check.py PROBE

Generates tables of spots (2 to 30 files; ties, missing values, a gradient,
a blotch, a shifted slide, a constant slide, slides on one line) and lists of
numbers, runs PROBE and Rscript (tests/r/quality_reference.R: ks.test,
Hmisc's hoeffd, fivenum, fft and plain R) on each, and requires every number
to agree within 1e-6, the grids and the outlier flags exactly. Prints the
largest difference per statistic. Exits 77 (skipped) when Rscript or Hmisc
is not installed.
"""
import math
import os
import random
import subprocess
import sys
import tempfile
from r_packages import SKIPPED, missing_r_package

TOLERANCE = 1e-6
HERE = os.path.dirname(os.path.abspath(__file__))
STATISTICS = ["distance", "ks", "hoeffding", "spatial"]


def spot_places(rng, block_cols, block_rows, rows, cols):
    """Spot centres of a slide in whole micrometres, as the scanner reports them."""
    places = []
    for br in range(block_rows):
        for bc in range(block_cols):
            for r in range(rows):
                for c in range(cols):
                    places.append((1500 + bc * (cols * 150 + 450) + c * 150 + rng.randint(-6, 6),
                                   2500 + br * (rows * 150 + 450) + r * 150 + rng.randint(-6, 6)))
    return places


def plain_slide(rng, places, shift=0.0):
    """M and A of one slide with no structure: A around 9, M around 0."""
    return [(rng.gauss(shift, 0.6), rng.gauss(9.0, 1.5)) for _ in places]


def make_case(rng, name, files, layout, kinds, missing=0.0, place_missing=0.0, rounding=None):
    places = spot_places(rng, *layout)
    width = max(x for x, _ in places)
    height = max(y for _, y in places)
    table = []
    for f in range(files):
        kind = kinds.get(f, "plain")
        values = plain_slide(rng, places, shift=0.8 if kind == "shifted" else 0.0)
        for s, ((x, y), (m, a)) in enumerate(zip(places, values)):
            if kind == "gradient":
                m += 2.0 * x / width + 1.5 * y / height
            elif kind == "blotch":
                d2 = (x - 0.3 * width) ** 2 + (y - 0.6 * height) ** 2
                m += 2.5 * math.exp(-d2 / (2 * (0.15 * width) ** 2))
            elif kind == "dependent":
                m = 0.4 * (a - 9.0) ** 2 + rng.gauss(0.0, 0.2)
            elif kind == "constant":
                m = 0.0
            elif kind == "strip":
                y = 4000
            elif kind == "one place":
                x, y = 4000, 4000
            if rounding is not None:
                m = round(m, rounding)
                a = round(a)
            row = [m, a, x, y]
            if kind == "sparse" and s % 50 != 0:
                row[0] = None
            if kind == "empty":
                row[0] = None
            if rng.random() < missing:
                row[0] = None
            if rng.random() < missing / 2:
                row[1] = None
            if rng.random() < place_missing:
                row[2 + rng.randint(0, 1)] = None
            table.append((f + 1, s + 1, row))
    return name, table


def write_table(path, table):
    with open(path, "w") as out:
        out.write("file\tspot\tM\tA\tX\tY\n")
        for f, s, row in table:
            fields = ["NA" if v is None else repr(float(v)) for v in row]
            out.write("%d\t%d\t%s\n" % (f, s, "\t".join(fields)))


def cases(rng):
    yield make_case(rng, "two files", 2, (2, 1, 4, 5), {})
    yield make_case(rng, "heavy ties", 5, (3, 2, 8, 6), {1: "gradient"}, rounding=1)
    yield make_case(rng, "missing values", 8, (4, 3, 7, 7), {2: "blotch", 5: "shifted"}, missing=0.1,
                    place_missing=0.03)
    yield make_case(rng, "suspect slides", 12, (4, 2, 12, 12),
                    {0: "gradient", 3: "blotch", 6: "shifted", 9: "dependent"}, missing=0.02)
    yield make_case(rng, "constant, sparse, empty", 6, (2, 2, 7, 7), {1: "constant", 3: "sparse", 4: "empty"})
    yield make_case(rng, "thirty files", 30, (2, 2, 10, 10), {7: "gradient", 20: "shifted"}, missing=0.05)
    yield make_case(rng, "one line, one place", 3, (5, 1, 2, 10), {0: "strip", 1: "one place"})
    yield make_case(rng, "large", 4, (4, 6, 12, 11), {2: "blotch"}, missing=0.01, rounding=2)


def fivenum_lists(rng):
    lists = []
    for n in range(0, 13):
        for _ in range(12):
            pick = rng.random()
            values = []
            for _ in range(n):
                if pick < 0.3:
                    values.append(str(rng.randint(-2, 2)))
                elif rng.random() < 0.1:
                    values.append("NA")
                else:
                    values.append(repr(rng.uniform(-5, 5)))
            lists.append(values)
    lists += [["Inf", "1", "-Inf"], ["-Inf", "Inf"], ["NA", "NA"], ["1e300", "1e300", "1e300", "1e300", "1e300"]]
    return lists


def value_of(text):
    return None if text == "NA" else float(text)


def read_lines(path):
    with open(path) as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def difference(a, b):
    """|a - b|, 0 for two NA or two equal infinities, None when only one is NA."""
    x, y = value_of(a), value_of(b)
    if x is None or y is None:
        return 0.0 if x is None and y is None else None
    if math.isinf(x) or math.isinf(y) or math.isnan(x) or math.isnan(y):
        return 0.0 if (x == y or (math.isnan(x) and math.isnan(y))) else None
    return abs(x - y)


def main():
    if len(sys.argv) != 2:
        print("usage: quality_check.py PROBE")
        return 2
    probe = sys.argv[1]
    if missing_r_package("Hmisc"):
        return SKIPPED
    rng = random.Random(20240611)
    failures = []
    largest = {name: 0.0 for name in STATISTICS + ["fivenum"]}
    compared = {name: 0 for name in STATISTICS + ["fivenum"]}
    with tempfile.TemporaryDirectory() as work:
        named = list(cases(rng))
        r_args = []
        for k, (name, table) in enumerate(named):
            write_table(os.path.join(work, "case%d.txt" % k), table)
            r_args += [os.path.join(work, "case%d.txt" % k), os.path.join(work, "r%d.txt" % k)]
        lists_path = os.path.join(work, "lists.txt")
        with open(lists_path, "w") as out:
            for values in fivenum_lists(rng):
                out.write("\t".join(values) + "\n")
        script = os.path.join(HERE, "quality_reference.R")
        for arguments in (r_args, ["fivenum", lists_path, os.path.join(work, "r_lists.txt")]):
            run = subprocess.run(["Rscript", script] + arguments, capture_output=True, text=True)
            if run.returncode != 0:
                print("FAIL: Rscript: " + run.stderr)
                return 1

        for k, (name, _) in enumerate(named):
            run = subprocess.run([probe, os.path.join(work, "case%d.txt" % k)], capture_output=True, text=True)
            if run.returncode != 0:
                failures.append("%s: probe failed: %s" % (name, run.stderr))
                continue
            ours = [line.split("\t") for line in run.stdout.splitlines() if line]
            theirs = read_lines(os.path.join(work, "r%d.txt" % k))
            if len(ours) != len(theirs):
                failures.append("%s: %d lines against R's %d" % (name, len(ours), len(theirs)))
                continue
            for a, b in zip(ours[1:], theirs[1:]):
                if a[0] == "outliers":
                    if a != b:
                        failures.append("%s: outliers of %s %s, R %s" % (name, a[1], a[2:], b[2:]))
                    continue
                if a[0] == "fivenum":
                    labels, start, kind = ["fivenum " + a[1]] * 5, 2, "fivenum"
                else:
                    labels, start, kind = STATISTICS, 1, None
                    if a[5:7] != b[5:7]:
                        failures.append("%s, file %s: grid %s, R %s" % (name, a[0], a[5:7], b[5:7]))
                for c, label in enumerate(labels):
                    d = difference(a[start + c], b[start + c])
                    if d is None or d > TOLERANCE:
                        failures.append("%s, %s %s: %s, R %s" % (name, a[0], label, a[start + c], b[start + c]))
                    elif value_of(a[start + c]) is not None:
                        key = kind or label
                        largest[key] = max(largest[key], d)
                        compared[key] += 1
            table = named[k][1]
            print("%-24s %2d files of %4d spots" % (name, max(f for f, _, _ in table), max(s for _, s, _ in table)))

        run = subprocess.run([probe, "--fivenum", lists_path], capture_output=True, text=True)
        ours = [line.split("\t") for line in run.stdout.splitlines() if line]
        theirs = read_lines(os.path.join(work, "r_lists.txt"))
        if run.returncode != 0 or len(ours) != len(theirs):
            failures.append("fivenum lists: probe gave %d lines, R %d" % (len(ours), len(theirs)))
        else:
            for n, (a, b) in enumerate(zip(ours, theirs)):
                for c in range(1, 6):
                    d = difference(a[c], b[c])
                    if d is None or d > TOLERANCE:
                        failures.append("fivenum list %d: %s, R %s" % (n + 1, a[1:], b[1:]))
                        break
                    if value_of(a[c]) is not None:
                        largest["fivenum"] = max(largest["fivenum"], d)
                        compared["fivenum"] += 1
            print("%-24s %d lists of 0 to 12 numbers" % ("fivenum", len(ours)))

    for name in STATISTICS + ["fivenum"]:
        print("largest difference from R, %-10s %.3g over %d values" % (name + ":", largest[name], compared[name]))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
