#!/usr/bin/env python3
"""Every allocation of a run made to fail, one run each: the run must end by
itself with status 1 (or complete, when the failed allocation was not
needed), never by a signal, and cor.txt, which the run computes in full
before it opens the file, is either absent or complete. Runs the dialogue on
tests/e2e/cases/merge_rules with the allocator of failing_malloc preloaded.

    allocation_check.py PROGRAM PRELOAD CASES
"""
import os
import shutil
import subprocess
import sys
import tempfile


def run(program, preload, case, work, failing=None, count=False):
    env = dict(os.environ, LD_PRELOAD=preload)
    if failing is not None:
        env["SPOTWEAVE_FAIL_ALLOCATION"] = str(failing)
    if count:
        env["SPOTWEAVE_COUNT_ALLOCATIONS"] = "1"
    for name in ("cor.txt", "data.txt", "merge.txt"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    answers = open(os.path.join(case, "answers.txt"), "rb").read()
    return subprocess.run([program], cwd=work, input=answers, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=env, timeout=60)


def main():
    program, preload, cases = sys.argv[1:4]
    case = os.path.join(cases, "merge_rules")
    complete = open(os.path.join(case, "expected", "cor.txt"), "rb").read()
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for name in ("m1.gpr", "m2.gpr"):
            shutil.copy(os.path.join(case, name), work)
        counted = run(program, preload, case, work, count=True)
        last = [line for line in counted.stderr.decode().splitlines() if line.startswith("allocations: ")]
        if counted.returncode != 0 or not last:
            sys.exit("the counting run failed: %r" % counted.stderr[-300:])
        total = int(last[-1].split()[1])
        ended, written = 0, 0
        for n in range(1, total + 1):
            done = run(program, preload, case, work, failing=n)
            cor = os.path.join(work, "cor.txt")
            # The command-line library's objects are made before main: a run
            # that fails there has printed nothing and cannot say a word.
            before_main = done.returncode == -6 and done.stdout == b"" and b"std::bad_alloc" in done.stderr
            if done.returncode < 0 and not before_main:
                failures.append("allocation %d: ended by signal %d" % (n, -done.returncode))
            elif done.returncode not in (0, 1) and not before_main:
                failures.append("allocation %d: status %d" % (n, done.returncode))
            if done.returncode == 1:
                ended += 1
            if os.path.exists(cor):
                written += 1
                if open(cor, "rb").read() != complete:
                    failures.append("allocation %d: cor.txt left incomplete (status %d)" % (n, done.returncode))
    for failure in failures[:20]:
        print("FAIL", failure)
    print("%d allocations, each failed once: %d runs ended with status 1, %d left a complete cor.txt, %d failures"
          % (total, ended, written, len(failures)))
    return 1 if failures or ended == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
