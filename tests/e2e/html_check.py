"""Checks report.html against the reports of the same run.

    html_check.py report RUNNER EXAMPLES CASES
        runs RUNNER (the program's steps plus report.html) on the example data
        and on every case folder whose run succeeds, and checks each page:
        ASCII only, every SVG parses as XML, nothing outside the page is
        referenced, one picture per plot; the overview table is qc.txt's,
        its marked cells and red bars the criteria qc.txt names; every heat
        map cell's tooltip (and written value) is cor.txt's; the values set
        aside and outliers are merge.txt's; the MA plots' kept and set-aside
        spots and the ratios of 0 and 100000 are those of the files as the
        independent model loads them; the volcano's genes and its dots below
        p = 0.05 are merge.txt's.
    html_check.py real RUNNER REALDATA PROGRAM
        the same on three real slides read in place, and the
        mixed-normalisation warning of PROGRAM on the page of a 1.x file
        beside a later one. Exits 77 (skipped) when the REALDATA folder is
        absent.
    html_check.py command_line PROGRAM CASES
        --html on the command line: the page beside the reports, the reports
        unchanged, the same page at 1 and 7 threads (with the loess
        normalisation and the moderated test too), a page that cannot be
        written stops the run; without --html, and in the dialogue, no page.
    html_check.py browser RUNNER EXAMPLES [KEEP]
        renders the example page in headless chromium to a PNG 1400 pixels
        wide and checks that it drew: every picture and tooltip in the DOM, a
        page that is not blank down to its end; KEEP receives the PNG (the
        manual's docs/report-example.png). Exits 77 (skipped) when chromium
        is not installed.
    html_check.py draw PAGE
        prints the seconds headless chromium takes to draw the whole PAGE
        (printed to PDF), then its start-up on an empty page.
"""
import html
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import reference_model  # noqa: E402

SKIPPED = 77
OUTSIDE = ["http:", "https:", "src=", "href=", "url(", "@import", "<script", "<link", "<iframe", "<object"]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


# Real slides of one layout (8,832 spots), linked, never copied: 2 replicates, approach 1, C 2.0.
REAL_SLIDES = ["caarray/18258_wap3.gpr", "caarray/21160_neu9.gpr", "caarray/21161_neu10.gpr"]


def stage_real(realdata):
    folder = tempfile.mkdtemp(prefix="spotweave-html-real-")
    names = []
    for i, path in enumerate(REAL_SLIDES):
        names.append("real%d.gpr" % (i + 1))
        os.symlink(os.path.join(os.path.abspath(realdata), path), os.path.join(folder, names[-1]))
    with open(os.path.join(folder, "answers.txt"), "w") as answers:
        answers.write("%d\n2\n%s\n1\n2.0\nk" % (len(names), "\n".join(names)))
    return folder


def run_folder(runner, folder, work):
    for name in os.listdir(folder):
        if name != "expected":
            shutil.copy(os.path.join(folder, name), work, follow_symlinks=False)
    with open(os.path.join(work, "answers.txt"), "rb") as answers:
        done = subprocess.run([runner, "answers.txt"], cwd=work, stdin=answers, stdout=subprocess.DEVNULL,
                              timeout=120)
    if done.returncode != 0:
        fail("%s: the run ended with status %d" % (folder, done.returncode))
    with open(os.path.join(work, "report.html"), encoding="ascii") as page:
        return page.read()


def svgs_of(page):
    return re.findall(r"<svg .*?</svg>", page, re.S)


def svg_labelled(page, label):
    return [s for s in svgs_of(page) if 'aria-label="%s' % label in s]


def table_rows(page, kind):
    """The cells of each row of the page's <table class=KIND>, as text."""
    table = re.search(r'<table class="%s">(.*?)</table>' % kind, page, re.S)
    if not table:
        return []
    rows = []
    for row in re.findall(r"<tr(?: class=\"[^\"]*\")?>(.*?)</tr>", table.group(1), re.S):
        cells = re.findall(r"<t([dh])([^>]*)>(.*?)</t[dh]>", row, re.S)
        rows.append([(kind_, attributes, html.unescape(text)) for kind_, attributes, text in cells])
    return rows


def cor_matrix(cor_text, heading):
    """The computed cells (i < j) of one matrix block of cor.txt: {(i, j): text}, files from 1."""
    lines = cor_text.split("\n")
    first = lines.index(heading) + 2  # past the heading and the "File Name" line
    files = len(lines[first - 1].split("\t")) - 2
    cells = {}
    for i in range(files):
        row = lines[first + i].split("\t")[1:-1]
        for j in range(i + 1, files):
            cells[(i + 1, j + 1)] = row[j].strip()
    return files, cells


TOOLTIP = re.compile(r"^(\d+)\. .* and (\d+)\. .*: (\S+)$")


def check_heat_map(svg, cells, files, name, which):
    """Every pair's tooltip, and for a few files the values written in the
    cell and its mirror image, against cor.txt."""
    root = ET.fromstring(svg)
    shown = {}
    for path in root.iter("path"):
        title = path.find("title")
        if title is None:
            continue
        m = TOOLTIP.match(title.text)
        if not m:
            continue
        pair = (int(m.group(1)), int(m.group(2)))
        if pair in shown:
            fail("%s: the %s heat map shows the pair %s twice" % (name, which, pair))
        shown[pair] = m.group(3)
        if path.get("d").count("M") != 2:
            fail("%s: the %s heat map's pair %s is not drawn with its mirror image" % (name, which, pair))
    if shown != cells:
        wrong = sorted(p for p in set(shown) | set(cells) if shown.get(p) != cells.get(p))[:5]
        fail("%s: %s heat map tooltips differ from cor.txt at %s: page %s, cor.txt %s" %
             (name, which, wrong, [shown.get(p) for p in wrong], [cells.get(p) for p in wrong]))
    written = sorted(t.text for g in root.findall("g") if g.get("text-anchor") == "middle" and g.get("font-size")
                     for t in g.findall("text"))
    expected = sorted(list(cells.values()) * 2) if files <= 20 else []
    if written != expected:
        fail("%s: the values written in the %s heat map are not cor.txt's: %s" % (name, which, written[:6]))


def check_heat_maps(page, work, name):
    with open(os.path.join(work, "cor.txt")) as f:
        cor = f.read()
    for label, heading in (
            ("raw", "----------- Correlation Coefficient of Ratio for each pair of data files ----------"),
            ("log2", "----------- Correlation Coefficient of Log2 Ratio for each pair of data files ----------")):
        maps = svg_labelled(page, "Correlation of the %s ratios between files" % label)
        if len(maps) != 1:
            fail("%s: %d %s heat maps" % (name, len(maps), label))
        files, cells = cor_matrix(cor, heading)
        check_heat_map(maps[0], cells, files, name, label)


def check_overview(page, work, name):
    """The suspect slides: the table against qc.txt cell by cell, the failing
    cells marked as qc.txt names them, and the red bars of each criterion."""
    with open(os.path.join(work, "qc.txt")) as f:
        qc = [line.split("\t") for line in f.read().split("\n")[1:] if line]
    rows = [r for r in table_rows(page, "qc") if r and r[0][0] == "d" and r[1][2] != "fails above"]
    if len(rows) != len(qc):
        fail("%s: %d rows in the overview table, %d in qc.txt" % (name, len(rows), len(qc)))
    criteria = ["distance", "KS", "D", "spatial"]
    failing = {c: 0 for c in criteria}
    for row, line in zip(rows, qc):
        texts = [text for _, _, text in row]
        if texts != line:
            fail("%s: the overview row %s differs from qc.txt's %s" % (name, texts, line))
        failed = line[6].split(",") if line[6] != "-" else []
        for criterion in failed:
            failing[criterion] += 1
        marked = [criteria[k] for k in range(4) if "fail" in row[2 + k][1]]
        if marked != [c for c in criteria if c in failed]:
            fail("%s: file %s has the cells of %s marked, qc.txt names %s" % (name, line[0], marked, failed))
    total = sum(1 for line in qc if line[6] != "-")
    sentence = ("<p>No file fails a criterion.</p>" if total == 0 else
                "<p><strong>%d of %d file%s at least one criterion:</strong>" %
                (total, len(qc), " fails" if len(qc) == 1 else "s fail"))
    if sentence not in page:
        fail("%s: the page does not say %r" % (name, sentence))
    chart = svg_labelled(page, "The criteria per file")
    if len(chart) != 1:
        fail("%s: no chart of the criteria" % name)
    red = chart[0].count('fill="#cb181d"')
    if red != sum(failing.values()):
        fail("%s: %d red bars for %d failed criteria" % (name, red, sum(failing.values())))


def merge_counts(merge_text):
    lines = merge_text.split("\n")
    aside = lines[lines.index("The number of spots not used in ratio calculation in each data set:") + 2]
    outliers = lines[lines.index("The number of outliers found in each data set:") + 2]
    header = next(i for i, l in enumerate(lines) if l.startswith("Number\tPosition\t"))
    p_values = [l.split("\t")[-3] for l in lines[header + 1:] if l]
    return aside.split("\t")[:-1], outliers.split("\t")[:-1], [float(p) for p in p_values if p != "-"]


def type_record(path):
    """The value of the file's Type= header record, as the page should show it."""
    with open(path, "rb") as f:
        for _, line in zip(range(40), f):
            text = line.decode("latin-1").strip().strip('"')
            if text.startswith("Type="):
                return text[5:].strip().strip('"')
    return ""


def loaded_tables(work):
    """The files of the run as the independent model loads them (the dialogue's answers)."""
    with open(os.path.join(work, "answers.txt"), "rb") as f:
        run = reference_model.Run(work, f.read())
    run.stop_after_loading = True
    if run.run() != 0:
        fail("%s: the model does not load the files" % work)
    return run


def expected_spots(run, f):
    """Per file: the MA plot's kept and set-aside spots (M and A both present;
    set aside by a negative flag), and the ratios of 0 and 100000, flagged or
    not (the dialogue has no flag cutoff)."""
    kept = aside = zero = top = 0
    factor = run.factor[f][run.approach]
    for s in range(run.ns):
        ratio, flag = run.ratio[f][s], run.flag[f][s]
        red, green = run.f632[f][s] - run.b632[f][s], run.f532[f][s] - run.b532[f][s]
        drawn = ratio > 0 and ratio != 100000.0 and factor * ratio > 0 and red > 0 and green > 0
        if flag < 0:
            aside += drawn
        else:
            kept += drawn
        zero += ratio == 0
        top += ratio == 100000.0
    return kept, aside, zero, top


def check_files(page, work, name, run):
    """The table of the run: versions as the headers say, values set aside and
    outliers as merge.txt counts them, ratios of 0 and 100000 as the model
    counts them; the MA plots' spots as the model places them."""
    with open(os.path.join(work, "merge.txt")) as f:
        aside, outliers, p_values = merge_counts(f.read())
    rows = [[text for _, _, text in r] for r in table_rows(page, "files")[1:]]
    if len(rows) != run.nf:
        fail("%s: the page lists %d files, the run %d" % (name, len(rows), run.nf))
    captions = re.findall(r"<figcaption>(\d+) kept \([^)]*\), (\d+) set aside(?: \(\d+ placed by their medians\))?, "
                          r"(\d+) without M or A", page)
    if len(captions) != run.nf:
        fail("%s: %d MA plots for %d files" % (name, len(captions), run.nf))
    for f, row in enumerate(rows):
        expected_version = type_record(os.path.join(work, row[1])) or "-"
        if row[2] != expected_version:
            fail("%s: the page gives %s the version %r, its header says %r" % (name, row[1], row[2], expected_version))
        if [row[6], row[7]] != [aside[f], outliers[f]]:
            fail("%s: %s sets aside %s / %s outliers, merge.txt %s / %s" %
                 (name, row[1], row[6], row[7], aside[f], outliers[f]))
        kept, set_aside, zero, top = expected_spots(run, f)
        if [row[8], row[9]] != [str(zero), str(top)]:
            fail("%s: %s holds ratios 0 / 100000 %s / %s in the page, %d / %d in the model" %
                 (name, row[1], row[8], row[9], zero, top))
        shown = [int(v) for v in captions[f]]
        if shown[:2] != [kept, set_aside] or sum(shown) != run.ns:
            fail("%s: the MA plot of %s shows %s, the model %d kept, %d set aside of %d" %
                 (name, row[1], shown, kept, set_aside, run.ns))
    return p_values


def check_genes(page, p_values, name):
    if "Volcano plot of the %d genes with a p-value, from the t-test of merge.txt" % len(p_values) not in page:
        fail("%s: merge.txt has %d genes with a p-value, the page says otherwise" % (name, len(p_values)))
    volcano = svg_labelled(page, "Volcano plot of the merged genes")[0]
    if len(p_values) <= 3000:
        root = ET.fromstring(volcano)
        dots = {g.get("fill"): len(g.findall("circle")) for g in root.findall("g") if g.get("fill")}
        low = sum(1 for p in p_values if p < 0.05)
        if sum(dots.values()) != len(p_values) or dots.get("#cb181d", 0) != low:
            fail("%s: the volcano holds %s dots, merge.txt %d p-values, %d below 0.05" %
                 (name, dots, len(p_values), low))


def check_page(page, work, name):
    for bad in OUTSIDE:
        if bad in page:
            fail("%s: the page refers outside itself (%s)" % (name, bad))
    if any(ord(c) > 126 or (ord(c) < 32 and c != "\n") for c in page):
        fail("%s: the page holds a byte outside printable ASCII" % name)
    svgs = svgs_of(page)
    for svg in svgs:
        try:
            ET.fromstring(svg)
        except ET.ParseError as e:
            fail("%s: a picture is not well-formed XML: %s" % (name, e))
    run = loaded_tables(work)
    files = run.nf
    slides = "no slide picture" not in page
    # criteria, values set aside, two heat maps, MA key and plots, slide key and slides, box plots, volcano, histogram
    expected_svgs = 1 + 1 + 2 + (1 + files) + ((1 + files) if slides else 0) + 1 + 2
    if len(svgs) != expected_svgs:
        fail("%s: %d pictures, expected %d" % (name, len(svgs), expected_svgs))
    check_overview(page, work, name)
    check_heat_maps(page, work, name)
    p_values = check_files(page, work, name, run)
    check_genes(page, p_values, name)
    return len(page)


def same_reports(folder, work, name):
    for report in ("cor.txt", "data.txt", "merge.txt"):
        with open(os.path.join(folder, "expected", report), "rb") as a, open(os.path.join(work, report), "rb") as b:
            if a.read() != b.read():
                fail("%s: %s differs from the expected report" % (name, report))


def report_check(runner, examples, cases):
    folders = [("examples", examples)]
    for name in sorted(os.listdir(cases)):
        folder = os.path.join(cases, name)
        with open(os.path.join(folder, "expected", "status")) as f:
            # Dialogue cases only: the runner takes answers.
            if f.read().strip() == "0" and os.path.exists(os.path.join(folder, "answers.txt")):
                folders.append((name, folder))
    check_folders(runner, folders)


def real_check(runner, realdata, program):
    if not os.path.isdir(realdata):
        print("skipped: the real data folder %s is absent" % realdata)
        sys.exit(SKIPPED)
    check_folders(runner, [("real slides", stage_real(realdata))])
    for problem in mixed_normalisation_problems(program, realdata):
        fail(problem)
    print("mixed normalisations: the page repeats the warning")


def check_folders(runner, folders):
    for name, folder in folders:
        work = tempfile.mkdtemp(prefix="spotweave-html-")
        page = run_folder(runner, folder, work)
        if os.path.isdir(os.path.join(folder, "expected")):
            same_reports(folder, work, name)
        check_page(page, work, name)
        print("%s: %d bytes, %d pictures, checked" % (name, len(page), len(svgs_of(page))))
        shutil.rmtree(work)
        if name == "real slides":
            shutil.rmtree(folder)


def command_line_check(program, cases):
    """--html adds report.html beside the reports and changes none of them;
    without it, and in the dialogue, no page is written. The page of a loess
    normalisation with the moderated test is the same at 1 and 7 threads."""
    case = os.path.join(cases, "merge_rules")
    args = ["-r", "3", "-a", "1", "-c", "2", "m1.gpr", "m2.gpr"]
    problems = []

    def run(options, work, answers=None):
        return subprocess.run([program] + options, cwd=work, input=answers, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=120)

    def read(*path):
        return open(os.path.join(*path), "rb").read()

    with tempfile.TemporaryDirectory() as work:
        for name in ("m1.gpr", "m2.gpr"):
            shutil.copy(os.path.join(case, name), work)
        plain = run(["-o", "plain"] + args, work)
        paged = run(["--html", "-o", "paged"] + args, work)
        if plain.returncode != 0 or paged.returncode != 0:
            fail("--html: a run failed: %r" % paged.stderr)
        if os.path.exists(os.path.join(work, "plain", "report.html")):
            problems.append("a run without --html wrote report.html")
        page = os.path.join(work, "paged", "report.html")
        if not os.path.exists(page) or not read(page).startswith(b"<!DOCTYPE html>"):
            problems.append("--html wrote no page")
        if b"paged/report.html" not in paged.stdout:
            problems.append("--html: the summary does not name report.html")
        for report in ("cor.txt", "data.txt", "merge.txt"):
            if read(work, "plain", report) != read(work, "paged", report):
                problems.append("--html changed " + report)
        for threads in ("1", "7"):
            again = run(["--html", "-j", threads, "-o", "paged-j" + threads] + args, work)
            if again.returncode != 0 or read(work, "paged-j" + threads, "report.html") != read(page):
                problems.append("--html -j %s: another page" % threads)
        for threads in ("1", "7"):
            loess = run(["--html", "--normalise", "printtiploess", "--moderated", "-j", threads,
                         "-o", "loess-j" + threads] + args, work)
            if loess.returncode != 0:
                problems.append("--normalise printtiploess --moderated -j %s: status %d, %r" %
                                (threads, loess.returncode, loess.stderr))
        if not problems:
            loess_page = read(work, "loess-j1", "report.html")
            if read(work, "loess-j7", "report.html") != loess_page:
                problems.append("--normalise printtiploess --moderated: another page at 7 threads")
            for said in (b">before loess</text>", b">after loess</text>", b"<polyline ",
                         b"from the moderated t-test of moderated.txt"):
                if said not in loess_page:
                    problems.append("--normalise printtiploess --moderated: the page lacks %r" % said)
        os.makedirs(os.path.join(work, "blocked", "report.html"))
        blocked = run(["--html", "-o", "blocked"] + args, work)
        if blocked.returncode != 1 or (b"spotweave: can't put the new report in place of blocked/report.html: a "
                                       b"folder of that name is in the way; no report was replaced") not in blocked.stderr:
            problems.append("--html onto a folder: status %d, %r" % (blocked.returncode, blocked.stderr))
        if sorted(os.listdir(os.path.join(work, "blocked"))) != ["report.html"]:
            problems.append("--html onto a folder left %s" % sorted(os.listdir(os.path.join(work, "blocked"))))
        dialogue = run([], work, read(case, "answers.txt"))
        if dialogue.returncode != 0 or os.path.exists(os.path.join(work, "report.html")):
            problems.append("the dialogue wrote report.html")
    for problem in problems:
        print("FAIL: " + problem)
    if problems:
        sys.exit(1)
    print("--html on the command line: page beside the reports, reports unchanged")


def mixed_normalisation_problems(program, realdata):
    """A 1.x file beside a later one that says NormalizationMethod=None: the
    page repeats the run's warning."""
    files = [os.path.join(os.path.abspath(realdata), "caarray", name) for name in ("3_0_6_x.gpr", "4_0_1_x.gpr")]
    with tempfile.TemporaryDirectory() as work:
        done = subprocess.run([program, "-q", "--html", "-o", "out"] + files, cwd=work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=300)
        if done.returncode != 0:
            return ["mixed normalisations: status %d, %r" % (done.returncode, done.stderr)]
        with open(os.path.join(work, "out", "report.html"), encoding="ascii") as f:
            page = f.read()
    said = re.search(r"warning: (.*)", done.stderr.decode())
    if not said:
        return ["mixed normalisations: the run did not warn: %r" % done.stderr]
    warning = said.group(1).strip()
    shown = re.search(r'<p class="warn"><strong>Warning:</strong> (.*?)</p>', page, re.S)
    if not shown or html.unescape(shown.group(1)) != warning + ".":
        return ["mixed normalisations: the page does not repeat the warning %r" % warning]
    return []


def png_pixels(path):
    """Width, height and RGB rows of an 8-bit RGB or RGBA PNG without interlace."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("%s is not a PNG" % path)
    at, idat, width = 8, b"", 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour_type not in (2, 6) or interlace:
                fail("unexpected PNG kind %d/%d/%d" % (depth, colour_type, interlace))
            step = 3 if colour_type == 2 else 4
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - step] if x >= step else 0
            b = previous[x]
            c = previous[x - step] if x >= step else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, step)])
        previous = line
    return width, height, rows


def chromium_command(profile, *what):
    return ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile] + list(what)


def browser_check(runner, examples, keep=None):
    if shutil.which("chromium") is None:
        print("chromium is not installed: the browser check is skipped")
        sys.exit(SKIPPED)
    work = tempfile.mkdtemp(prefix="spotweave-html-")
    page = run_folder(runner, examples, work)
    url = "file://" + os.path.join(work, "report.html")
    png = os.path.join(work, "report.png")
    profile = tempfile.mkdtemp(prefix="spotweave-chromium-")
    dom = subprocess.run(chromium_command(profile, "--dump-dom", url), capture_output=True, text=True, timeout=120)
    shutil.rmtree(profile)
    profile = tempfile.mkdtemp(prefix="spotweave-chromium-")
    # The whole example page at the width it is laid out for.
    subprocess.run(chromium_command(profile, "--hide-scrollbars", "--screenshot=" + png, "--window-size=1400,4600",
                                    url), capture_output=True, timeout=120)
    shutil.rmtree(profile)
    drawn = dom.stdout.count("<svg ")
    if drawn != len(svgs_of(page)) or drawn < 10:
        fail("the browser holds %d pictures, the page %d" % (drawn, len(svgs_of(page))))
    if dom.stdout.count("<title>") != page.count("<title>"):
        fail("the browser holds %d tooltips, the page %d" % (dom.stdout.count("<title>"), page.count("<title>")))
    if not os.path.exists(png):
        fail("chromium wrote no screenshot")
    width, height, rows = png_pixels(png)
    colours = set()
    inked = 0
    for row in rows[::2]:
        for pixel in row[::2]:
            colours.add(pixel)
            inked += pixel != (255, 255, 255)
    share = inked / float(len(rows[::2]) * len(rows[0][::2]))
    print("rendered %dx%d, %d pictures, %d colours, %.1f %% not white" % (width, height, drawn, len(colours),
                                                                         100 * share))
    if len(colours) < 50 or share < 0.03:
        fail("the page rendered nearly blank")
    # The example page fills the screenshot: its last pictures reach the lowest tenth.
    low = [row for row in rows[height * 9 // 10:] if any(pixel != (255, 255, 255) for pixel in row[::4])]
    if not low:
        fail("nothing drawn in the lowest tenth of the screenshot: the page ends early or was not drawn to its end")
    if keep:
        shutil.copy(png, keep)
    shutil.rmtree(work)


def draw_time(page):
    """Seconds chromium takes to load the page and draw all of it (printed to
    PDF), beside its start-up on an empty page."""
    if shutil.which("chromium") is None:
        print("chromium is not installed")
        sys.exit(SKIPPED)
    work = tempfile.mkdtemp(prefix="spotweave-draw-")
    empty = os.path.join(work, "empty.html")
    with open(empty, "w") as f:
        f.write("<!DOCTYPE html><html><body><p>-</p></body></html>\n")
    seconds = []
    for path in (empty, os.path.abspath(page)):
        profile = tempfile.mkdtemp(prefix="spotweave-chromium-")
        start = time.monotonic()
        subprocess.run(chromium_command(profile, "--no-pdf-header-footer", "--print-to-pdf=" +
                                        os.path.join(work, "page.pdf"), "file://" + path),
                       capture_output=True, timeout=600)
        seconds.append(time.monotonic() - start)
        shutil.rmtree(profile)
    if not os.path.exists(os.path.join(work, "page.pdf")):
        fail("chromium drew no PDF of %s" % page)
    shutil.rmtree(work)
    print("%.1f %.1f" % (seconds[1], seconds[0]))


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "report":
        report_check(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) >= 5 and sys.argv[1] == "real":
        real_check(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) >= 4 and sys.argv[1] == "command_line":
        command_line_check(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "browser":
        browser_check(sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else None)
    elif len(sys.argv) == 3 and sys.argv[1] == "draw":
        draw_time(sys.argv[2])
    else:
        print(__doc__)
        sys.exit(2)
