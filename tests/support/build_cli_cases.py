#!/usr/bin/env python3
"""(Re)create the command-line case folders (tests/e2e/cases/cli_*).

Each folder gets args.txt (one argument a line), its input files (copied
from the dialogue case named), an optional setup.sh and expected/. The
reports and the running commentary of a finished run come from
reference_model.py run on the dialogue answers of the same run; the summary,
the messages and the usage errors are written here by hand, as the manual
words them.

    python3 tests/support/build_cli_cases.py            rebuild all
    python3 tests/support/build_cli_cases.py NAME ...   rebuild some
"""

import os
import re
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import reference_model as model  # noqa: E402

CASES_DIR = os.path.normpath(os.path.join(HERE, "..", "e2e", "cases"))
REPORTS = ("cor.txt", "data.txt", "merge.txt")
HINT = " (see spotweave --help)\n"


def model_run(files, replicates, approach, qc, names=None, options=None):
    """The model's dialogue run on copies of `files` {name: source path}, with
    the analysis options it knows: (running commentary without the dialogue
    and the closing lines, status, reports)."""
    names = names or list(files)
    with tempfile.TemporaryDirectory() as work:
        for name, source in files.items():
            shutil.copy(source, os.path.join(work, name))
        answers = "%d\n%d\n%s\n%s\n%s\nk" % (len(names), replicates, "\n".join(names), approach, qc)
        console, status, reports = model.run_case(work, answers.encode(), options, command_line=True)
    text = console.decode("latin-1")
    start = text.index("\n Program running...\n")
    end = text.find("\nOK!\n")
    return text[start:end if end >= 0 else len(text)], status, reports


NORMALISATION_TITLES = {"header": "each file's header factor", "none": "none", "median": "median"}


def summary(reports, out_dir, replicates, html=False, options=None):
    """The closing summary of a command-line run, counted from merge.txt."""
    lines = reports["merge.txt"].decode("latin-1").split("\n")
    files, genes = int(lines[0].split("\t")[1]), int(lines[1].split("\t")[1])
    not_used = sum(int(v) for v in lines[6].split("\t") if v)
    outliers = sum(int(v) for v in lines[10].split("\t") if v)
    spots = None
    text = "\nMerged %d file%s: %s spots each, %d genes of %d spot%s.\n" % (
        files, "" if files == 1 else "s", "%d", genes, replicates, "" if replicates == 1 else "s")
    text += ("Values set aside (flagged, failing quality control or not positive): %d; outliers removed: %d.\n"
             % (not_used - outliers, outliers))
    if options:
        text += "Normalisation: %s within files, none between files" % NORMALISATION_TITLES[
            options.get("normalise", "header")]
        cutoff = options.get("flag_cutoff")
        text += "; spots flagged below %d set aside.\n" % cutoff if cutoff is not None else ".\n"
    text += "Reports written:\n"
    for report in REPORTS + (("normalised.txt",) if options else ()) + (("report.html",) if html else ()):
        text += "  %s\n" % (out_dir + "/" + report if out_dir else report)
    return text, spots


def spot_count(commentary):
    return int(re.search(r"The number of total spots in each file:  (\d+)", commentary).group(1))


class Case:
    def __init__(self, name, args, files, status=0, out="", err="", expected=None, not_written=(), setup=None):
        self.name, self.args, self.files, self.status = name, args, files, status
        self.out, self.err, self.expected = out, err, expected or {}
        self.not_written, self.setup = not_written, setup


def case_file(case, name):
    return os.path.join(CASES_DIR, case, name)


def finished_run(name, args, files, replicates, approach, qc, out_dir, quiet=False, err="", extra_files=None,
                 options=None):
    """A run that writes its reports into out_dir; the console from the model."""
    commentary, status, reports = model_run(files, replicates, approach, qc, options=options)
    assert status == 0, name
    text, _ = summary(reports, out_dir, replicates, options=options)
    text = text.replace("%d", str(spot_count(commentary)), 1)
    expected = {os.path.join(out_dir, r) if out_dir else r: reports[r] for r in reports}
    all_files = dict(files)
    all_files.update(extra_files or {})
    return Case(name, args, all_files, 0, "" if quiet else commentary + text, err, expected)


def usage(name, args, problem, files=None):
    return Case(name, args, files or {}, 2, "", "spotweave: " + problem + HINT, not_written=("never",))


def cases():
    m1, m2 = case_file("merge_rules", "m1.gpr"), case_file("merge_rules", "m2.gpr")
    slide1 = case_file("one_file_basic", "slide1.gpr")
    big = case_file("thousand_spots", "big.gpr")
    merge_args = ["-r", "3", "-a", "1", "-c", "2", "-o", "out", "m1.gpr", "m2.gpr"]
    out = [
        finished_run("cli_runs_and_sums_up", merge_args, {"m1.gpr": m1, "m2.gpr": m2}, 3, "1", "2", "out"),
        finished_run("cli_quiet_prints_nothing", ["-q", "-r", "2", "-o", "out", "slide1.gpr"],
                     {"slide1.gpr": slide1}, 2, "1", "2.0", "out", quiet=True),
        usage("cli_usage_unknown_option", ["--bogus", "-o", "never", "slide1.gpr"],
              "The following argument was not expected: --bogus", {"slide1.gpr": slide1}),
        usage("cli_usage_value_missing", ["-r"], "--replicates: the value is missing"),
        usage("cli_usage_qc_out_of_range", ["-c", "5.01", "-o", "never", "slide1.gpr"],
              "--qc 5.01: expected a number from 1.0 to 5.0", {"slide1.gpr": slide1}),
        usage("cli_usage_approach_unknown", ["-a", "median", "-o", "never", "slide1.gpr"],
              "--approach median: expected 1-5 or medians, means, median-of-ratios, mean-of-ratios, regression",
              {"slide1.gpr": slide1}),
        usage("cli_usage_no_files", ["-q", "-o", "never"], "no result files given"),
        usage("cli_usage_file_twice", ["-o", "never", "slide1.gpr", "./slide1.gpr"],
              "the file ./slide1.gpr is given more than once", {"slide1.gpr": slide1}),
        Case("cli_version", ["--version"], {}, 0, "spotweave 5.0\n"),
        Case("cli_missing_file", ["-o", "out", "slide1.gpr", "missing.gpr"], {"slide1.gpr": slide1}, 1, "",
             "spotweave: can't open the data file: missing.gpr: No such file or directory\n", not_written=("out",)),
        Case("cli_output_folder_under_a_file", ["-o", "plain/sub", "slide1.gpr"], {"slide1.gpr": slide1}, 1, "",
             "spotweave: cannot make the output folder plain/sub: Not a directory\n", setup="printf x > plain\n"),
        Case("cli_layout_mismatch", ["slide1.gpr", "big.gpr"], {"slide1.gpr": slide1, "big.gpr": big}, 1,
             layout_mismatch_out(slide1), layout_message(slide1, big, "slide1.gpr", "big.gpr"), not_written=REPORTS),
        finished_run("cli_layout_mismatch_allowed", ["--allow-layout-mismatch", "-q", "slide1.gpr", "big.gpr"],
                     {"slide1.gpr": slide1, "big.gpr": big}, 1, "1", "2.0", "", quiet=True,
                     err="spotweave: warning: big.gpr holds %d data rows, but the run reads the first 24 of each file "
                         "(reading stopped at line %d) and leaves the others out of every report: the last data row "
                         "of slide1.gpr, line %d (Block 2, Column 4, Row 3), gives 24 spots\n"
                         % (len(data_rows(big)), data_rows(big)[23][0], data_rows(slide1)[23][0])),
        finished_run("cli_replicate_ids_mixed", ["-r", "2", "-o", "r2", "m1.gpr"], {"m1.gpr": m1}, 2, "1", "2.0",
                     "r2", err=mixed_warning(m1, 2)),
        finished_run("cli_replicate_ids_match", ["-r", "3", "-o", "r3", "m1.gpr"], {"m1.gpr": m1}, 3, "1", "2.0",
                     "r3"),
    ]
    out.append(long_path_run(slide1))
    out += [
        finished_run("cli_normalise_median_with_flag_cutoff",
                     ["--normalise", "median", "--flag-cutoff", "-75", "-r", "3", "-o", "out", "m1.gpr", "m2.gpr"],
                     {"m1.gpr": m1, "m2.gpr": m2}, 3, "1", "2", "out",
                     options={"normalise": "median", "flag_cutoff": -75}),
        finished_run("cli_flag_cutoff_under_header_factors", ["--flag-cutoff=0", "-r", "3", "-o", "out", "m2.gpr"],
                     {"m2.gpr": m2}, 3, "1", "2.0", "out", options={"flag_cutoff": 0}),
        finished_run("cli_normalise_none", ["--normalize", "none", "-a", "5", "-o", "out", "m1.gpr", "m2.gpr"],
                     {"m1.gpr": m1, "m2.gpr": m2}, 1, "5", "2.0", "out", options={"normalise": "none"}),
        usage("cli_usage_normalise_unknown", ["--normalise", "lowess", "-o", "never", "slide1.gpr"],
              "--normalise lowess: expected header, none, median, loess or printtiploess", {"slide1.gpr": slide1}),
        usage("cli_usage_between_unknown", ["--between", "quantile", "-o", "never", "slide1.gpr"],
              "--between quantile: expected none or scale", {"slide1.gpr": slide1}),
        usage("cli_usage_flag_cutoff_not_whole", ["--flag-cutoff", "2.5", "-o", "never", "slide1.gpr"],
              "--flag-cutoff 2.5: expected a whole number from -1000 to 1000, such as -50 or 0",
              {"slide1.gpr": slide1}),
    ]
    out += targets_cases(m1, m2)
    scan = ["caarray/3_0_6_x.gpr", "caarray/4_0_1_x.gpr"]
    out.append(Case("cli_real_mixed_normalisation", ["-q", "-o", "out"] + ["${REALDATA}/" + f for f in scan], {}, 0,
                    "", "spotweave: warning: the ratios of ${REALDATA}/%s are multiplied by their header's normalisation factors, "
                    "those of ${REALDATA}/%s (NormalizationMethod=None) are not normalised at all; --normalise median "
                    "(or loess, printtiploess) on the command line treats all files alike\n" % tuple(scan)))
    out += staging_cases(slide1, case_file("second_file_has_a_bad_number", "broken.gpr"))
    out += rows_past_cases(slide1)
    # 24 spots: 25 replicates form no gene; 7 leave 3 spots out, and the quoted IDs are quoted once.
    out.append(Case("cli_replicates_above_the_spots", ["-r", "25", "-o", "out", "slide1.gpr"],
                    {"slide1.gpr": slide1}, 2,
                    "\n Program running...\nThe number of total spots in each file:  24\n",
                    "spotweave: --replicates 25: each file holds 24 spots, too few for one gene of 25; give a count "
                    "from 1 to 24 (see spotweave --help)\n", not_written=tuple("out/" + r for r in REPORTS)))
    out.append(finished_run("cli_replicates_leave_spots_over", ["-r", "7", "-o", "out", "slide1.gpr"],
                            {"slide1.gpr": slide1}, 7, "1", "2.0", "out",
                            err=leftover_warning(24, 7) + mixed_warning(slide1, 7)))
    trio = ["caarray/18258_wap3.gpr", "caarray/21160_neu9.gpr", "caarray/21161_neu10.gpr"]
    out.append(Case("cli_real_replicates_mixed", ["-q", "-r", "2", "-o", "r2"] + ["${REALDATA}/" + f for f in trio],
                    {}, 0, "", mixed_warning(real_file(trio[2]), 2)))
    for first, second in (("aroma/gpr123.gpr", "caarray/18258_wap3.gpr"),
                          ("caarray/18258_wap3.gpr", "aroma/gpr123.gpr")):
        name = "cli_real_layouts_differ_" + ("smaller_first" if first.startswith("aroma") else "larger_first")
        out.append(Case(name, ["-q", "-o", "mixed", "${REALDATA}/" + first, "${REALDATA}/" + second], {}, 1, "",
                        layout_message(real_file(first), real_file(second), "${REALDATA}/" + first,
                                       "${REALDATA}/" + second),
                        not_written=("mixed/merge.txt",)))
    return {c.name: c for c in out}


def staging_cases(slide1, broken):
    """Reports of an earlier run in the output folder (empty files, so that
    the Windows runner's line ends do not matter): a finished run replaces
    them, a run that stops leaves them as they were, whether a file stops it
    or a report that cannot take its place."""
    earlier = "mkdir out && : > out/cor.txt && : > out/data.txt && : > out/merge.txt\n"
    replaced = finished_run("cli_reports_replace_earlier_ones", ["-q", "-o", "out", "slide1.gpr"],
                            {"slide1.gpr": slide1}, 1, "1", "2.0", "out", quiet=True)
    replaced.setup = earlier
    empty = {"out/" + r: b"" for r in REPORTS}
    stopped = Case("cli_failed_run_keeps_earlier_reports", ["-q", "-o", "out", "slide1.gpr", "broken.gpr"],
                   {"slide1.gpr": slide1, "broken.gpr": broken}, 1, "",
                   "spotweave: broken.gpr, line 35: spot 5, column \"F635 Median\": \"12x4\" is not a number\n",
                   expected=empty, setup=earlier)
    taken = Case("cli_report_place_taken_by_a_folder", ["-q", "-o", "out", "slide1.gpr"], {"slide1.gpr": slide1}, 1,
                 "", "spotweave: can't put the new report in place of out/data.txt: a folder of that name is in the "
                 "way; no report was replaced; move the folder away and run again\n",
                 expected={"out/cor.txt": b"", "out/merge.txt": b""},
                 setup="mkdir -p out/data.txt && : > out/cor.txt && : > out/merge.txt\n")
    # What a killed run left (a process id no system gives out) goes at the
    # next start; a file that only looks alike stays.
    cleared = finished_run("cli_killed_runs_leftovers_cleared", ["-q", "-o", "out", "slide1.gpr"],
                           {"slide1.gpr": slide1}, 1, "1", "2.0", "out", quiet=True)
    cleared.setup = ("mkdir out && printf partial > out/.spotweave-4194305-cor.txt.part && "
                     ": > out/spotweave-4194305-cor.txt.part\n")
    cleared.expected["out/spotweave-4194305-cor.txt.part"] = b""
    return [replaced, stopped, taken, cleared]


def rows_past_cases(slide1):
    """Files holding data rows past the spots the run reads: the flag rule
    ends the data at row 5 (Block 1, Column 1, Row 2: 2 spots of 24 rows),
    and a file cut to its first 20 rows, whose last one (Block 2, Column 4,
    Row 2) gives 16 spots."""
    work = tempfile.mkdtemp()
    text = open(slide1, "rb").read().split(b"\n")
    rows = data_rows(slide1)
    flagged = list(text)
    cells = flagged[rows[4][0] - 1].split(b"\t")
    cells[42] = b"3"
    flagged[rows[4][0] - 1] = b"\t".join(cells)
    cut = text[:rows[19][0]]
    made = {}
    for name, lines in (("flagged.gpr", flagged), ("cut.gpr", cut)):
        made[name] = os.path.join(work, name)
        with open(made[name], "wb") as f:
            f.write(b"\n".join(lines) + (b"" if lines is flagged else b"\n"))
    ending = "and leaves the others out of every report: "
    flag_run = finished_run(
        "cli_rows_past_an_unusual_flag", ["-q", "-o", "out", "flagged.gpr"], {"flagged.gpr": made["flagged.gpr"]}, 1,
        "1", "2.0", "out", quiet=True,
        err="spotweave: warning: flagged.gpr holds 24 data rows, but the run reads the first 2 of each file (reading "
            "stopped at line %d) %sline %d of flagged.gpr ends the data with the flag 3, none of 0, 100, -50, -75 "
            "and -100, and its Block 1, Column 1, Row 2 give 2 spots\n" % (rows[1][0], ending, rows[4][0]))
    cut_run = finished_run(
        "cli_rows_past_the_last_rows_count", ["-q", "-o", "out", "cut.gpr", "flagged.gpr"],
        {"cut.gpr": made["cut.gpr"], "flagged.gpr": made["flagged.gpr"]}, 1, "1", "2.0", "out", quiet=True,
        err="spotweave: warning: cut.gpr holds 20 data rows, but the run reads the first 16 of each file (reading "
            "stopped at line %d) %sthe last data row of cut.gpr, line %d (Block 2, Column 4, Row 2), gives 16 spots: "
            "is the file cut from a larger one?; 1 more file holds rows past them too\n"
            % (rows[15][0], ending, rows[19][0]))
    return [flag_run, cut_run]


def long_path_run(slide1):
    """A path far beyond the dialogue's 50 characters, with blanks, is named
    in full wherever the reports name the file."""
    path = "experiment " + "x" * 80 + "/day 1/slide1.gpr"
    run = finished_run("cli_long_path", ["-o", "out", path], {"slide1.gpr": slide1}, 1, "1", "2.0", "out")
    run.expected = {k: v.replace(b"slide1.gpr", path.encode()) for k, v in run.expected.items()}
    run.out = run.out.replace("\nslide1.gpr: ", "\n%s: " % path)
    run.setup = "mkdir -p '%s' && mv slide1.gpr '%s'\n" % (os.path.dirname(path), path)
    return run


def targets_cases(m1, m2):
    """What a targets file can get wrong: each a usage error naming the file and the row."""
    files = {"m1.gpr": m1, "m2.gpr": m2}
    def case(name, text, args, problem):
        c = usage(name, ["--targets", "targets.txt", "-o", "never"] + args, problem, files)
        c.setup = "printf '%s' > targets.txt\n" % text.replace("\t", "\\t").replace("\n", "\\n")
        return c
    return [
        case("cli_targets_without_cy5", "FileName\tCy3\nm1.gpr\tref\n", [],
             "targets.txt, line 1: the titles hold no Cy5 column (FileName, Cy3 and Cy5 are needed)"),
        case("cli_targets_empty_cell", "FileName\tCy3\tCy5\nm1.gpr\tref\ta\nm2.gpr\t\tref\n", [],
             "targets.txt, line 3: the Cy3 cell is empty"),
        case("cli_targets_file_twice", "filename\tcy3\tcy5\nm1.gpr\tref\ta\n./m1.gpr\tb\tref\n", [],
             "targets.txt, line 3: the file ./m1.gpr is named twice (line 2)"),
        case("cli_targets_row_without_reference", "FileName\tCy3\tCy5\nm1.gpr\tref\ta\nm2.gpr\tb\tc\n",
             ["--reference", "ref"], "targets.txt, line 3: neither Cy3 (b) nor Cy5 (c) is the reference ref"),
        case("cli_targets_reference_not_plain", "FileName\tCy3\tCy5\nm1.gpr\tref\ta\nm2.gpr\ta\tref\n", [],
             "targets.txt: both ref and a are in every row, so the reference is not plain; name it with "
             "--reference LABEL"),
        case("cli_targets_and_files", "FileName\tCy3\tCy5\nm1.gpr\tref\ta\n", ["m2.gpr"],
             "--targets targets.txt names the files; give them there or on the command line, not both"),
        usage("cli_moderated_one_file", ["--moderated", "-o", "never", "m1.gpr"],
              "--moderated: the test needs at least two files (one value per file and gene)", files),
        usage("cli_swap_beyond_the_files", ["--swap", "3", "-o", "never", "m1.gpr", "m2.gpr"],
              "--swap 3: expected the positions of files, from 1 to 2, parted by commas, such as 2 or 1,3", files),
    ]


def layout_mismatch_out(slide1):
    """The commentary of slide1.gpr and big.gpr up to the mismatch: the sizing
    scan of file 1 and file 1's header; big.gpr stops before its factors."""
    commentary, _, _ = model_run({"slide1.gpr": slide1}, 1, "1", "2.0")
    big_header = "\nbig.gpr: FileName=slide_635.tif\tslide_532.tif\n" + "".join(
        "N. Factor-%s: %s\n" % (label, value) for label, value in
        (("Ratio of Median", "0.900000"), ("Ratio of Mean", "1.000000"), ("Median of Ratios", "1.000000"),
         ("Mean of Ratios", "1.000000"), ("Regression Ratio", "1.000000")))
    return commentary + big_header


def real_file(name):
    path = os.path.normpath(os.path.join(CASES_DIR, "..", "..", "..", "..", "shared", "realdata", name))
    if not os.path.exists(path):
        raise SystemExit("the real result files are needed to build the real-data cases: " + path)
    return path


def data_rows(path):
    """(line number, fields) of every data row of a 1.x file: the lines after
    the column titles whose Block, Column, Row, Name and ID end at tabs and
    whose 38 further fields are parted by blanks."""
    lines = open(path, "rb").read().decode("latin-1").split("\n")
    start = next(i for i, line in enumerate(lines) if line.lstrip('"').startswith("Block")) + 1
    rows = []
    for i, line in enumerate(lines[start:], start + 1):
        head = line.rstrip("\r").split("\t", 5)
        if len(head) == 6 and len(head[5].split()) == 38:
            rows.append((i, head[:5] + head[5].split()))
    return rows


def mixed_warning(path, replicates):
    """The guard rail's warning on the IDs of a file (the last one loaded):
    the count of replicate groups mixing IDs and the first such group."""
    ids = ["".join(c for c in f[4] if 32 <= ord(c) <= 126)[:50] for _, f in data_rows(path)]
    genes = len(ids) // replicates
    mixed = []
    for g in range(genes):
        group = ids[g * replicates:(g + 1) * replicates]
        other = next((k for k in range(1, replicates) if group[k] != group[0]), None)
        if other is not None:
            mixed.append((g + 1, g * replicates + 1, g * replicates + 1 + other))
    g, first, differing = mixed[0]
    quoted = lambda i: i if len(i) >= 2 and i[0] == i[-1] == '"' else '"%s"' % i
    return ("spotweave: warning: %d of %d genes pool spots with different IDs (gene %d: spot %d is %s, "
            "spot %d is %s); check that --replicates %d matches the slide\n"
            % (len(mixed), genes, g, first, quoted(ids[first - 1]), differing, quoted(ids[differing - 1]),
               replicates))


def leftover_warning(spots, replicates):
    left = spots % replicates
    return ("spotweave: warning: the %d spots of each file are not a whole number of genes of %d spots: the last "
            "%d spot%s belong%s to no gene and %s left out of merge.txt; check that --replicates %d matches the "
            "slide\n" % (spots, replicates, left, "" if left == 1 else "s", "s" if left == 1 else "",
                         "is" if left == 1 else "are", replicates))


def layout_message(first_path, second_path, first_name, second_name):
    """The first spot whose Block, Column and Row differ between the two files,
    named at its line in the second."""
    first, second = data_rows(first_path), data_rows(second_path)
    place = lambda f: "Block %s, Column %s, Row %s" % (int(f[0]), int(f[1]), int(f[2]))
    for (_, a), (line, b) in zip(first, second):
        if place(a) != place(b):
            return ("spotweave: %s, line %d: %s where %s has %s: the files come from different array layouts "
                    "(--allow-layout-mismatch merges them anyway)\n" % (second_name, line, place(b), first_name,
                                                                       place(a)))
    raise SystemExit("the layouts do not differ")


def build(case):
    d = os.path.join(CASES_DIR, case.name)
    if os.path.isdir(d):
        shutil.rmtree(d)
    os.makedirs(os.path.join(d, "expected"))
    for name, source in case.files.items():
        shutil.copy(source, os.path.join(d, name))
    with open(os.path.join(d, "args.txt"), "w") as f:
        f.write("".join(a + "\n" for a in case.args))
    if case.setup:
        with open(os.path.join(d, "setup.sh"), "w") as f:
            f.write(case.setup)
    exp = os.path.join(d, "expected")
    with open(os.path.join(exp, "console.txt"), "w", encoding="latin-1", newline="") as f:
        f.write(case.out)
    with open(os.path.join(exp, "status"), "w") as f:
        f.write("%d\n" % case.status)
    if case.err:
        with open(os.path.join(exp, "stderr.txt"), "w", encoding="latin-1", newline="") as f:
            f.write(case.err)
    if case.not_written:
        with open(os.path.join(exp, "not-written.txt"), "w") as f:
            f.write("".join(p + "\n" for p in case.not_written))
    for path, text in case.expected.items():
        os.makedirs(os.path.dirname(os.path.join(exp, path)) or exp, exist_ok=True)
        with open(os.path.join(exp, path), "wb") as f:
            f.write(text)
    print("%-40s status %d" % (case.name, case.status))


def main(argv):
    all_cases = cases()
    for name in argv[1:] or list(all_cases):
        if name not in all_cases:
            raise SystemExit("unknown case %s" % name)
        build(all_cases[name])


if __name__ == "__main__":
    main(sys.argv)
