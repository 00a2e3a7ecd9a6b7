#!/usr/bin/env python3
"""A check whose inputs are absent says so: it exits 77, which ctest counts
as skipped, never 0, which it would count as passed; and a run that relies
on every check (SPOTWEAVE_NO_SKIPS=1, as CI sets it) fails on a skipped one.

    skip_check.py PROGRAM HTML_RUNNER SOURCE_DIR
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIPPED = 77


def status(command, **options):
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120,
                          **options).returncode


def main(argv):
    program, runner, source = argv[1:4]
    absent = os.path.join(tempfile.gettempdir(), "spotweave-no-such-folder", "realdata")
    problems = []
    for name, command in (("realdata_check.py", [sys.executable, os.path.join(HERE, "realdata_check.py"), program,
                                                 absent]),
                          ("html_check.py real", [sys.executable, os.path.join(HERE, "html_check.py"), "real", runner,
                                                  absent, program])):
        got = status(command)
        if got != SKIPPED:
            problems.append("%s without its real files: status %d, expected %d" % (name, got, SKIPPED))
    with tempfile.TemporaryDirectory() as work:
        log = os.path.join(work, "ctest.log")
        script = os.path.join(source, "scripts", "no-skipped-tests.sh")
        for text, relied_on, expected in (
                ("The following tests did not run:\n\t366 - realdata (Skipped)\n", "1", 1),
                ("The following tests did not run:\n\t366 - realdata (Skipped)\n", "", 0),
                ("100% tests passed, 0 tests failed out of 330\n", "1", 0)):
            with open(log, "w") as f:
                f.write(text)
            env = dict(os.environ, SPOTWEAVE_NO_SKIPS=relied_on)
            got = status(["sh", script, log], env=env)
            if got != expected:
                problems.append("no-skipped-tests.sh, SPOTWEAVE_NO_SKIPS=%r on %r: status %d, expected %d"
                                % (relied_on, text, got, expected))
    for problem in problems:
        print("FAIL " + problem)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
