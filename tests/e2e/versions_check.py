#!/usr/bin/env python3
"""Runs the program on generated files of every layout and checks it.

- The same spot values written as GenePix Results 1.4 (all factors 1) and as
  each later layout give the same three reports, byte for byte.
- Runs of later files, and of later and 1.x files mixed in any order, give
  the console text, status and reports of the independent model.
- Each refusal of a later file names the file and line, stops with status 1
  and leaves no report behind.

    versions_check.py PROGRAM

Prints "N passed, N failed".
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import make_result_file as mk  # noqa: E402
import reference_model  # noqa: E402
from check_list import model_problems, run_checks  # noqa: E402

REPORTS = ("cor.txt", "data.txt", "merge.txt")
LATER = sorted(mk.LATER_LAYOUTS)
CLOSING = b"press any key to exit the program\n"


def run(program, files, replicates, approach, c, names=None):
    """Writes files {name: ResultFile} to a fresh folder and runs the program
    with them in `names` order. -> (work, console, status, {report: bytes})."""
    work = tempfile.mkdtemp(prefix="spotweave-versions-")
    for name, rf in files.items():
        rf.write(os.path.join(work, name))
    names = names or list(files)
    answers = ("%d\n%s\n%s\n%s\n%s\nk" % (len(names), replicates, "\n".join(names), approach, c)).encode()
    with open(os.path.join(work, "answers.txt"), "wb") as f:
        f.write(answers)
    done = subprocess.run([program], cwd=work, input=answers, stdout=subprocess.PIPE, timeout=120)
    reports = {}
    for report in REPORTS:
        path = os.path.join(work, report)
        if os.path.exists(path):
            with open(path, "rb") as f:
                reports[report] = f.read()
    return work, done.stdout, done.returncode, reports


def matches_model(work, console, status, reports):
    for report in REPORTS:
        path = os.path.join(work, report)
        if os.path.exists(path):
            os.remove(path)
    return model_problems(console, status, reports, reference_model.run_case(work), REPORTS)


def slide(version, seed, gene_seed=3, **options):
    return mk.make_result_file(3, 4, 4, seed=seed, replicates=2, gene_seed=gene_seed, version=version,
                               **options)


def finish(work, problems):
    if problems:
        problems.append("kept " + work)
    else:
        shutil.rmtree(work)
    return problems


# ----------------------------------------------------------------- checks

def same_reports_as_1x(program, version, approach, c, **options):
    """Two slides in one layout give the reports of the same slides in 1.4
    whose factors are all 1."""
    def files(v, **more):
        return {"s1.gpr": slide(v, 1, **options, **more), "s2.gpr": slide(v, 2, **options, **more)}
    w1, _, s1, r1 = run(program, files("1.4", factors=("1",) * 5), 2, approach, c)
    w2, console, s2, r2 = run(program, files(version), 2, approach, c)
    problems = []
    if s1 != 0 or s2 != 0:
        problems.append("status %d (1.4) and %d (%s)" % (s1, s2, version))
    for report in REPORTS:
        if report not in r2 or r1.get(report) != r2.get(report):
            problems.append(report + " differs from the 1.4 run")
    problems += matches_model(w2, console, s2, r2)
    shutil.rmtree(w1)
    return finish(w2, problems)


def mixed_run(program, order, approach, c):
    """1.x files (with their own factors) and later files in one run."""
    files = {}
    for i, version in enumerate(order, 1):
        options = {"factors": ("0.8", "1.25", "0.5", "2", "1.5")} if version in ("1.4", "1.2") else {}
        if version == "1.2":
            options["layout"] = 13
        files["m%d.gpr" % i] = slide(version, 10 + i, **options)
    work, console, status, reports = run(program, files, 2, approach, c)
    problems = [] if status == 0 else ["status %d" % status]
    return finish(work, problems + matches_model(work, console, status, reports))


def refused(program, files, message, names=None):
    """The run stops with status 1 and `message` as its last lines, no report written."""
    work, console, status, reports = run(program, files, 2, 1, "2.0", names)
    problems = []
    expected = message.encode("latin-1") + b"\n" + CLOSING
    if status != 1:
        problems.append("status %d, expected 1" % status)
    if not console.endswith(expected):
        problems.append("console ends %r, expected %r" % (console[-300:], expected))
    if reports:
        problems.append("reports written: " + " ".join(sorted(reports)))
    return finish(work, problems)


def drop_column(rf, title):
    """The file without the column whose title (wavelengths put in) is `title`."""
    columns = [(t, src) for t, src in mk.LATER_LAYOUTS[rf.version]]
    r, g = rf.wavelengths
    kept = [(t, src) for t, src in columns if t.replace("{r}", r).replace("{g}", g) != title]
    key = rf.version + "-without-" + title
    mk.LATER_LAYOUTS[key] = kept
    mk.LATER_TYPES[key] = mk.LATER_TYPES[rf.version]
    mk.LATER_CREATORS[key] = mk.LATER_CREATORS[rf.version]
    rf.version = key
    return rf


def with_rows(rf, line_map):
    """The file's text with data row i (1-based) passed through line_map[i]."""
    text = rf.to_text()
    lines = text.split("\n")
    first = len(rf.header_lines())
    for i, change in line_map.items():
        lines[first + i - 1] = change(lines[first + i - 1])
    return "\n".join(lines).encode("latin-1")


class Raw:
    """Bytes standing in for a ResultFile."""

    def __init__(self, data):
        self.data = data

    def write(self, path):
        with open(path, "wb") as f:
            f.write(self.data)


def refusal_checks(program):
    good = slide("3", 1)
    title_line = len(good.header_lines())
    first_row = title_line + 1
    checks = []
    single = slide("3", 2)
    single.version = "3-single"
    mk.LATER_LAYOUTS["3-single"] = [(t, s) for t, s in mk.LATER_LAYOUTS["3"] if "{g}" not in t]
    mk.LATER_TYPES["3-single"], mk.LATER_CREATORS["3-single"] = "GenePix Results 3", "GenePix Pro 7.0.4"
    checks.append(("one channel", {"a.gpr": good, "b.gpr": single},
                   "\n b.gpr, line %d: the file holds one channel (F635 Median), but the program merges "
                   "two-channel result files; give it files scanned at two wavelengths" % title_line))
    checks.append(("green over red", {"a.gpr": slide("3-4.1", 3, ratio_formulation="W2/W1 (532/635)")},
                   "\n a.gpr, line 14: the file holds 532/635 ratios (RatioFormulations=W2/W1 (532/635)), green "
                   "over red; export it again from GenePix Pro with ratios W1/W2 (635/532)"))
    checks.append(("missing column", {"a.gpr": drop_column(slide("2", 4), "B532 Median")},
                   "\n a.gpr, line %d: the column \"B532 Median\" is missing from the titles; export the file "
                   "again from GenePix Pro with every standard column" % title_line))
    short = Raw(with_rows(slide("3", 5), {7: lambda line: "\t".join(line.split("\t")[:40])}))
    checks.append(("row with fewer fields", {"a.gpr": good, "b.gpr": short},
                   "\n b.gpr, line %d: spot 7, the row has 40 fields, fewer than the 56 column titles of line %d"
                   % (first_row + 6, title_line)))
    long_row = Raw(with_rows(slide("3", 6), {3: lambda line: line + "\t\t7\t"}))
    checks.append(("row with extra text", {"a.gpr": long_row},
                   "\n a.gpr, line %d: the row has 59 fields, more than the 56 column titles of line %d, and "
                   "the extra ones are not empty" % (first_row + 2, title_line)))
    padded = Raw(with_rows(slide("3", 6), {i: (lambda line: line + "\t\t \t") for i in range(1, 49)}))
    checks.append(("rows padded with empty cells", {"a.gpr": good, "b.gpr": padded}, None))
    seventh = slide("3", 7)
    background = seventh.to_text().split("\n")[len(seventh.header_lines()) + 1].split("\t")[13]
    bad_number = Raw(with_rows(seventh, {2: lambda line: "\t".join(
        cell if i != 13 else cell + "x" for i, cell in enumerate(line.split("\t")))}))
    checks.append(("a needed field that is not a number", {"a.gpr": good, "b.gpr": bad_number},
                   "\n b.gpr, line %d: spot 2, column \"B635 Median\": \"%sx\" is not a number"
                   % (first_row + 1, background.strip('" '))))
    head = "\n".join(good.header_lines()[:20]) + "\n"
    checks.append(("header ends before the titles", {"a.gpr": good, "b.gpr": Raw(head.encode("latin-1"))},
                   "\n b.gpr, line 20: the file ends inside the header, before the first data row; the program "
                   "reads GenePix Results 1.2 and 1.4 files (GenePix Pro 3.0) at their fixed places and GenePix "
                   "Results 2 and 3 files (GenePix Pro 4.0 to 7.2) by their column titles, so export the file "
                   "again from GenePix Pro"))
    miscounted = good.to_text().replace("\t56\n", "\t57\n", 1)
    checks.append(("titles disagree with line 2", {"a.gpr": Raw(miscounted.encode("latin-1"))},
                   "\n a.gpr, line %d: line 2 announces 57 columns, but this title line holds 56; the program "
                   "reads GenePix Results 1.2 and 1.4 files (GenePix Pro 3.0) at their fixed places and GenePix "
                   "Results 2 and 3 files (GenePix Pro 4.0 to 7.2) by their column titles, so export the file "
                   "again from GenePix Pro" % title_line))
    out = []
    for name, files, message in checks:
        if message is None:
            work, console, status, reports = run(program, files, 2, 1, "2.0")
            problems = [] if status == 0 else ["status %d" % status]
            out.append((name, lambda w=work, c=console, s=status, r=reports, p=problems:
                        finish(w, p + matches_model(w, c, s, r))))
        else:
            out.append((name, lambda f=files, m=message: refused(program, f, m)))
    return out


def main(argv):
    program = os.path.abspath(argv[1])
    checks = []
    for version in LATER:
        for approach, c in ((1, "2.0"), (3, "1.5"), (5, "3")):
            checks.append(("%s equals 1.4, approach %d" % (version, approach),
                           lambda v=version, a=approach, c=c: same_reports_as_1x(program, v, a, c)))
    checks.append(("3, unquoted CR LF file equals 1.4",
                   lambda: same_reports_as_1x(program, "3", 2, "2.0", quoted=False, crlf=True)))
    checks.append(("3 at 633/543 equals 1.4",
                   lambda: same_reports_as_1x(program, "3", 4, "2.0", wavelengths=("633", "543"))))
    checks.append(("2 at 685/580 equals 1.4",
                   lambda: same_reports_as_1x(program, "2", 1, "2.0", wavelengths=("685", "580"))))
    for order in (["1.4", "3"], ["3", "1.4"], ["2", "1.2", "3-gal", "1.4"], ["3-4.1", "3-4.1", "2"]):
        checks.append(("mixed " + " + ".join(order), lambda o=order: mixed_run(program, o, 1, "2.0")))
    checks += refusal_checks(program)
    return run_checks(checks)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
