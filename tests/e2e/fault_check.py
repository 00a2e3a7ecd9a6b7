#!/usr/bin/env python3
"""Bad inputs and bad surroundings, end to end: every run must end by itself
within seconds, with a clear message and a non-zero status (or complete
correctly), never by a signal, never with a success message over a report
that is missing, and without memory growing with the size of a bad line.

    fault_check.py PROGRAM

Prints one line per case and "N passed, N failed".
"""

import os
import resource
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import make_result_file as mk  # noqa: E402

PRESS = b"press any key to exit the program\n"
DONE = b"Press Any Key to Continue\n"
REPORTS = ("cor.txt", "data.txt", "merge.txt")


def good_file(seed=1, blocks=1, columns=4, rows=4):
    """A small valid result file (16 spots by default)."""
    out = tempfile.mktemp()
    subprocess.run([sys.executable, os.path.join(HERE, "..", "support", "make_result_file.py"),
                    "--blocks", str(blocks), "--columns", str(columns), "--rows", str(rows),
                    "--seed", str(seed), "--replicates", "2", "-o", out], check=True)
    with open(out, "rb") as f:
        data = f.read()
    os.remove(out)
    return data


def header_and_rows(data):
    lines = data.split(b"\n")
    first = next(i for i, line in enumerate(lines) if line.startswith(b"1\t1\t1\t"))
    return b"\n".join(lines[:first]) + b"\n", lines[first:]


class Case:
    # max_rss_mb: the address space the program may use at most.
    def __init__(self, name, files, answers, expect, setup=None, max_rss_mb=None):
        self.name, self.files, self.answers, self.expect = name, files, answers, expect
        self.setup, self.max_rss_mb = setup, max_rss_mb


def answers_for(names, replicates=2):
    return ("%d\n%d\n%s\n1\n2.0\nk" % (len(names), replicates, "\n".join(names))).encode()


def run_case(program, case):
    work = tempfile.mkdtemp(prefix="spotweave-fault-")
    try:
        for name, data in case.files.items():
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        if case.setup:
            case.setup(work)
        limit = None
        # A sanitizer build reserves far more address space than it uses.
        if case.max_rss_mb is not None and not os.environ.get("SPOTWEAVE_SANITIZED"):
            # Bounded memory, checked by refusing the program more address space.
            size = case.max_rss_mb * 1024 * 1024
            limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (size, size))
        try:
            done = subprocess.run([program], cwd=work, input=case.answers, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=60, preexec_fn=limit)
        except subprocess.TimeoutExpired:
            return ["did not end within 60 s"]
        out, status = done.stdout, done.returncode
        problems = []
        if status < 0:
            problems.append("ended by signal %d" % -status)
        kind, text = case.expect
        if kind == "stop":
            if status != 1 or not out.endswith(PRESS):
                problems.append("expected a failure stop, got status %d" % status)
            if text.encode() not in out:
                problems.append("message %r missing; output ends %r" % (text, out[-300:]))
        elif kind == "ended":
            if status != 1 or text.encode() not in out or out.endswith(PRESS):
                problems.append("expected the end-of-answers stop, got status %d, %r" % (status, out[-200:]))
        elif kind == "complete":
            if status != 0 or not out.endswith(DONE):
                problems.append("expected a completed run, got status %d, %r" % (status, out[-300:]))
            for report in REPORTS:
                path = os.path.join(work, report)
                if not os.path.isfile(path) or os.path.getsize(path) == 0:
                    problems.append(report + " missing after a completed run")
        if status == 0 and b"OK!" in out:
            for report in REPORTS:
                if not os.path.isfile(os.path.join(work, report)):
                    problems.append("success claimed without " + report)
        return problems
    finally:
        os.chmod(work, 0o700)
        shutil.rmtree(work, ignore_errors=True)


def cases():
    good = good_file()
    header, rows = header_and_rows(good)
    body = b"\n".join(rows)
    one = ["a.gpr"]
    out = []

    # A last data line of 100 MB without a line feed (its Name holds nearly
    # all of it): both readers must stream through it in bounded memory.
    last = [r for r in rows if r.strip()][-1].split(b"\t")
    last[3] = b"n" * (100 * 1024 * 1024)
    long_line = header + b"\n".join([r for r in rows if r.strip()][:-1]) + b"\n" + b"\t".join(last)
    out.append(Case("line of 100 MB without a line feed", {"a.gpr": long_line}, answers_for(one),
                    ("complete", ""), max_rss_mb=64))
    digits = header + rows[0] + b"\n" + b"7" * (100 * 1024 * 1024)
    out.append(Case("100 MB of digits without a tab after the rows", {"a.gpr": digits}, answers_for(one),
                    ("complete", ""), max_rss_mb=64))
    out.append(Case("empty file", {"a.gpr": b""}, answers_for(one),
                    ("stop", "a.gpr is not a valid GenePix output file")))
    out.append(Case("empty second file", {"a.gpr": good, "b.gpr": b""}, answers_for(["a.gpr", "b.gpr"]),
                    ("stop", "b.gpr is not a valid GenePix output file.")))
    garbage = bytes((i * 37 + 11) % 256 for i in range(20000))
    out.append(Case("binary garbage after a valid header", {"a.gpr": header + garbage}, answers_for(one),
                    ("stop", "a.gpr, line")))
    out.append(Case("binary garbage after the rows", {"a.gpr": good + garbage, "b.gpr": good},
                    answers_for(["a.gpr", "b.gpr"]), ("stop", "a.gpr, line %d: the file is damaged here"
                                                      % (good.count(b"\n") + 1))))
    out.append(Case("binary garbage after the rows of a later file", {"a.gpr": good, "b.gpr": good + garbage},
                    answers_for(["a.gpr", "b.gpr"]), ("stop", "b.gpr, line %d: the file is damaged here"
                                                      % (good.count(b"\n") + 1))))
    claim = rows[-2].split(b"\t")
    claim[0:3] = [b"1000", b"1000", b"1000"]
    out.append(Case("last row claims 10^9 spots", {"a.gpr": header + b"\n".join(rows[:-2] + [b"\t".join(claim), b""])},
                    answers_for(one), ("stop", "gives 1000000000 spots, but the file has only"), max_rss_mb=60))
    huge = rows[0].split(b"\t")
    huge[3] = b"N" * 100000
    huge[4] = b"I" * 100000
    out.append(Case("names of 100,000 characters", {"a.gpr": header + b"\t".join(huge) + b"\n" + b"\n".join(rows[1:])},
                    answers_for(one), ("complete", "")))
    out.append(Case("file name of 100,000 characters", {"a.gpr": good}, ("1\n2\n" + "x" * 100000 + "\n").encode(),
                    ("ended", "The answers ended")))
    nul_name = rows[0].split(b"\t")
    nul_name[3] = b"ab\x00cd"
    out.append(Case("NUL bytes in header values",
                    {"a.gpr": header.replace(b"FileName=", b"File\x00Name=") + body}, answers_for(one),
                    ("complete", "")))
    out.append(Case("a NUL byte in a name",
                    {"a.gpr": header + b"\t".join(nul_name) + b"\n" + b"\n".join(rows[1:])}, answers_for(one),
                    ("stop", "a.gpr, line %d: the file is damaged here" % (header.count(b"\n") + 1))))
    out.append(Case("NUL byte in a typed file name", {"a.gpr": good}, b"1\n2\na\x00.gpr\na.gpr\n1\n2.0\nk",
                    ("complete", "")))
    out.append(Case("a directory given as a file name", {"a.gpr": good}, b"1\n2\nsub\na.gpr\n1\n2.0\nk",
                    ("complete", ""), setup=lambda w: os.mkdir(os.path.join(w, "sub"))))
    for report in REPORTS:
        out.append(Case("%s is a directory" % report, {"a.gpr": good}, answers_for(one),
                        ("stop", "can't open the data file" if report != "cor.txt" else "Can't open the data file: cor.txt"),
                        setup=lambda w, r=report: os.mkdir(os.path.join(w, r))))
        out.append(Case("%s on a full device" % report, {"a.gpr": good}, answers_for(one),
                        ("stop", "can't write the data file <%s>: " % report),
                        setup=lambda w, r=report: os.symlink("/dev/full", os.path.join(w, r))))
    out.append(Case("read-only working directory", {"a.gpr": good}, answers_for(one),
                    ("complete" if os.geteuid() == 0 else "stop", "" if os.geteuid() == 0 else "cor.txt"),
                    setup=lambda w: os.chmod(w, 0o555)))
    answers = answers_for(one).decode().split("\n")
    for cut in range(len(answers) - 1):
        out.append(Case("answers end after %d lines" % cut, {"a.gpr": good},
                        "\n".join(answers[:cut]).encode(), ("ended", "The answers ended")))
    bad_rows = {
        "a field that is not a number": body.replace(b"\t", b"\tx", 30),
        "a row ending before field 43": b"\n".join([rows[0]] + [rows[1].rsplit(b"\t", 5)[0]] + rows[2:]),
        "text after field 43": b"\n".join([rows[0], rows[1] + b"\textra"] + rows[2:]),
        "a file ending before its rows": b"\n".join(rows[:5]),
    }
    for label, data in bad_rows.items():
        out.append(Case(label, {"a.gpr": good, "b.gpr": header + data}, answers_for(["a.gpr", "b.gpr"]),
                        ("stop", "b.gpr, line")))
    return out


def main(argv):
    program = os.path.abspath(argv[1])
    passed = failed = 0
    for case in cases():
        problems = run_case(program, case)
        if problems:
            failed += 1
            print("FAIL %s: %s" % (case.name, "; ".join(problems)))
        else:
            passed += 1
            print("ok   %s" % case.name)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
