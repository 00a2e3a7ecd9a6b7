"""Helpers of the comparisons with R: whether R and a package are installed, and the verdict of a check."""
import shutil
import subprocess


def has_r_package(name):
    """True when Rscript runs and the package loads."""
    if shutil.which("Rscript") is None:
        return False
    probe = subprocess.run(["Rscript", "-e", "quit(status = if (requireNamespace('%s', quietly = TRUE)) 0 else 1)"
                            % name], capture_output=True)
    return probe.returncode == 0


def missing_r_package(name):
    """True, having said the check is skipped, when R or the package is missing."""
    if has_r_package(name):
        return False
    print("skipped: R/%s not installed" % name)
    return True


SKIPPED = 77


def verdict(problems, largest_lines, real, realdata, what_agrees):
    """Prints the first problems and the largest differences; the exit status of a check over
    generated runs and the real files: 1 on any problem, skipped (77) when the real files were
    absent, else 0."""
    for problem in problems[:30]:
        print("FAIL", problem)
    for line in largest_lines:
        print(line)
    if problems:
        print("%d values differ" % len(problems))
        return 1
    if not real:
        print("skipped: the real result files are not in %s (%s agree)" % (realdata, what_agrees))
        return SKIPPED
    return 0
