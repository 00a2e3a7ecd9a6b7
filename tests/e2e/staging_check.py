#!/usr/bin/env python3
"""A command-line run that does not succeed leaves the output folder as it
was (each failing run asks for another ratio approach, so a report it
wrote would differ): the reports of an earlier run, byte for byte, and no report under its
temporary name. Checked for a bad file, a full device (the file-size limit
of the run, the way a full disk refuses a write), a folder in a report's
place, and a run killed while it writes, followed by the next run, which
clears what the killed one left.

    staging_check.py PROGRAM

Prints one line per check and "N passed, N failed".
"""

import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))

import make_result_file as mk  # noqa: E402
from check_list import run_checks  # noqa: E402

REPORTS = ("cor.txt", "data.txt", "merge.txt", "report.html")


def staged(folder):
    return sorted(n for n in os.listdir(folder) if n.startswith(".spotweave-") and n.endswith(".part"))


def contents(folder):
    """Every file of the folder by name, with its bytes."""
    out = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            out[name] = f.read()
    return out


class Work:
    """A folder with result files and the reports of a first, good run in out/."""

    def __init__(self, program, blocks=1, files=2):
        self.program = program
        self.dir = tempfile.mkdtemp(prefix="spotweave-staging-")
        self.files = ["s%d.gpr" % (i + 1) for i in range(files)]
        side = 24 if blocks > 1 else 4
        for i, name in enumerate(self.files[:2]):
            mk.make_result_file(blocks, side, side, seed=i + 1, replicates=2).write(os.path.join(self.dir, name))
        for name in self.files[2:]:
            shutil.copy(os.path.join(self.dir, "s1.gpr"), os.path.join(self.dir, name))
        with open(os.path.join(self.dir, "s1.gpr"), "rb") as f:
            data = f.read()
        lines = data.split(b"\n")
        first = next(i for i, line in enumerate(lines) if line.startswith(b"1\t1\t1\t"))
        cells = lines[first + 2].split(b"\t")
        cells[8] = b"12x4"
        lines[first + 2] = b"\t".join(cells)
        with open(os.path.join(self.dir, "bad.gpr"), "wb") as f:
            f.write(b"\n".join(lines))
        self.out = os.path.join(self.dir, "out")
        done = self.run(["--html", "-j", "1", "-r", "2"] + self.files)
        if done.returncode != 0:
            raise SystemExit("the first run failed: %r" % done.stderr)
        self.earlier = contents(self.out)

    def run(self, args, **options):
        return subprocess.run([self.program, "-q", "-o", "out"] + args, cwd=self.dir, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=120, **options)

    def problems_after(self, done, status, message):
        problems = []
        if done.returncode != status:
            problems.append("status %d, expected %d" % (done.returncode, status))
        if message.encode() not in done.stderr:
            problems.append("message %r missing from %r" % (message, done.stderr[-300:]))
        return problems + self.unchanged()

    def unchanged(self):
        now = contents(self.out)
        if now == self.earlier:
            return []
        left = staged(self.out)
        changed = [n for n in self.earlier if now.get(n) != self.earlier[n]]
        return ["the output folder changed: %s%s" % (", ".join(changed), " staged: " + ", ".join(left) if left else "")]

    def finish(self, problems):
        if problems:
            problems.append("kept " + self.dir)
        else:
            shutil.rmtree(self.dir)
        return problems


def bad_file(program):
    w = Work(program)
    done = w.run(["--html", "-a", "2", "-r", "2", "s1.gpr", "bad.gpr"])
    return w.finish(w.problems_after(done, 1, "spotweave: bad.gpr, line"))


def full_device(program):
    """cor.txt fits under the limit, data.txt does not."""
    w = Work(program, blocks=4)
    limit = 16 * 1024

    def small_files():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

    done = w.run(["--html", "-a", "2", "-r", "2"] + w.files, preexec_fn=small_files)
    return w.finish(w.problems_after(done, 1, "spotweave: can't write the data file <out/data.txt>: File too large"))


def folder_in_place(program):
    w = Work(program)
    os.remove(os.path.join(w.out, "merge.txt"))
    os.mkdir(os.path.join(w.out, "merge.txt"))
    w.earlier = contents_with_folder(w.out)
    done = w.run(["--html", "-a", "2", "-r", "2"] + w.files)
    problems = []
    if done.returncode != 1 or b"out/merge.txt: a folder of that name is in the way" not in done.stderr:
        problems.append("status %d, %r" % (done.returncode, done.stderr))
    if contents_with_folder(w.out) != w.earlier:
        problems.append("the output folder changed")
    return w.finish(problems)


def contents_with_folder(folder):
    return {n: (None if os.path.isdir(os.path.join(folder, n)) else open(os.path.join(folder, n), "rb").read())
            for n in sorted(os.listdir(folder))}


def killed_then_next_runs(program):
    """Killed as soon as its first report is staged; the next run, stopped by a
    bad file, clears what it left; the run after that writes new reports."""
    w = Work(program, blocks=48, files=8)
    problems = []
    for attempt in range(5):
        run = subprocess.Popen([program, "-q", "-j", "1", "-o", "out", "--html", "-r", "2"] + w.files, cwd=w.dir,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        while run.poll() is None and not staged(w.out):
            time.sleep(0.0005)
        if run.poll() is None:
            run.send_signal(signal.SIGKILL)
        run.wait()
        if run.returncode == -signal.SIGKILL and staged(w.out):
            break
    else:
        return w.finish(["no run could be killed while writing"])
    left = staged(w.out)
    for name, data in w.earlier.items():
        if contents(w.out).get(name) != data:
            problems.append("the killed run changed " + name)
    done = w.run(["-r", "2", "s1.gpr", "bad.gpr"])
    problems += w.problems_after(done, 1, "spotweave: bad.gpr, line")
    done = w.run(["-r", "2"] + w.files)
    if done.returncode != 0 or staged(w.out):
        problems.append("the run after: status %d, staged %s" % (done.returncode, staged(w.out)))
    if not left:
        problems.append("the killed run left nothing staged")
    return w.finish(problems)


def main(argv):
    program = os.path.abspath(argv[1])
    checks = [
        ("a bad file leaves the earlier reports", lambda: bad_file(program)),
        ("a full device leaves the earlier reports", lambda: full_device(program)),
        ("a folder in a report's place replaces nothing", lambda: folder_in_place(program)),
        ("a killed run, then the next runs", lambda: killed_then_next_runs(program)),
    ]
    return run_checks(checks)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
