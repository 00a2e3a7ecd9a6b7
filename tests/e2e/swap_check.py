#!/usr/bin/env python3
"""Dye swaps, checked two ways.

- A run with --swap 2 and a run with a targets file whose row for file 2
  names the reference in Cy5 write the same bytes in every report
  (cor.txt, data.txt, merge.txt, normalised.txt, moderated.txt), with and
  without a normalisation.
- Swapping every file negates every normalised M exactly, under every
  normalisation, and leaves the channel tables of cor.txt as they were.

    swap_check.py PROGRAM CASES
"""
import os
import shutil
import subprocess
import sys
import tempfile

REPORTS = ("cor.txt", "data.txt", "merge.txt", "normalised.txt", "moderated.txt")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(program, work, args):
    done = subprocess.run([program, "-q"] + args, cwd=work, capture_output=True, timeout=120)
    check(done.returncode == 0, "%s: status %d, %r" % (" ".join(args), done.returncode, done.stderr[-300:]))
    return done


def read(*path):
    return open(os.path.join(*path), "rb").read()


def normalised_m(path):
    lines = read(path).decode("latin-1").split("\n")
    return [[None if c == "-" else float(c) for c in line.split("\t")[6:]] for line in lines[1:] if line]


def swap_or_targets(program, work, files):
    """--swap 2 against a targets file naming file 2's reference in Cy5."""
    os.makedirs(os.path.join(work, "slides"))
    for name in files:
        shutil.move(os.path.join(work, name), os.path.join(work, "slides", name))
    with open(os.path.join(work, "slides", "targets.txt"), "w") as f:
        f.write("SlideNumber\tfilename\tCy3\tCY5\n")
        for k, name in enumerate(files, start=1):
            sample = "treated %d" % k
            f.write("%d\t%s\t%s\t%s\n" % (k, name, "ref" if k != 2 else sample, sample if k != 2 else "ref"))
    for options in ([], ["--normalise", "printtiploess", "--between", "scale"]):
        label = " ".join(options) or "header factors"
        run(program, os.path.join(work, "slides"), ["--swap", "2", "--moderated", "-r", "3", "-o", "../swap"] +
            options + files)
        run(program, work, ["--targets", "slides/targets.txt", "--moderated", "-r", "3", "-o", "targets"] + options)
        for report in REPORTS:
            check(read(work, "swap", report) == read(work, "targets", report),
                  "%s: %s differs between --swap 2 and the targets file" % (label, report))
        shutil.rmtree(os.path.join(work, "swap"))
        shutil.rmtree(os.path.join(work, "targets"))


def every_file_swapped(program, work, files):
    everything = ",".join(str(k) for k in range(1, len(files) + 1))
    for options in (["--normalise", "header"], ["--normalise", "none"], ["--normalise", "median"],
                    ["--normalise", "loess"], ["--normalise", "printtiploess"],
                    ["--normalise", "printtiploess", "--between", "scale"]):
        label = " ".join(options)
        run(program, work, ["-o", "plain"] + options + files)
        run(program, work, ["-o", "swapped", "--swap", everything] + options + files)
        plain, swapped = normalised_m(os.path.join(work, "plain", "normalised.txt")), \
            normalised_m(os.path.join(work, "swapped", "normalised.txt"))
        negated = all((a is None and b is None) or (a is not None and b is not None and a == -b)
                      for row_a, row_b in zip(plain, swapped) for a, b in zip(row_a, row_b))
        check(len(plain) == len(swapped) and negated, "%s: swapping every file does not negate M exactly" % label)
        cor_plain = read(work, "plain", "cor.txt").split(b"\n")
        cor_swapped = read(work, "swapped", "cor.txt").split(b"\n")
        check(cor_plain[:4] == cor_swapped[:4], "%s: swapping changed the channel rows of cor.txt" % label)
        shutil.rmtree(os.path.join(work, "plain"))
        shutil.rmtree(os.path.join(work, "swapped"))


def main():
    program, cases = os.path.abspath(sys.argv[1]), sys.argv[2]
    files = ["m1.gpr", "m2.gpr", "m3.gpr"]
    with tempfile.TemporaryDirectory() as work:
        for k, name in enumerate(files):
            shutil.copy(os.path.join(cases, "merge_rules", "m%d.gpr" % (k % 2 + 1)), os.path.join(work, name))
        every_file_swapped(program, work, files)
        swap_or_targets(program, work, files)
    for failure in failures:
        print("FAIL", failure)
    print("dye swaps: %d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
