"""Whether R and a package the comparisons need are installed."""
import shutil
import subprocess


def has_r_package(name):
    """True when Rscript runs and the package loads."""
    if shutil.which("Rscript") is None:
        return False
    probe = subprocess.run(["Rscript", "-e", "quit(status = if (requireNamespace('%s', quietly = TRUE)) 0 else 1)"
                            % name], capture_output=True)
    return probe.returncode == 0
