"""Runs a list of named end-to-end checks, each returning its problems (an
empty list when it passed), and prints one line per check and the totals in
the form the test runner reads."""


def run_checks(checks):
    passed = failed = 0
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


def model_problems(console, status, reports, expected, report_names):
    """What differs between a run (console bytes, status, reports by name) and
    the model's (console, status, reports) for the same files."""
    expected_console, expected_status, expected_reports = expected
    problems = []
    if console != expected_console:
        problems.append("console differs from the model")
    if status != expected_status:
        problems.append("status %d, model %d" % (status, expected_status))
    for report in report_names:
        if reports.get(report) != expected_reports.get(report):
            problems.append(report + " differs from the model")
    return problems


def finish_work(work, problems):
    """Removes a check's work folder when it passed, else keeps it and says where."""
    if not problems:
        import shutil
        shutil.rmtree(work)
    else:
        problems.append("kept " + work)
    return problems
