#!/usr/bin/env python3
"""(Re)create every end-to-end case under tests/e2e/cases/.

Each case folder gets its result files, answers.txt (the bytes piped to
standard input, last byte the closing keypress) and expected/ with
console.txt, status and the reports the run leaves, all computed by
reference_model.py. Run from anywhere:

    python3 tests/support/build_cases.py            rebuild all cases
    python3 tests/support/build_cases.py NAME ...   rebuild some
"""

import os
import random
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import make_result_file as mk  # noqa: E402
import reference_model as model  # noqa: E402
from make_result_file import Spot, ResultFile  # noqa: E402

CASES_DIR = os.path.normpath(os.path.join(HERE, "..", "e2e", "cases"))
KEY = b"k"
REPORTS = ("cor.txt", "data.txt", "merge.txt")


def answers(*tokens_or_lines):
    """One answer per line unless a string already holds several."""
    return ("\n".join(tokens_or_lines) + "\n").encode() + KEY


def plain_spot(block, column, row, name, ident, ratio, f635=1200, b635=100,
               f532=900, b532=100, flag=0, word="0.412"):
    """A spot whose five ratio fields all hold `ratio` (field 31 differs)."""
    sp = Spot(block, column, row)
    sp.fields[mk.NAME] = name
    sp.fields[mk.ID] = ident
    for k in range(6, mk.FIELD_COUNT + 1):
        sp[k] = (k * 7) % 50 + 1
    sp.set(f635=f635, b635=b635, f532=f532, b532=b532, ratios=ratio,
           flag=flag, word=word)
    sp[mk.RATIOS_SD] = "9.999"
    return sp


# ------------------------------------------------------------------ cases

def case_one_file_basic():
    """One file, 3.0.6 layout (factors 15-19, quoted, Supplier line)."""
    rf = mk.make_result_file(2, 4, 3, seed=11,
                             replicates=2, gene_seed=1, layout=15,
                             factors=("0.393534", "0.391137", "0.398422",
                             "0.398666", "0.355853"))
    return {"slide1.gpr": rf}, answers("1", "2", "slide1.gpr", "1", "2.0")


def case_dialogue_retries():
    """Every retry of the dialogue; three files of three header layouts."""
    a = mk.make_result_file(2, 3, 2, seed=21,
                            replicates=2, gene_seed=2, layout=13, supplier_line=True,
                            factors=("1.1", "0.9", "1.05", "0.95", "1.2"),
                            file_name_value="FileName=run_a 635.tif\trun_a 532.tif")
    b = mk.make_result_file(2, 3, 2, seed=22,
                            replicates=2, gene_seed=2, layout=15, quoted=False,
                            factors=("2", "0.5", "1.5", "0.75", "1.25"),
                            file_name_value="FileName=run_b.tif")
    c = mk.make_result_file(2, 3, 2, seed=23,
                            replicates=2, gene_seed=2, layout=13, supplier_line=False,
                            factors=("0.8", "0.85", "0.9", "1.3", "1.15"),
                            file_name_value="FileName=run_c.tif")
    # row 5 named differently in each file: the last file's text is kept,
    # without its control character and its byte above 126
    a.spot(5).fields[mk.NAME] = '"alpha"'
    b.spot(5).fields[mk.NAME] = "beta"
    c.spot(5).fields[mk.NAME] = '"gam\x01ma\xe9"'
    c.spot(5).fields[mk.ID] = ""
    # layout values differ too: the last file's stand in the reports, while
    # the spot count comes from the last row of file 1 alone
    a.spot(3)[mk.COLUMN] = 7
    c.spot(3)[mk.BLOCK] = 2
    c.spot(3)[mk.COLUMN] = 9
    c.spot(3)[mk.ROW] = 5
    c.spot(12)[mk.BLOCK] = 9
    c.spot(12)[mk.ROW] = 8
    ans = answers("0", "abc", "x3", "-1", "100", "3abc",
                  "0", "-2", "2",
                  "missing.gpr", ".", "run_a.gpr",
                  "run_a.gpr", "missing.gpr", "run_b.gpr",
                  "run_a.gpr", "run_c.gpr",
                  "0", "6", "five", "4.8",
                  "0.99", "5.01", "abc", "nan", "1")
    return {"run_a.gpr": a, "run_b.gpr": b, "run_c.gpr": c}, ans


def case_two_answers_one_line():
    """"2 3" on one line; 16 spots in triplicate (one spot left over);
    15-19 layout without Supplier line, unquoted; second file CR LF with
    rows beyond the spot count."""
    x1 = mk.make_result_file(2, 2, 4, seed=31,
                             replicates=3, gene_seed=3, layout=15, quoted=False,
                             supplier_line=False,
                             factors=("1.5", "0.625", "1", "1", "1"))
    x2 = mk.make_result_file(2, 2, 4, seed=32,
                             replicates=3, gene_seed=3, layout=15, crlf=True,
                             factors=("0.7", "1.75", "1", "1", "1"))
    extra = mk.make_result_file(1, 2, 1, seed=33)
    x2.extra_rows = [s.line() for s in extra.spots]
    return {"x1.gpr": x1, "x2.gpr": x2}, answers("2 3", "x1.gpr", "x2.gpr", "2", "2")


def case_single_replicate_median_of_ratios():
    """R = 1, approach 3, C = 5.0; 13-17 layout unquoted CR LF, and 13-17
    without Supplier line (titles on line 27)."""
    p = mk.make_result_file(1, 5, 2, seed=41,
                            replicates=1, gene_seed=4, layout=13, quoted=False, crlf=True,
                            factors=("1", "1", "1.2", "1", "1"))
    q = mk.make_result_file(1, 5, 2, seed=42,
                            replicates=1, gene_seed=4, layout=13, supplier_line=False,
                            factors=("1", "1", "0.8", "1", "1"))
    return {"p.gpr": p, "q.gpr": q}, answers("2", "1", "p.gpr", "q.gpr", "3", "5.0")


def case_regression_factor_signs():
    """Approach 5 takes field 32 (field 31 is far off); factor 0 in file 2
    (constant ratios: nan correlations), negative factor in file 3."""
    files = {}
    for n, (seed, f5) in enumerate(((51, "1.1"), (52, "0"), (53, "-1.25")), start=1):
        rf = mk.make_result_file(1, 4, 2, seed=seed,
                                 replicates=2, gene_seed=5, layout=15,
                                 factors=("1", "1", "1", "1", f5))
        for sp in rf.spots:
            sp[mk.RATIOS_SD] = "37.5"
        files["f%d.gpr" % n] = rf
    return files, answers("3", "2", "f1.gpr", "f2.gpr", "f3.gpr", "5", "2")


def case_merge_rules():
    """Outlier chain, pair rule, p-value edge cases; 2 files x 3 replicates."""
    U = None  # unusable position: ratio -1
    F = "flag"  # positive ratio on a flagged spot
    genes = [
        ("chain_1_2_100", [1.0, 2.0, 100.0], [(5.0, -50), U, 0.0]),
        ("chain_01_1_10", [0.1, 1.0, 10.0], [U, U, U]),
        ("pair_exact_8", [1.0, U, U], [8.0, U, U]),
        ("pair_above_8", [1.0, U, U], [8.5, (3.0, "qc"), U]),
        ("twos", [2.0, 2.0, U], [2.0, (2.0, "qc"), U]),
        ("ones", [1.0, 1.0, 1.0], [1.0, U, U]),
        ("single", [U, 3.0, U], [U, U, U]),
        ("nothing", [(4.0, -75), (2.0, "qc"), 0.0], [-1.0, (1.5, -100), U]),
        ("dup_once", [1.0, 1.0, 1.0], [1.0, 5.0, 5.0]),
        ("dup_twice", [1.0, 1.0, 1.0], [2.0, 10.0, 10.0]),
        ("t_zero", [0.5, U, U], [U, 2.0, U]),
        ("one_two_three", [1.0, 2.0, 3.0], [U, U, U]),
        ("quotient_2", [1.0, U, 1.0], [U, 4.0, U]),
        ("ordinary", [1.25, 0.875, 1.5], [1.125, 0.75, 1.375]),
    ]
    R = 3
    files = []
    for f in range(2):
        spots = []
        for g, (gname, v1, v2) in enumerate(genes):
            vals = (v1, v2)[f]
            for r in range(R):
                s = g * R + r
                column, row = s % 6 + 1, s // 6 + 1
                v = vals[r]
                kw = {}
                if v is U:
                    ratio = -1.0
                elif isinstance(v, tuple):
                    ratio, how = v
                    if how == "qc":
                        kw = dict(f635=150, b635=100, f532=180, b532=100, flag=100)
                    else:
                        kw = dict(flag=how)
                else:
                    ratio = v
                spots.append(plain_spot(1, column, row, gname, "G%02d" % (g + 1),
                                        "%.3f" % ratio, **kw))
        # intensities vary so the correlations are defined
        rng = random.Random(60 + f)
        for sp in spots:
            if sp[mk.F635_MEDIAN] == "1200":
                sp[mk.F635_MEDIAN] = 1000 + rng.randint(0, 3000)
                sp[mk.F532_MEDIAN] = 1000 + rng.randint(0, 3000)
        files.append(ResultFile(spots, factors=("1", "1", "1", "1", "1"), layout=15))
    return ({"m1.gpr": files[0], "m2.gpr": files[1]},
            answers("2", "3", "m1.gpr", "m2.gpr", "1", "2"))


def case_quality_control():
    """C = 2.0 against chosen medians; flags as read; a flag of 50 ends the
    row walk of the first file, so its Block x Column x Row is the count."""
    rows = [
        # f635, b635, f532, b532, flag, ratio
        (300, 100, 150, 100, 0, 1.5),     # 632 passes
        (150, 100, 199, 100, -50, 1.2),   # both below: -90
        (150, 100, 199, 100, 100, 1.3),   # both below: -90 despite 100
        (200, 100, 100, 100, 0, 2.5),     # 632 exactly C
        (100, 100, 200, 100, 0, 0.5),     # 532 exactly C
        (500, 0, 300, 0, 0, 1.7),         # zero backgrounds: +inf passes
        (0, 0, 0, 0, 0, 0.9),             # 0/0 both: -90
        (0, 100, 0, 100, 0, 1.1),         # zero foregrounds: -90
        (800, 100, 900, 100, -100, 2.2),  # passes, flag -100 kept
        (800, 100, 900, 100, 100, 0.8),   # passes, flag 100 kept
        (500, 0, 0, 0, -75, 1.9),         # +inf and nan: passes, -75 kept
        (3, 1.5, 1, 1, 50, 0.7),          # 3/1.5 = 2 exactly; flag 50 ends the scan
        (900, 100, 900, 100, 0, 1.0),     # never read
        (900, 100, 900, 100, 0, 1.0),
        (900, 100, 900, 100, 0, 1.0),
        (900, 100, 900, 100, 0, 1.0),
    ]
    spots = []
    for s, (f635, b635, f532, b532, flag, ratio) in enumerate(rows):
        column, row = s % 4 + 1, s // 4 + 1
        sp = plain_spot(1, column, row, "q%02d" % (s + 1), "Q%02d" % (s + 1),
                        "%.3f" % ratio, f635=f635, b635=b635, f532=f532,
                        b532=b532, flag=flag, word="Error" if s % 3 == 0 else "0.25")
        spots.append(sp)
    rf = ResultFile(spots, factors=("1", "1", "1", "1", "1"), layout=15)
    return {"qc.gpr": rf}, answers("1", "1", "qc.gpr", "1", "2")


def case_thousand_spots():
    """1000 spots in quadruplicate: spot numbers reach four digits."""
    rf = mk.make_result_file(1, 40, 25, seed=81,
                             replicates=4, gene_seed=8, compact=True, layout=15,
                             factors=("0.9", "1", "1", "1", "1"))
    return {"big.gpr": rf}, answers("1", "4", "big.gpr", "1", "2")


def case_blank_line_before_atf():
    """Blank lines before the word ATF: its line is line 1."""
    rf = mk.make_result_file(1, 3, 2, seed=91,
                             replicates=2, gene_seed=9, layout=15, leading_blank_lines=2,
                             factors=("1.5", "1", "1", "1", "1"))
    return {"lead.gpr": rf}, answers("1", "2", "lead.gpr", "1", "2")


def case_first_file_not_atf():
    """File 1 begins with the word ATF1.0: stop after the dialogue."""
    bad = mk.make_result_file(1, 2, 2, seed=101, first_line="ATF1.0\t43")
    good = mk.make_result_file(1, 2, 2, seed=102)
    return ({"bad.gpr": bad, "good.gpr": good},
            answers("2", "1", "bad.gpr", "good.gpr", "1", "2"))


def case_later_file_not_atf():
    """File 3 begins with atf in lower case: stop while loading it."""
    g1 = mk.make_result_file(1, 2, 2, seed=111, factors=("1.5", "1", "1", "1", "1"))
    g2 = mk.make_result_file(1, 2, 2, seed=112, layout=13,
                             factors=("0.5", "1", "1", "1", "1"))
    bad = mk.make_result_file(1, 2, 2, seed=113, first_line="atf\t1.0")
    return ({"g1.gpr": g1, "g2.gpr": g2, "lower.gpr": bad},
            answers("3", "1", "g1.gpr", "g2.gpr", "lower.gpr", "2", "2.5"))


CASES = {
    "one_file_basic": case_one_file_basic,
    "dialogue_retries": case_dialogue_retries,
    "two_answers_one_line": case_two_answers_one_line,
    "single_replicate_median_of_ratios": case_single_replicate_median_of_ratios,
    "regression_factor_signs": case_regression_factor_signs,
    "merge_rules": case_merge_rules,
    "quality_control": case_quality_control,
    "thousand_spots": case_thousand_spots,
    "blank_line_before_atf": case_blank_line_before_atf,
    "first_file_not_atf": case_first_file_not_atf,
    "later_file_not_atf": case_later_file_not_atf,
}


# ------------------------------------------------------------------ build

def model_outputs(case_dir):
    return model.run_case(case_dir)


def robust_outputs(case_dir):
    """Model output, checked to be the same under every harmless
    regrouping of the p-value arithmetic."""
    ref = model_outputs(case_dir)
    for even in (True, False):
        for t_order in (0, 1, 2):
            model.EVEN_STEP_LEFT_TO_RIGHT = even
            model.T_ORDER = t_order
            try:
                if model_outputs(case_dir) != ref:
                    raise SystemExit("%s: printed output hangs on rounding order "
                                     "(even=%s, t=%d); change the case"
                                     % (case_dir, even, t_order))
            finally:
                model.EVEN_STEP_LEFT_TO_RIGHT = True
                model.T_ORDER = 0
    return ref


def build(name):
    files, ans = CASES[name]()
    d = os.path.join(CASES_DIR, name)
    if os.path.isdir(d):
        shutil.rmtree(d)
    os.makedirs(os.path.join(d, "expected"))
    for fname, rf in files.items():
        with open(os.path.join(d, fname), "wb") as f:
            f.write(rf.to_bytes() if isinstance(rf, ResultFile) else rf)
    with open(os.path.join(d, "answers.txt"), "wb") as f:
        f.write(ans)
    console, status, reports = robust_outputs(d)
    exp = os.path.join(d, "expected")
    with open(os.path.join(exp, "console.txt"), "wb") as f:
        f.write(console)
    with open(os.path.join(exp, "status"), "w") as f:
        f.write("%d\n" % status)
    for rname in REPORTS:
        if rname in reports:
            with open(os.path.join(exp, rname), "wb") as f:
                f.write(reports[rname])
    print("%-36s status %d  %s" % (name, status, " ".join(sorted(reports)) or "-"))


def main(argv):
    names = argv[1:] or list(CASES)
    for n in names:
        if n not in CASES:
            raise SystemExit("unknown case %s" % n)
        build(n)


if __name__ == "__main__":
    main(sys.argv)
