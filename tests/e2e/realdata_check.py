#!/usr/bin/env python3
"""Runs the program on real result files (by reference, never copied into the
repository) and checks it.

Files of every version the program reads (1.x at fixed places, 2 and 3 by
their titles), alone and mixed: the console text, exit status and the three
reports must equal those of the independent model in tests/support.
Later files with one channel or green-over-red ratios: refused with their
messages. The three scans of one caArray slide (Pro 3.0.6, 4.0.1, 4.1.1):
equal data.txt ratios in every spot where their values agree.

    realdata_check.py PROGRAM REALDATA_DIR

Prints "N passed, N failed"; the folder being absent skips everything and
exits 77, which ctest counts as skipped.
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import reference_model  # noqa: E402
from check_list import finish_work, model_problems, run_checks  # noqa: E402

# (files, replicate count, approach, C)
CONFORMING = [
    (["nividic/testGPR14.gpr"], "2", "1", "2.0"),
    (["bioperl-microarray/GenePix_Pro_3.0.6.89.gpr"], "4", "5", "1.5"),
    (["caarray/3_0_6_x.gpr"], "1", "3", "2"),
    (["aroma/gpr123.gpr"], "3", "4", "2.0"),
    (["caarray/18258_wap3.gpr", "caarray/21160_neu9.gpr", "caarray/21161_neu10.gpr"], "2", "2", "2.0"),
]

# Later versions, two channels, red over green: read by their titles.
CONFORMING += [
    (["caarray/4_0_1_x.gpr"], "1", "1", "2.0"),
    (["caarray/4_1_1_x.gpr"], "2", "3", "1.5"),
    (["caarray/5_0_1_26.gpr"], "4", "5", "2.0"),
    (["nividic/testGPR3_with_optional_fields.gpr"], "2", "2", "2.0"),
    (["doelan/Demo.gpr"], "3", "4", "3"),
    (["PAA/dummy_GSM734833_PA41992_-_AD1.gpr"], "2", "1", "1.0"),
    # mixed with 1.x files, in both orders; file 1 sizes the run
    (["caarray/3_0_6_x.gpr", "caarray/4_0_1_x.gpr", "caarray/4_1_1_x.gpr", "caarray/5_0_1_26.gpr"], "2", "1",
     "2.0"),
    (["caarray/5_0_1_26.gpr", "caarray/4_1_1_x.gpr", "caarray/3_0_6_x.gpr"], "1", "3", "2.0"),
    (["caarray/4_1_1_x.gpr", "caarray/3_0_6_x.gpr", "caarray/4_1_1_x.gpr"], "2", "1", "2.0"),
]

GREEN_OVER_RED = ("line 14: the file holds 532/635 ratios (RatioFormulations=W2/W1 (532/635)), green over red; "
                  "export it again from GenePix Pro with ratios W1/W2 (635/532)")
REFUSED = [
    ("nividic/testGPR3.gpr", GREEN_OVER_RED),
    ("snapCGH/10Mbslide28.gpr", GREEN_OVER_RED),
    ("snapCGH/10Mbslide29.gpr", GREEN_OVER_RED),
    ("pepDat/f1_1.gpr", "line 35: the file holds one channel (F635 Median), but the program merges two-channel "
                        "result files; give it files scanned at two wavelengths"),
]

SAME_SLIDE = ["caarray/3_0_6_x.gpr", "caarray/4_0_1_x.gpr", "caarray/4_1_1_x.gpr"]

REPORTS = ("cor.txt", "data.txt", "merge.txt")
SKIPPED = 77


def stage(realdata, files):
    work = tempfile.mkdtemp(prefix="spotweave-real-")
    names = []
    for i, path in enumerate(files, 1):
        name = "r%d_%s" % (i, os.path.basename(path))
        os.symlink(os.path.join(realdata, path), os.path.join(work, name))
        names.append(name)
    return work, names


def run_program(program, work, answers):
    done = subprocess.run([program], cwd=work, input=answers, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)
    return done.stdout, done.returncode


def check_conforming(program, realdata, files, replicates, approach, c):
    work, names = stage(realdata, files)
    if len(set(files)) < len(files):  # a file given twice: one link per answer
        names = ["r%d_%s" % (i, os.path.basename(p)) for i, p in enumerate(files, 1)]
    answers = ("%d\n%s\n%s\n%s\n%s\nk" % (len(names), replicates, "\n".join(names), approach, c)).encode()
    with open(os.path.join(work, "answers.txt"), "wb") as f:
        f.write(answers)
    console, status = run_program(program, work, answers)
    reports = {}
    for report in REPORTS:
        path = os.path.join(work, report)
        if os.path.exists(path):
            with open(path, "rb") as f:
                reports[report] = f.read()
            os.remove(path)
    problems = model_problems(console, status, reports, reference_model.run_case(work, answers), REPORTS)
    return finish_work(work, problems)


def check_refused(program, realdata, path, message):
    work, names = stage(realdata, ["caarray/4_0_1_x.gpr", path])
    answers = ("2\n2\n%s\n1\n2.0\nk" % "\n".join(names)).encode()
    console, status = run_program(program, work, answers)
    expected = ("\n %s, %s\npress any key to exit the program\n" % (names[1], message)).encode()
    problems = []
    if status != 1:
        problems.append("status %d, expected 1" % status)
    if not console.endswith(expected):
        problems.append("console ends %r" % console[-300:])
    for report in REPORTS:
        if os.path.exists(os.path.join(work, report)):
            problems.append(report + " written")
    return finish_work(work, problems)


def spot_values(path):
    """Per spot: the values data.txt depends on (medians, ratio of medians, flags)."""
    with open(path, "rb") as f:
        data = f.read()
    later = reference_model.LaterFile.detect(data)
    keys = (9, 12, 18, 21, 27, 43)
    if later is None:
        lines = data.replace(b"\r\n", b"\n").decode("latin-1").split("\n")
        start = next(i for i, line in enumerate(lines) if line.startswith('"Block"')) + 1
        rows = [line.split("\t") for line in lines[start:] if line.strip()]
        return [tuple(float(r[k - 1]) for k in keys) for r in rows]
    where = later.column_map(path, None, None)
    return [tuple(float(fields[k]) for k in keys) for _, fields in later.data_rows(where)]


def with_factors_one(source, target):
    """A copy of a 1.x file whose five factors are 1, so ratios compare as read."""
    with open(source, "rb") as f:
        data = f.read()
    for key in (b"RatioOfMedians", b"RatioOfMeans", b"MedianOfRatios", b"MeanOfRatios", b"RegressionRatio"):
        start = data.index(b"NormalizationFactor:" + key + b"=") + len(b"NormalizationFactor:" + key + b"=")
        end = data.index(b'"', start)
        data = data[:start] + b"1" + data[end:]
    with open(target, "wb") as f:
        f.write(data)


def check_same_slide(program, realdata):
    work, names = stage(realdata, SAME_SLIDE)
    os.remove(os.path.join(work, names[0]))
    with_factors_one(os.path.join(realdata, SAME_SLIDE[0]), os.path.join(work, names[0]))
    answers = ("3\n1\n%s\n1\n1.0\nk" % "\n".join(names)).encode()
    console, status = run_program(program, work, answers)
    problems = [] if status == 0 else ["status %d" % status]
    values = [spot_values(os.path.join(realdata, p)) for p in SAME_SLIDE]
    with open(os.path.join(work, "data.txt"), "rb") as f:
        rows = [line.split(b"\t") for line in f.read().split(b"\n")[2:] if line.count(b"\t") >= 6]
    if len(rows) != len(values[0]):
        problems.append("data.txt has %d rows for %d spots" % (len(rows), len(values[0])))
    for a, b, least in ((0, 1, 6400), (1, 2, 6000), (0, 2, 6000)):
        agree = [s for s in range(len(rows)) if values[a][s] == values[b][s]]
        differ = [s + 1 for s in agree if rows[s][4 + a] != rows[s][4 + b]]
        if len(agree) < least:
            problems.append("files %d and %d agree in only %d spots" % (a + 1, b + 1, len(agree)))
        if differ:
            problems.append("files %d and %d: data.txt ratios differ in spots %s where values agree"
                            % (a + 1, b + 1, differ[:5]))
    return finish_work(work, problems)


def main(argv):
    program, realdata = os.path.abspath(argv[1]), argv[2]
    if not os.path.isdir(realdata):
        print("skipped: the real data folder %s is absent" % realdata)
        return SKIPPED
    checks = [(" + ".join(f), lambda f=f, r=r, a=a, c=c: check_conforming(program, realdata, f, r, a, c))
              for f, r, a, c in CONFORMING]
    checks += [(p + " refused", lambda p=p, m=m: check_refused(program, realdata, p, m)) for p, m in REFUSED]
    checks.append(("caarray: one slide in three versions", lambda: check_same_slide(program, realdata)))
    return run_checks(checks)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
