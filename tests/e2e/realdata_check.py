#!/usr/bin/env python3
"""Runs the program on real result files (by reference, never copied into the
repository) and checks it.

Files that follow the layout: the console text, exit status and the three
reports must equal those of the independent model in tests/support.
Files of later software versions: the run must end by itself with a defined
result (a completed run, or a failure stop with its closing line), never a
signal or a hang.

    realdata_check.py PROGRAM REALDATA_DIR

Prints "N passed, N failed"; the folder being absent skips everything.
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import reference_model  # noqa: E402

# (files, replicate count, approach, C)
CONFORMING = [
    (["nividic/testGPR14.gpr"], "2", "1", "2.0"),
    (["bioperl-microarray/GenePix_Pro_3.0.6.89.gpr"], "4", "5", "1.5"),
    (["caarray/3_0_6_x.gpr"], "1", "3", "2"),
    (["aroma/gpr123.gpr"], "3", "4", "2.0"),
    (["caarray/18258_wap3.gpr", "caarray/21160_neu9.gpr", "caarray/21161_neu10.gpr"], "2", "2", "2.0"),
]

LATER = [
    "caarray/4_0_1_x.gpr", "caarray/4_1_1_x.gpr", "caarray/5_0_1_26.gpr", "nividic/testGPR3.gpr",
    "nividic/testGPR3_with_optional_fields.gpr", "snapCGH/10Mbslide28.gpr", "snapCGH/10Mbslide29.gpr",
    "doelan/Demo.gpr", "PAA/dummy_GSM734833_PA41992_-_AD1.gpr", "pepDat/f1_1.gpr",
]

REPORTS = ("cor.txt", "data.txt", "merge.txt")


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
    expected_console, expected_status, expected_reports = reference_model.run_case(work, answers)
    problems = []
    if console != expected_console:
        problems.append("console output differs")
    if status != expected_status:
        problems.append("status %d, expected %d" % (status, expected_status))
    for report in REPORTS:
        if reports.get(report) != expected_reports.get(report):
            problems.append(report + " differs")
    if not problems:
        shutil.rmtree(work)
    else:
        problems.append("kept " + work)
    return problems


def check_later(program, realdata, path):
    work, names = stage(realdata, [path])
    answers = ("1\n2\n%s\n1\n2.0\nk" % names[0]).encode()
    try:
        console, status = run_program(program, work, answers)
    except subprocess.TimeoutExpired:
        return ["did not end within 120 s, kept " + work]
    text = console.decode("latin-1")
    problems = []
    if status < 0:
        problems.append("ended by signal %d" % -status)
    elif status == 0 and not text.endswith("Press Any Key to Continue\n"):
        problems.append("status 0 without the success message")
    elif status != 0 and not (status == 1 and text.endswith("press any key to exit the program\n")):
        problems.append("status %d without a failure stop's closing line" % status)
    if not problems:
        shutil.rmtree(work)
    else:
        problems.append("kept " + work)
    return problems


def main(argv):
    program, realdata = os.path.abspath(argv[1]), argv[2]
    if not os.path.isdir(realdata):
        print("real data folder absent: skipped")
        print("0 passed, 0 failed, 1 skipped")
        return 0
    passed = failed = 0
    checks = [(" + ".join(f), lambda f=f, r=r, a=a, c=c: check_conforming(program, realdata, f, r, a, c))
              for f, r, a, c in CONFORMING]
    checks += [(p, lambda p=p: check_later(program, realdata, p)) for p in LATER]
    for name, check in checks:
        problems = check()
        if problems:
            failed += 1
            print("FAIL %s: %s" % (name, "; ".join(problems)))
        else:
            passed += 1
            print("ok   %s" % name)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
