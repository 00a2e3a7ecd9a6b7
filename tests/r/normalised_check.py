#!/usr/bin/env python3
"""normalised.txt of the program against limma, run as a black box.

For every two-channel real result file of REALDATA that the program reads
(files of one layout together in one run) and for generated files holding
GenePix's ratio of 100000, negative intensities, flags and uneven blocks, the
program runs with each normalisation (--normalise header, none, median, loess,
printtiploess; with --between scale; with --flag-cutoff). M and A are worked
out here from the files as the independent model reads them, and limma's
normalizeWithinArrays / normalizeBetweenArrays (through normalise_reference.R)
normalise them; every value of normalised.txt must agree within 1e-6, and the
same spots must be missing. Prints the largest difference per method.

    normalised_check.py PROGRAM REALDATA

Exits 77 (skipped) without Rscript or limma, or without the real files (after
the generated ones are compared).
"""
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import make_result_file as mk  # noqa: E402
import reference_model as model  # noqa: E402
from r_packages import SKIPPED, missing_r_package, verdict  # noqa: E402

REFERENCE = os.path.join(HERE, "normalise_reference.R")
TOLERANCE = 1e-6
NO_RATIO = 100000.0

# Files of one layout, read together; the W2/W1 files (nividic/testGPR3.gpr,
# snapCGH/*) and the one-channel pepDat file are refused by the reader.
REAL_GROUPS = [
    ["caarray/3_0_6_x.gpr", "caarray/4_0_1_x.gpr", "caarray/4_1_1_x.gpr", "caarray/5_0_1_26.gpr"],
    ["caarray/18258_wap3.gpr", "caarray/21160_neu9.gpr", "caarray/21161_neu10.gpr"],
    ["aroma/gpr123.gpr"],
    ["bioperl-microarray/GenePix_Pro_3.0.6.89.gpr"],
    ["nividic/testGPR14.gpr"],
    ["nividic/testGPR3_with_optional_fields.gpr"],
    ["doelan/Demo.gpr"],
    ["PAA/dummy_GSM734833_PA41992_-_AD1.gpr"],
]

# The options of each run, and what limma does to the same M and A.
RUNS = [
    (["--normalise", "header"], "header", False),
    (["--normalise", "none"], "none", False),
    (["--normalise", "median"], "median", False),
    (["--normalise", "loess"], "loess", False),
    (["--normalise", "printtiploess"], "printtiploess", False),
    (["--normalise", "median", "--between", "scale"], "median", True),
    (["--normalise", "loess", "--between", "scale"], "loess", True),
    (["--normalise", "printtiploess", "--between", "scale"], "printtiploess", True),
    (["--between", "scale"], "header", True),
    (["--normalise", "printtiploess", "--flag-cutoff", "-75"], "printtiploess", False),
    (["--normalise", "median", "--flag-cutoff", "0"], "median", False),
]


def log2(x):
    return math.log2(x)


def m_and_a(run, f, method, cutoff):
    """M and A of file f (0-based) as normalised.txt defines them, None where missing."""
    by_intensity = method in ("median", "loess", "printtiploess")
    factor = 1.0 if method == "none" else run.factor[f][1]
    ms, as_ = [], []
    for s in range(run.ns):
        ratio = run.ratio[f][s]
        red = run.f632[f][s] - run.b632[f][s]
        green = run.f532[f][s] - run.b532[f][s]
        aside = cutoff is not None and math.floor(run.file_flag[f][s]) < cutoff
        m = None
        if not aside and ratio > 0 and ratio != NO_RATIO:
            if not by_intensity:
                m = log2(factor * ratio) if factor * ratio > 0 else None
            elif red > 0 and green > 0:
                m = log2(ratio)
        ms.append(m)
        as_.append(0.5 * (log2(red) + log2(green)) if not aside and red > 0 and green > 0 else None)
    return ms, as_


def hexed(v):
    return "NA" if v is None or (isinstance(v, float) and math.isnan(v)) else float(v).hex()


def limma(mode, table, work):
    """Runs normalise_reference.R over [(file, spot, block, M, A)]; {(file, spot): {column: value}}."""
    source, result = os.path.join(work, "in.tsv"), os.path.join(work, "out.tsv")
    with open(source, "w") as f:
        f.write("file\tspot\tblock\tM\tA\n")
        for file, spot, block, m, a in table:
            f.write("%s\t%d\t%d\t%s\t%s\n" % (file, spot, block, hexed(m), hexed(a)))
    subprocess.run(["Rscript", REFERENCE, mode, source, result], check=True, capture_output=True)
    lines = open(result).read().split("\n")
    titles = lines[0].split("\t")
    out = {}
    for line in lines[1:]:
        if line:
            cells = line.split("\t")
            out[(cells[0], int(cells[1]))] = {t: (None if c == "NA" else float.fromhex(c) if "x" in c else float(c))
                                             for t, c in zip(titles[2:], cells[2:])}
    return out


def program_table(program, work, names, options):
    out = os.path.join(work, "out")
    done = subprocess.run([program, "-q", "-o", out] + options + names, cwd=work, capture_output=True, timeout=300)
    if done.returncode != 0:
        raise SystemExit("the program failed on %s %s: %r" % (options, names, done.stderr[-300:]))
    lines = open(os.path.join(out, "normalised.txt"), encoding="latin-1").read().split("\n")
    if lines[0] != "\t".join(["Number", "Block", "Column", "Row", "Name", "ID"] + names):
        raise SystemExit("normalised.txt: titles %r" % lines[0])
    columns = [[] for _ in names]
    places = []
    for line in lines[1:]:
        if line:
            cells = line.split("\t")
            places.append(cells[:6])
            for k, c in enumerate(cells[6:]):
                columns[k].append(None if c == "-" else float(c))
    return columns, places


def expected_columns(run, names, method, scaled, cutoff, work, cache):
    """What limma gives for each file's column under `method` (and scale);
    one R run serves every method of one kind of M and one cutoff."""
    by_intensity = method in ("median", "loess", "printtiploess")
    kind = "normalise" if by_intensity else "scale"
    key = (kind, method if not by_intensity else "", cutoff)
    table = []
    for f, name in enumerate(names):
        ms, as_ = m_and_a(run, f, method, cutoff)
        for s in range(run.ns):
            table.append((name, s + 1, run.layout[s][0], ms[s], as_[s]))
    if not by_intensity and not scaled:
        return [[row[3] for row in table if row[0] == name] for name in names]
    if key not in cache:
        cache[key] = limma(kind, table, work)
    got = cache[key]
    column = "scale" if not by_intensity else ("scale_" if scaled else "") + method
    return [[got[(name, s + 1)][column] for s in range(run.ns)] for name in names]


def compare(label, got, want, largest):
    problems = []
    for f, (g, w) in enumerate(zip(got, want)):
        if len(g) != len(w):
            problems.append("%s, file %d: %d values against limma's %d" % (label, f + 1, len(g), len(w)))
            continue
        for s, (x, y) in enumerate(zip(g, w)):
            if (x is None) != (y is None or math.isnan(y)):
                problems.append("%s, file %d, spot %d: %s against limma's %s" % (label, f + 1, s + 1, x, y))
            elif x is not None:
                d = abs(x - y)
                largest[label.split(" ")[0]] = max(largest.get(label.split(" ")[0], 0.0), d)
                if not d <= TOLERANCE:
                    problems.append("%s, file %d, spot %d: %.6f against limma's %.9f" % (label, f + 1, s + 1, x, y))
    return problems


def stage(sources, work):
    """The files in `work` as f1.gpr, f2.gpr, ...: real files linked, generated ones written."""
    names = []
    for k, source in enumerate(sources, start=1):
        names.append("f%d.gpr" % k)
        if isinstance(source, bytes):
            open(os.path.join(work, names[-1]), "wb").write(source)
        else:
            os.symlink(os.path.abspath(source), os.path.join(work, names[-1]))
    return names


def check_group(program, label, sources, largest):
    problems = []
    with tempfile.TemporaryDirectory() as work:
        names = stage(sources, work)
        run = model.load_files(work, names)
        cache = {}
        for options, method, scaled in RUNS:
            cutoff = int(options[options.index("--flag-cutoff") + 1]) if "--flag-cutoff" in options else None
            got, places = program_table(program, work, names, options)
            for s in range(run.ns):
                want_place = [str(s + 1)] + [str(v) for v in run.layout[s]] + [run.gene_name[s], run.gene_id[s]]
                if places[s] != want_place:
                    problems.append("%s: spot %d reads %r, not %r" % (label, s + 1, places[s], want_place))
                    break
            want = expected_columns(run, names, method, scaled, cutoff, work, cache)
            problems += compare("%s %s (%s)" % (" ".join(options[1::2]), label, " ".join(options)), got, want,
                                largest)
    return problems


def generated_files():
    """Two slides of 4 uneven blocks: ratios of 100000, spots without signal,
    flags of every kind, a block all but empty and ties in A."""
    files = []
    for seed in (3, 4):
        rf = mk.make_result_file(4, 12, 10, seed=seed, replicates=2, gene_seed=8)
        for n, sp in enumerate(rf.spots, start=1):
            if n % 37 == 0:
                sp.set(ratios=NO_RATIO)
            if n % 53 == 0:
                sp.set(f635=50, b635=80)
            if n % 29 == 0:
                sp.set(flag=[-50, -75, -100, 100][n % 4])
            if int(sp[mk.BLOCK]) == 4 and n % 11 != 0:
                sp.set(ratios=0)  # block 4 keeps only a few spots
            if n % 41 == 0:
                sp.set(f635=2000, b635=100, f532=1000, b532=100)  # one A shared by many spots
        files.append(rf.to_bytes())
    return files


def rms_difference(a, b):
    pairs = [(x, y) for x, y in zip(a, b) if x is not None and y is not None]
    return math.sqrt(sum((x - y) ** 2 for x, y in pairs) / len(pairs)) if pairs else float("nan")


def one_scan_agrees(program, realdata):
    """The caarray files hold one scan written by four GenePix versions: under
    every normalisation by intensity their normalised columns must agree with
    each other about as closely as their raw log ratios do (within a quarter
    of the raw difference: a fit per print tip follows small differences), while the
    header factor of the 3.0 file alone sets it apart."""
    problems = []
    names = [os.path.join(realdata, g) for g in REAL_GROUPS[0]]
    with tempfile.TemporaryDirectory() as work:
        raw, _ = program_table(program, work, names, ["--normalise", "none"])
        header, _ = program_table(program, work, names, ["--normalise", "header"])
        print("one scan, four versions: RMS difference of M from the 3.0.6 file's, raw: %s; by header factors: %s"
              % (", ".join("%.4f" % rms_difference(raw[0], raw[k]) for k in (1, 2, 3)),
                 ", ".join("%.4f" % rms_difference(header[0], header[k]) for k in (1, 2, 3))))
        if not rms_difference(header[0], header[1]) > 10 * rms_difference(raw[0], raw[1]):
            problems.append("one scan: the header factor does not set the 3.0.6 file apart")
        for method in ("median", "loess", "printtiploess"):
            got, _ = program_table(program, work, names, ["--normalise", method])
            said = []
            for k in (1, 2, 3):
                d, base = rms_difference(got[0], got[k]), rms_difference(raw[0], raw[k])
                said.append("%.4f" % d)
                if not d <= base * 1.25 + 1e-6:
                    problems.append("one scan, %s: files 1 and %d differ by %.4f against %.4f raw" % (method, k + 1,
                                                                                                   d, base))
            print("  %-13s %s" % (method + ":", ", ".join(said)))
    return problems


def main():
    program, realdata = os.path.abspath(sys.argv[1]), sys.argv[2]
    if missing_r_package("limma"):
        return SKIPPED
    largest, problems = {}, []
    problems += check_group(program, "generated", generated_files(), largest)
    real = os.path.isdir(realdata)
    if real:
        for group in REAL_GROUPS:
            problems += check_group(program, group[0].split("/")[0], [os.path.join(realdata, g) for g in group],
                                    largest)
        problems += one_scan_agrees(program, realdata)
    lines = ["largest difference from limma, %-28s %.3g" % (label, largest[label]) for label in sorted(largest)]
    return verdict(problems, lines, real, realdata, "the generated files")


if __name__ == "__main__":
    sys.exit(main())
