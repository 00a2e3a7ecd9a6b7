"""Checks report.html against the reports of the same run.

    html_check.py report RUNNER EXAMPLES CASES
        runs RUNNER (the program's steps plus report.html) on the example data
        and on every case folder whose run succeeds, and checks each page:
        every SVG parses as XML, nothing outside the page is referenced, the
        correlations, counts of values set aside and outliers and the number
        of genes with a p-value are those of cor.txt and merge.txt, and the
        page holds one picture per plot.
    html_check.py real RUNNER REALDATA
        the same on three real slides read in place. Exits 77 (skipped) when
        the REALDATA folder is absent.
    html_check.py command_line PROGRAM CASES
        --html on the command line: the page beside the reports, the reports
        unchanged, the same page at 1 and 7 threads, a page that cannot be
        written stops the run; without --html, and in the dialogue, no page.
    html_check.py browser RUNNER EXAMPLES
        renders the example page in headless chromium to a PNG and checks
        that it drew: every picture in the DOM, a page that is not blank.
        Exits 77 (skipped) when chromium is not installed.
"""
import html
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

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


def heat_map_values(svg):
    """The texts of the cells of one heat map, row by row."""
    root = ET.fromstring(svg)
    return [t.text for g in root.findall("g") for t in g.findall("text")]


def cor_matrix_values(cor_text, heading):
    """The computed cells (i < j) of one matrix block of cor.txt, row by row."""
    lines = cor_text.split("\n")
    first = lines.index(heading) + 2  # past the heading and the "File Name" line
    files = len(lines[first - 1].split("\t")) - 2
    values = []
    for i in range(files):
        cells = lines[first + i].split("\t")[1:-1]
        values += [c.strip() for c in cells[i + 1:]]
    return values


def merge_counts(merge_text):
    lines = merge_text.split("\n")
    aside = lines[lines.index("The number of spots not used in ratio calculation in each data set:") + 2]
    outliers = lines[lines.index("The number of outliers found in each data set:") + 2]
    header = next(i for i, l in enumerate(lines) if l.startswith("Number\tPosition\t"))
    with_p = sum(1 for l in lines[header + 1:] if l and l.split("\t")[-3] != "-")
    return aside.split("\t")[:-1], outliers.split("\t")[:-1], with_p


def type_record(path):
    """The value of the file's Type= header record, as the page should show it."""
    with open(path, "rb") as f:
        for _, line in zip(range(40), f):
            text = line.decode("latin-1").strip().strip('"')
            if text.startswith("Type="):
                return text[5:].strip().strip('"')
    return ""


def check_versions(page, work, name):
    rows = re.findall(r'<tr><td class="n">\d+</td><td>([^<]*)</td><td>([^<]*)</td>', page)
    if not rows:
        fail("%s: the page lists no files" % name)
    for file_name, version in rows:
        expected = type_record(os.path.join(work, html.unescape(file_name))) or "-"
        if html.unescape(version) != expected:
            fail("%s: the page gives %s the version %r, its header says %r" % (name, file_name, version, expected))


def check_page(page, work, name):
    check_versions(page, work, name)
    for bad in OUTSIDE:
        if bad in page:
            fail("%s: the page refers outside itself (%s)" % (name, bad))
    svgs = svgs_of(page)
    for svg in svgs:
        try:
            ET.fromstring(svg)
        except ET.ParseError as e:
            fail("%s: a picture is not well-formed XML: %s" % (name, e))
    with open(os.path.join(work, "cor.txt")) as f:
        cor = f.read()
    with open(os.path.join(work, "merge.txt")) as f:
        merge = f.read()
    files = int(re.search(r"<p>(\d+) files of", page).group(1))
    slides = "no slide picture" not in page
    expected_svgs = 1 + 2 + files + (files + 1 if slides else 0) + 1 + 2
    if len(svgs) != expected_svgs:
        fail("%s: %d pictures, expected %d" % (name, len(svgs), expected_svgs))
    maps = [s for s in svgs if 'aria-label="Correlation of the' in s]
    headings = ["----------- Correlation Coefficient of Ratio for each pair of data files ----------",
                "----------- Correlation Coefficient of Log2 Ratio for each pair of data files ----------"]
    for svg, heading in zip(maps, headings):
        shown, reported = heat_map_values(svg), cor_matrix_values(cor, heading)
        if len(reported) != files * (files - 1) // 2 or shown != reported:
            fail("%s: heat map %s differs from cor.txt %s" % (name, shown, reported))
    aside, outliers, with_p = merge_counts(merge)
    rows = re.findall(r'<td class="n">(\d+)</td><td class="n">(\d+)</td></tr>', page)
    if [r[0] for r in rows] != aside or [r[1] for r in rows] != outliers:
        fail("%s: set aside %s / outliers %s in the page, %s / %s in merge.txt" %
             ([r[0] for r in rows], [r[1] for r in rows], aside, outliers))
    if "Volcano plot of the %d genes with a p-value" % with_p not in page:
        fail("%s: merge.txt has %d genes with a p-value, the page says otherwise" % (name, with_p))
    return len(maps[0]) if maps else 0


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


def real_check(runner, realdata):
    if not os.path.isdir(realdata):
        print("skipped: the real data folder %s is absent" % realdata)
        sys.exit(SKIPPED)
    check_folders(runner, [("real slides", stage_real(realdata))])


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
    without it, and in the dialogue, no page is written."""
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
    subprocess.run(chromium_command(profile, "--screenshot=" + png, "--window-size=1200,3000", url),
                   capture_output=True, timeout=120)
    shutil.rmtree(profile)
    drawn = dom.stdout.count("<svg ")
    if drawn != len(svgs_of(page)) or drawn < 10:
        fail("the browser holds %d pictures, the page %d" % (drawn, len(svgs_of(page))))
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
    if keep:
        shutil.copy(png, keep)
    shutil.rmtree(work)


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "report":
        report_check(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) >= 4 and sys.argv[1] == "real":
        real_check(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "command_line":
        command_line_check(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "browser":
        browser_check(sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else None)
    else:
        print(__doc__)
        sys.exit(2)
