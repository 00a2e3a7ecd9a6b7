#!/usr/bin/env python3
"""End-to-end checks of the command line against the dialogue.

Every case of tests/e2e/cases whose answers the dialogue takes without a retry
is run a second time as a command line: a finished run must write the same
three reports byte for byte (into the folder given with -o), a failed one the
same failure text, on standard error, with the same status. Then the usage
errors, the guard rails, the output folder and the quiet mode.

    command_line_check.py PATH/TO/spotweave CASES_DIR [REALDATA_DIR]

With REALDATA_DIR (skipped when absent), the two mistakes the guard rails are
for are made on real result files.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

REPORTS = ("cor.txt", "data.txt", "merge.txt")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(program, args, cwd, answers=None):
    return subprocess.run([program] + args, cwd=cwd, input=answers, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=120)


def options_from_answers(case):
    """The command-line arguments for the dialogue answers of a case, or None
    when the answers are not one plain answer per question."""
    words = open(os.path.join(case, "answers.txt"), "rb").read().split()
    try:
        count, replicates = int(words[0]), int(words[1])
        names = [w.decode() for w in words[2:2 + count]]
        approach, qc = words[2 + count].decode(), words[3 + count].decode()
    except (ValueError, IndexError, UnicodeDecodeError):
        return None
    if not (1 <= count <= 99 and replicates >= 1 and approach in "12345" and len(names) == count
            and len(set(names)) == count and all(os.path.exists(os.path.join(case, n)) for n in names)):
        return None
    return ["-r", str(replicates), "-a", approach, "-c", qc] + names


def copy_case(case, work):
    for name in os.listdir(case):
        if name not in ("expected", "answers.txt", "setup.sh", "links.txt"):
            shutil.copy(os.path.join(case, name), work)


def compare_case(program, case, mismatched):
    name = os.path.basename(case)
    args = options_from_answers(case)
    if args is None or os.path.exists(os.path.join(case, "setup.sh")) or \
            os.path.exists(os.path.join(case, "links.txt")):
        return False
    expected = os.path.join(case, "expected")
    status = int(open(os.path.join(expected, "status")).read())
    with tempfile.TemporaryDirectory() as work:
        copy_case(case, work)
        done = run(program, ["-o", "out/reports"] + args, work)
        if done.returncode == 1 and b"different array layouts" in done.stderr:
            mismatched.append(name)
            done = run(program, ["--allow-layout-mismatch", "-o", "out/reports"] + args, work)
        check(done.returncode == status, f"{name}: status {done.returncode}, the dialogue gives {status}")
        same_at_other_thread_counts(program, name, work, args, done, name in mismatched)
        for report in REPORTS:
            want = os.path.join(expected, report)
            got = os.path.join(work, "out", "reports", report)
            if os.path.exists(want):
                check(os.path.exists(got) and open(got, "rb").read() == open(want, "rb").read(),
                      f"{name}: {report} differs from the dialogue's")
        if status == 0:
            check(b"out/reports/merge.txt" in done.stdout, f"{name}: the summary names no merge.txt path")
            check_summary(name, done.stdout.decode(), os.path.join(work, "out", "reports", "merge.txt"))
        else:
            console = open(os.path.join(expected, "console.txt"), "rb").read()
            closing = b"press any key to exit the program\n"
            check(console.endswith(closing) and done.stderr and console[:-len(closing)].endswith(done.stderr),
                  f"{name}: standard error {done.stderr!r} is not the dialogue's failure text")
            check(closing not in done.stdout + done.stderr, f"{name}: the command line asks for a key")
    return True


def same_at_other_thread_counts(program, name, work, args, reference, mismatched):
    """The run again with -j 1, 2 and 7: the console, the status and every
    report exactly those of the run at the machine's cores."""
    if mismatched:
        args = ["--allow-layout-mismatch"] + args
    reports = {r: read_if_there(os.path.join(work, "out", "reports", r)) for r in REPORTS}
    for threads in ("1", "2", "7"):
        out = os.path.join("out", "j" + threads)
        done = run(program, ["-j", threads, "-o", out] + args, work)
        label = f"{name} at -j {threads}"
        check(done.returncode == reference.returncode, f"{label}: status {done.returncode}")
        check(done.stdout.replace(out.encode(), b"out/reports") == reference.stdout, f"{label}: standard output differs")
        check(done.stderr == reference.stderr, f"{label}: standard error differs")
        for report in REPORTS:
            check(read_if_there(os.path.join(work, out, report)) == reports[report], f"{label}: {report} differs")


def read_if_there(path):
    return open(path, "rb").read() if os.path.exists(path) else None


def check_summary(name, console, merge_txt):
    """The summary's counts against the head of merge.txt: files and genes
    from its first lines, values not used and outliers from its two tables."""
    lines = open(merge_txt, encoding="latin-1").read().split("\n")
    files, genes = int(lines[0].split("\t")[1]), int(lines[1].split("\t")[1])
    not_used = sum(int(v) for v in lines[6].split("\t") if v)
    outliers = sum(int(v) for v in lines[10].split("\t") if v)
    match = re.search(r"Merged (\d+) files?: (\d+) spots each, (\d+) genes of \d+ spots?\.\n"
                      r"Values set aside \([^)]*\): (\d+); outliers removed: (\d+)\.\n", console)
    check(match is not None, f"{name}: no summary in {console[-300:]!r}")
    if match:
        said = [int(g) for g in match.groups()]
        check(said[0] == files and said[2] == genes and said[3] + said[4] == not_used and said[4] == outliers,
              f"{name}: summary {said} against merge.txt files {files}, genes {genes}, "
              f"not used {not_used}, outliers {outliers}")


def usage_errors(program, sample):
    """Each mistake of the arguments: one line on standard error naming it,
    the hint, status 2, nothing opened or written."""
    hundred = [f"f{i}.gpr" for i in range(100)]
    cases = [
        (["--bogus", sample], "--bogus"),
        (["-r"], "--replicates: the value is missing"),
        (["-r", "0", sample], "--replicates 0"),
        (["-r", "2x", sample], "--replicates 2x"),
        (["-a", "6", sample], "--approach 6"),
        (["-a", "median", sample], "--approach median"),
        (["-c", "0.99", sample], "--qc 0.99"),
        (["-c", "5.01", sample], "--qc 5.01"),
        (["-c", "2.0x", sample], "--qc 2.0x"),
        (["-c", "nan", sample], "--qc nan"),
        ([], None),
        (["-q"], "no result files given"),
        (hundred, "100 result files given"),
        ([sample, "./" + sample], "the file ./" + sample + " is given more than once"),
        ([sample, ""], "an empty file name was given"),
    ]
    with tempfile.TemporaryDirectory() as work:
        for args, problem in cases:
            if not args:
                continue  # no arguments at all is the dialogue
            done = run(program, args + ["-o", "never"] if args != ["-r"] else args, work)
            lines = done.stderr.decode().splitlines()
            label = " ".join(args[:4])
            check(done.returncode == 2, f"usage {label}: status {done.returncode}")
            check(len(lines) == 1 and problem in lines[0] and "--help" in lines[0],
                  f"usage {label}: standard error {done.stderr!r}")
            check(done.stdout == b"", f"usage {label}: standard output {done.stdout!r}")
            check(not os.path.exists(os.path.join(work, "never")), f"usage {label}: made the output folder")


def file_errors(program, sample_dir, sample):
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(sample_dir, sample), work)
        done = run(program, ["-o", "out", sample, "missing.gpr"], work)
        check(done.returncode == 1 and done.stderr == b"can't open the data file: missing.gpr\n",
              f"missing file: status {done.returncode}, standard error {done.stderr!r}")
        # Found before any file is read or any folder made.
        check(done.stdout == b"" and not os.path.exists(os.path.join(work, "out")),
              f"missing file: {done.stdout[:100]!r}")
        open(os.path.join(work, "plain"), "w").write("x")
        done = run(program, ["-o", "plain/sub", sample], work)
        check(done.returncode == 1 and b"plain/sub" in done.stderr and not done.stdout,
              f"output folder under a file: status {done.returncode}, {done.stderr!r}")


def helper_outputs(program):
    with tempfile.TemporaryDirectory() as work:
        for flag in ("-h", "--help"):
            done = run(program, [flag], work)
            text = done.stdout.decode()
            check(done.returncode == 0 and "Example:" in text and "--allow-layout-mismatch" in text,
                  f"{flag}: {done.returncode} {text[:80]!r}")
        done = run(program, ["--version"], work)
        check(done.returncode == 0 and done.stdout == b"spotweave 5.0\n", f"--version: {done.stdout!r}")
        check(os.listdir(work) == [], "help or version wrote a file")


def guard_rails(program, cases):
    """Two files of different layouts, and a replicate count that pools spots
    of different IDs."""
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(cases, "one_file_basic", "slide1.gpr"), work)
        shutil.copy(os.path.join(cases, "thousand_spots", "big.gpr"), work)
        done = run(program, ["slide1.gpr", "big.gpr"], work)
        err = done.stderr.decode()
        check(done.returncode == 1 and "big.gpr, line " in err and "slide1.gpr has" in err and "Block " in err
              and "--allow-layout-mismatch" in err, f"layout mismatch: {done.returncode} {err!r}")
        check(not os.path.exists(os.path.join(work, "merge.txt")), "layout mismatch: merge.txt written")
        done = run(program, ["--allow-layout-mismatch", "-q", "slide1.gpr", "big.gpr"], work)
        check(done.returncode == 0 and os.path.exists(os.path.join(work, "merge.txt")),
              f"--allow-layout-mismatch: {done.returncode} {done.stderr!r}")
        check(done.stdout == b"", f"--quiet printed {done.stdout!r}")

        # m1.gpr holds three spots of one ID per gene.
        shutil.copy(os.path.join(cases, "merge_rules", "m1.gpr"), work)
        done = run(program, ["-r", "2", "-o", "r2", "m1.gpr"], work)
        err = done.stderr.decode().splitlines()
        check(done.returncode == 0 and len(err) == 1 and err[0].startswith("warning: 7 of 21 genes")
              and "--replicates 2" in err[0], f"mixed replicate IDs: {done.returncode} {err!r}")
        done = run(program, ["-r", "3", "-o", "r3", "m1.gpr"], work)
        check(done.returncode == 0 and done.stderr == b"", f"matching replicates: warned {done.stderr!r}")


def long_paths_and_terminal(program, cases):
    """A path far beyond the dialogue's 50 characters is named in full in the
    reports; the progress line appears on a terminal only."""
    with tempfile.TemporaryDirectory() as work:
        folder = os.path.join("experiment " + "x" * 80, "day 1")
        os.makedirs(os.path.join(work, folder))
        path = os.path.join(folder, "slide1.gpr")
        shutil.copy(os.path.join(cases, "one_file_basic", "slide1.gpr"), os.path.join(work, path))
        done = run(program, ["-o", "out", path], work)
        data = open(os.path.join(work, "out", "data.txt"), "rb").read()
        check(done.returncode == 0 and (path + "(ratio)").encode() in data,
              f"long path: {done.returncode} {done.stderr!r}")
        check(b"\r" not in done.stdout + done.stderr, "a progress line on a redirected console")
        if shutil.which("script") is None:
            return
        # script(1) gives the program a terminal for its output.
        command = f"'{program}' -o tty '{path}'"
        shown = subprocess.run(["script", "-qec", command, "/dev/null"], cwd=work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120).stdout
        check(b"\rloading file 1 of 1" in shown and b"\rwriting merge.txt" in shown,
              f"no progress line on a terminal: {shown[-300:]!r}")
        done = run(program, ["-q", "-o", "quiet", path], work)
        check(done.stdout == b"" and done.stderr == b"", "--quiet printed something")


def real_mistakes(program, realdata):
    trio = [os.path.join(realdata, "caarray", name) for name in
            ("18258_wap3.gpr", "21160_neu9.gpr", "21161_neu10.gpr")]
    smaller = os.path.join(realdata, "aroma", "gpr123.gpr")
    if not all(os.path.exists(f) for f in trio + [smaller]):
        print("real result files absent: their checks skipped")
        return
    with tempfile.TemporaryDirectory() as work:
        # The slides hold one spot per gene: 2 pools neighbours of different IDs.
        done = run(program, ["-q", "-r", "2", "-o", "r2"] + trio, work)
        check(done.returncode == 0 and done.stderr.startswith(b"warning: 4368 of 4416 genes pool spots"),
              f"real trio with -r 2: {done.returncode} {done.stderr[:200]!r}")
        done = run(program, ["-q", "-o", "r1"] + trio, work)
        check(done.returncode == 0 and done.stderr == b"", f"real trio: {done.returncode} {done.stderr[:200]!r}")
        # 5184 spots in 48 columns against 8832 in 96: file 2 would be cut to file 1's rows.
        for files in ([smaller, trio[0]], [trio[0], smaller]):
            done = run(program, ["-q", "-o", "mixed"] + files, work)
            check(done.returncode == 1 and b"different array layouts" in done.stderr
                  and os.path.basename(files[1]).encode() + b", line 46: Block 1" in done.stderr,
                  f"real layouts {files}: {done.returncode} {done.stderr[:300]!r}")
        check(not os.path.exists(os.path.join(work, "mixed", "merge.txt")), "mixed layouts: merge.txt written")


def html_option(program, cases):
    """--html adds report.html beside the reports and changes none of them;
    without it, and in the dialogue, no page is written."""
    case = os.path.join(cases, "merge_rules")
    args = options_from_answers(case)
    with tempfile.TemporaryDirectory() as work:
        copy_case(case, work)
        plain = run(program, ["-o", "plain"] + args, work)
        paged = run(program, ["--html", "-o", "paged"] + args, work)
        check(plain.returncode == 0 and paged.returncode == 0, "--html: a run failed")
        check(not os.path.exists(os.path.join(work, "plain", "report.html")), "a run without --html wrote report.html")
        page = os.path.join(work, "paged", "report.html")
        check(os.path.exists(page) and open(page, "rb").read().startswith(b"<!DOCTYPE html>"),
              "--html wrote no page")
        check(b"paged/report.html" in paged.stdout, "--html: the summary does not name report.html")
        for report in REPORTS:
            check(open(os.path.join(work, "plain", report), "rb").read() ==
                  open(os.path.join(work, "paged", report), "rb").read(), f"--html changed {report}")
        for threads in ("1", "7"):
            again = run(program, ["--html", "-j", threads, "-o", "paged-j" + threads] + args, work)
            check(again.returncode == 0 and open(os.path.join(work, "paged-j" + threads, "report.html"), "rb").read()
                  == open(page, "rb").read(), f"--html -j {threads}: another page")
        os.makedirs(os.path.join(work, "blocked", "report.html"))
        blocked = run(program, ["--html", "-o", "blocked"] + args, work)
        check(blocked.returncode == 1 and b"can't write the report <blocked/report.html>" in blocked.stderr,
              f"--html onto a folder: status {blocked.returncode}, {blocked.stderr!r}")
        answers = open(os.path.join(case, "answers.txt"), "rb").read()
        dialogue = run(program, [], work, answers)
        check(dialogue.returncode == 0 and not os.path.exists(os.path.join(work, "report.html")),
              "the dialogue wrote report.html")


def main():
    program, cases = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    mismatched = []
    compared = sum(compare_case(program, os.path.join(cases, c), mismatched) for c in sorted(os.listdir(cases)))
    check(compared >= 8, f"only {compared} cases could be run both ways")
    # The one case whose second file has more rows than its first.
    check(mismatched == ["two_answers_one_line"], f"layouts refused in {mismatched}")
    usage_errors(program, "slide1.gpr")
    file_errors(program, os.path.join(cases, "one_file_basic"), "slide1.gpr")
    helper_outputs(program)
    guard_rails(program, cases)
    html_option(program, cases)
    long_paths_and_terminal(program, cases)
    if len(sys.argv) > 3:
        real_mistakes(program, sys.argv[3])
    for failure in failures:
        print("FAIL", failure)
    print(f"{compared} cases run both ways, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
